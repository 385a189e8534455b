#pragma once
// Sizes of the map's label text without a font engine: the advance widths and the line
// height of Arial, taken from Liberation Sans, which shares Arial's metrics glyph for glyph.
// The map places labels by these sizes, so the picture comes out the same on every machine.

#include <cstddef>
#include <string_view>

namespace ter5::map {

// Font design units per em of the width table.
inline constexpr int kFontUnitsPerEm = 2048;

// Pixel height of the em of a font of `points` points on a device of `dotsPerInch`,
// rounded to nearest, halves to even (6 points at 96 dpi: 8 pixels).
int FontPixelSize(double points, double dotsPerInch);

// Line height (ascent plus descent, each rounded) in pixels of a font whose em is
// `pixelSize` pixels (8 pixels: 7 + 2 = 9).
int TextHeightPx(int pixelSize);

// Advance width in pixels of UTF-8 text in a font whose em is `pixelSize` pixels: the sum
// of each character's width rounded to whole pixels, as a hinted screen font lays it out.
// Characters outside the Windows-1251 repertoire count as the font's missing-glyph box.
int TextWidthPx(std::string_view utf8, int pixelSize);

// Decodes the UTF-8 character of `text` at `pos` and moves `pos` past it; a malformed
// sequence gives U+FFFD for its first byte.
char32_t NextUtf8CodePoint(std::string_view text, std::size_t& pos);

}  // namespace ter5::map
