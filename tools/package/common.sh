# Shared by the package scripts (sourced): the source tree, the project's version and the
# failure report of the tests.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
project_version="$(sed -n 's/^project(Fluvia VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
fail() { echo "FAIL: $*" >&2; exit 1; }
