#include <algorithm>
#include <cctype>
#include <string>

#include "writing/plot_writer.h"

namespace scopehost {

std::optional<std::string_view> PlotDevice(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::ranges::transform(extension, extension.begin(),
                         [](unsigned char c) { return std::tolower(c); });
  if (extension == ".png") return "pngcairo";
  if (extension == ".svg") return "svg";
  return std::nullopt;
}

}  // namespace scopehost
