// Builds without the VST2 host path (a system without dlopen-loaded VST2 modules).

#include <memory>
#include <string>

#include "tools/render/player.h"

namespace fluvia::render {

std::unique_ptr<Player> MakeVst2Player(const std::string& /*path*/, std::string& error) {
  error = "this fluvia-render was built without VST2 hosting";
  return nullptr;
}

}  // namespace fluvia::render
