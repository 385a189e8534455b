#pragma once
// A picture as a placeable Windows metafile (map.wmf): the 22-byte placeable header (key
// 0x9AC6CDD7, the picture's size in units of 1/96 inch, 96 units per inch, checksum)
// followed by a Windows metafile of 16-bit records. Labels are written in Windows-1251 with
// a Cyrillic font. The records are listed in doc/wmf.md.
//
// Metafile coordinates are 16-bit: page units are divided by the smallest whole factor that
// makes every coordinate and the page size fit, and measured from the page's centre.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/FileUtil.h"
#include "map/Picture.h"

namespace ter5::map {

// Key of the placeable metafile header.
inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
// Metafile units per inch of the placeable header's bounding box.
inline constexpr std::uint16_t kWmfUnitsPerInch = 96;

// The whole file image of the picture.
std::vector<std::uint8_t> EncodeWmf(const Picture& picture);

// Writes the picture to `path` through a temporary file renamed over it, so a failed write
// leaves the previous file whole; `durability` says whether it is forced to disk first.
// Throws engine::EngineError naming the file on failure.
void WriteWmfFile(const std::filesystem::path& path, const Picture& picture,
                  engine::Durability durability = engine::Durability::Synced);

}  // namespace ter5::map
