#pragma once
// A picture as an SVG document in picture pixels: page units are divided by the page units
// per pixel (and y turned downwards); labels keep their pixel positions.

#include <filesystem>
#include <string>

#include "map/Picture.h"

namespace ter5::map {

// The SVG document of the picture, UTF-8.
std::string EncodeSvg(const Picture& picture);

// Writes the SVG document to `path` through a temporary file renamed over it. Throws
// engine::EngineError naming the file on failure.
void WriteSvgFile(const std::filesystem::path& path, const Picture& picture);

}  // namespace ter5::map
