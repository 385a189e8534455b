#include "map/TextMetrics.h"

#include <algorithm>
#include <cstdint>

#include "engine/Utf8.h"
#include "map/Rounding.h"

namespace ter5::map {

namespace {

// Arial's ascent and descent above and below the baseline, font units.
constexpr int kAscentUnits = 1854;
constexpr int kDescentUnits = 434;
// Advance of the missing-glyph box, font units.
constexpr int kMissingGlyphUnits = 1536;
// Points per inch.
constexpr double kPointsPerInch = 72.0;
// First and one past the last code point of the ASCII width table.
constexpr char32_t kFirstAscii = 0x20;
constexpr char32_t kEndAscii = 0x7F;

// Advance width of one character beyond ASCII, font units.
struct GlyphAdvance {
    char32_t CodePoint;
    std::uint16_t Units;
};

// Advance widths of Liberation Sans Regular, font units (2048 per em): printable ASCII
// from U+0020, then the rest of the Windows-1251 repertoire by code point.
constexpr std::uint16_t kAsciiAdvance[95] = {
    569, 569, 727, 1139, 1139, 1821, 1366, 391, 682, 682, 797, 1196,
    569, 682, 569, 569, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139,
    1139, 1139, 569, 569, 1196, 1196, 1196, 1139, 2079, 1366, 1366, 1479,
    1479, 1366, 1251, 1593, 1479, 569, 1024, 1366, 1139, 1706, 1479, 1593,
    1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251, 569,
    569, 569, 961, 1139, 682, 1139, 1139, 1024, 1139, 1139, 569, 1139,
    1139, 455, 455, 1024, 455, 1706, 1139, 1139, 1139, 1139, 682, 1024,
    569, 1139, 1024, 1479, 1024, 1024, 1024, 684, 532, 684, 1196,
};

constexpr GlyphAdvance kOtherAdvance[] = {
    {0x007F, 1536}, {0x00A0, 569}, {0x00A4, 1139}, {0x00A6, 532}, {0x00A7, 1139}, {0x00A9, 1509},
    {0x00AB, 1139}, {0x00AC, 1196}, {0x00AD, 682}, {0x00AE, 1509}, {0x00B0, 819}, {0x00B1, 1124},
    {0x00B5, 1180}, {0x00B6, 1100}, {0x00B7, 682}, {0x00BB, 1139}, {0x0401, 1367}, {0x0402, 1771},
    {0x0403, 1109}, {0x0404, 1472}, {0x0405, 1366}, {0x0406, 569}, {0x0407, 569}, {0x0408, 1024},
    {0x0409, 2165}, {0x040A, 2069}, {0x040B, 1749}, {0x040C, 1193}, {0x040E, 1301}, {0x040F, 1472},
    {0x0410, 1366}, {0x0411, 1344}, {0x0412, 1366}, {0x0413, 1109}, {0x0414, 1387}, {0x0415, 1366},
    {0x0416, 1891}, {0x0417, 1237}, {0x0418, 1472}, {0x0419, 1472}, {0x041A, 1193}, {0x041B, 1344},
    {0x041C, 1706}, {0x041D, 1479}, {0x041E, 1593}, {0x041F, 1472}, {0x0420, 1366}, {0x0421, 1479},
    {0x0422, 1251}, {0x0423, 1301}, {0x0424, 1557}, {0x0425, 1366}, {0x0426, 1515}, {0x0427, 1365},
    {0x0428, 1877}, {0x0429, 1920}, {0x042A, 1621}, {0x042B, 1813}, {0x042C, 1344}, {0x042D, 1472},
    {0x042E, 2069}, {0x042F, 1479}, {0x0430, 1139}, {0x0431, 1173}, {0x0432, 1088}, {0x0433, 747},
    {0x0434, 1195}, {0x0435, 1139}, {0x0436, 1370}, {0x0437, 939}, {0x0438, 1144}, {0x0439, 1144},
    {0x043A, 896}, {0x043B, 1195}, {0x043C, 1408}, {0x043D, 1131}, {0x043E, 1139}, {0x043F, 1109},
    {0x0440, 1139}, {0x0441, 1024}, {0x0442, 938}, {0x0443, 1024}, {0x0444, 1685}, {0x0445, 1024},
    {0x0446, 1173}, {0x0447, 1067}, {0x0448, 1643}, {0x0449, 1685}, {0x044A, 1280}, {0x044B, 1472},
    {0x044C, 1067}, {0x044D, 1045}, {0x044E, 1536}, {0x044F, 1109}, {0x0451, 1139}, {0x0452, 1139},
    {0x0453, 747}, {0x0454, 1045}, {0x0455, 1024}, {0x0456, 455}, {0x0457, 569}, {0x0458, 455},
    {0x0459, 1856}, {0x045A, 1664}, {0x045B, 1139}, {0x045C, 896}, {0x045E, 1024}, {0x045F, 1131},
    {0x0490, 1001}, {0x0491, 842}, {0x2013, 1139}, {0x2014, 2048}, {0x2018, 455}, {0x2019, 455},
    {0x201A, 455}, {0x201C, 682}, {0x201D, 682}, {0x201E, 682}, {0x2020, 1139}, {0x2021, 1139},
    {0x2022, 717}, {0x2026, 2048}, {0x2030, 2048}, {0x2039, 682}, {0x203A, 682}, {0x20AC, 1139},
    {0x2116, 2197}, {0x2122, 2048},
};

// Units of one character.
int AdvanceUnits(char32_t c) {
    if (c >= kFirstAscii && c < kEndAscii) return kAsciiAdvance[c - kFirstAscii];
    const auto* end = std::end(kOtherAdvance);
    const auto* it = std::lower_bound(std::begin(kOtherAdvance), end, c,
                                      [](const GlyphAdvance& g, char32_t cp) { return g.CodePoint < cp; });
    if (it != end && it->CodePoint == c) return it->Units;
    return c < kFirstAscii ? 0 : kMissingGlyphUnits;  // controls take no room
}

// Units scaled to pixels of an em of pixelSize, rounded to nearest, halves to even; in
// integers, since every label's width is summed from these.
int UnitsToPixels(int units, int pixelSize) {
    const long long scaled = static_cast<long long>(units) * pixelSize;
    long long pixels = scaled / kFontUnitsPerEm;
    const long long rest = scaled % kFontUnitsPerEm;
    if (rest * 2 > kFontUnitsPerEm || (rest * 2 == kFontUnitsPerEm && pixels % 2 != 0)) ++pixels;
    return static_cast<int>(pixels);
}

}  // namespace

char32_t NextUtf8CodePoint(std::string_view text, std::size_t& pos) {
    return engine::NextCodePointOrReplacement(text, pos);
}

int FontPixelSize(double points, double dotsPerInch) {
    return static_cast<int>(RoundToInt64(points * dotsPerInch / kPointsPerInch));
}

int TextHeightPx(int pixelSize) {
    return UnitsToPixels(kAscentUnits, pixelSize) + UnitsToPixels(kDescentUnits, pixelSize);
}

int TextWidthPx(std::string_view utf8, int pixelSize) {
    int width = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) width += UnitsToPixels(AdvanceUnits(NextUtf8CodePoint(utf8, pos)), pixelSize);
    return width;
}

}  // namespace ter5::map
