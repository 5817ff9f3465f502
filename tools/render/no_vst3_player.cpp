// Builds without the VST3 host path (no VST3 SDK on this machine).

#include <memory>
#include <string>

#include "tools/render/player.h"

namespace fluvia::render {

std::unique_ptr<Player> MakeVst3Player(const std::string& /*bundle*/, std::string& error) {
  error = "this fluvia-render was built without VST3 hosting";
  return nullptr;
}

}  // namespace fluvia::render
