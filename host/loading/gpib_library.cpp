#include "loading/gpib_library.h"

#include "loading/companions.h"

namespace scopehost {

namespace {

constexpr const char* kSimulator = "sim";
constexpr const char* kBridges[] = {"linux-gpib", "prologix", "vxi11"};

bool IsBridge(const std::string& choice) {
  for (const char* bridge : kBridges) {
    if (choice == bridge) return true;
  }
  return false;
}

}  // namespace

std::filesystem::path GpibLibraryPath(const std::string& choice) {
  // Absolute, so that the loader takes a file name as this file, not one to search for.
  std::filesystem::path path = std::filesystem::absolute(choice);
  if (choice == kSimulator) path = OwnCompanions().Simulator();
  if (IsBridge(choice)) path = OwnCompanions().Bridge(choice);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    throw LoadError("--gpib " + choice + ": there is no GPIB library at " + path.string() +
                    (IsBridge(choice) ? " (is the " + choice + " bridge built?)" : ""));
  }
  return path;
}

std::string GpibLibraryNames() {
  std::string names = kSimulator;
  for (const char* bridge : kBridges) names += std::string(", ") + bridge;
  return names;
}

}  // namespace scopehost
