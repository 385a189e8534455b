#pragma once
// The building blocks of Windows metafile records for WmfWriter: record functions, the
// parameter values the map uses, and a writer of 16-bit words. Internal to the writer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ter5::map::wmf {

// Record functions.
inline constexpr std::uint16_t kMetaEof = 0x0000;
inline constexpr std::uint16_t kMetaSetBkMode = 0x0102;
inline constexpr std::uint16_t kMetaSetMapMode = 0x0103;
inline constexpr std::uint16_t kMetaSetWindowOrg = 0x020B;
inline constexpr std::uint16_t kMetaSetWindowExt = 0x020C;
inline constexpr std::uint16_t kMetaSetTextColor = 0x0209;
inline constexpr std::uint16_t kMetaSetTextAlign = 0x012E;
inline constexpr std::uint16_t kMetaSelectObject = 0x012D;
inline constexpr std::uint16_t kMetaDeleteObject = 0x01F0;
inline constexpr std::uint16_t kMetaCreatePenIndirect = 0x02FA;
inline constexpr std::uint16_t kMetaCreateBrushIndirect = 0x02FC;
inline constexpr std::uint16_t kMetaCreateFontIndirect = 0x02FB;
inline constexpr std::uint16_t kMetaRectangle = 0x041B;
inline constexpr std::uint16_t kMetaEllipse = 0x0418;
inline constexpr std::uint16_t kMetaPolygon = 0x0324;
inline constexpr std::uint16_t kMetaPolyline = 0x0325;
inline constexpr std::uint16_t kMetaTextOut = 0x0521;

// Parameters of the records.
inline constexpr std::uint16_t kMapModeAnisotropic = 8;   // MM_ANISOTROPIC
inline constexpr std::uint16_t kBkModeTransparent = 1;    // TRANSPARENT
inline constexpr std::uint16_t kTextAlignCentreTop = 6;   // TA_CENTER | TA_TOP
inline constexpr std::uint16_t kPenSolid = 0;             // PS_SOLID
inline constexpr std::uint16_t kBrushSolid = 0;           // BS_SOLID
inline constexpr std::uint16_t kBrushNull = 1;            // BS_NULL
inline constexpr std::uint16_t kBrushHatched = 2;         // BS_HATCHED
inline constexpr std::uint16_t kHatchBDiagonal = 3;       // HS_BDIAGONAL: 45 degrees, rising left to right
inline constexpr std::int16_t kFontWeightNormal = 400;    // FW_NORMAL
inline constexpr std::size_t kFaceNameBytes = 32;         // LF_FACESIZE, the terminating zero included
inline constexpr std::uint16_t kMemoryMetafile = 1;       // META_HEADER type
inline constexpr std::uint16_t kHeaderWords = 9;          // META_HEADER size, words
inline constexpr std::uint16_t kMetafileVersion = 0x0300; // Windows 3.0 records
inline constexpr std::size_t kRecordHeaderWords = 3;      // size (2 words) and function
// Largest coordinate and point count a 16-bit record holds.
inline constexpr std::int64_t kMaxCoordinate = 32767;
inline constexpr std::size_t kMaxPoints = 32767;
// Page units (0.01 mm) per inch.
inline constexpr double kPageUnitsPerInch = 2540.0;
// Objects alive at once: pen, brush, font, and the one replacing one of them.
inline constexpr std::uint16_t kObjectSlots = 4;

// The low and the high word of a double word.
inline std::uint16_t Low(std::size_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
inline std::uint16_t High(std::size_t v) { return static_cast<std::uint16_t>((v >> 16) & 0xFFFF); }

// The metafile as 16-bit words (every record is a whole number of them), tracking the
// largest record; bytes are packed two to a word, the first in the low half.
class RecordWriter {
public:
    void Reserve(std::size_t words) { words_.reserve(words); }
    void U16(std::uint16_t v) { words_.push_back(v); }
    void I16(std::int64_t v) { U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
    void U32(std::uint32_t v) {
        U16(Low(v));
        U16(High(v));
    }
    // An even number of bytes.
    void Bytes(std::string_view b) {
        for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
            U16(static_cast<std::uint16_t>(static_cast<unsigned char>(b[i]) |
                                           (static_cast<unsigned char>(b[i + 1]) << 8)));
        }
    }

    // Starts a record of `paramWords` parameter words.
    void Begin(std::uint16_t function, std::size_t paramWords) {
        const std::size_t words = kRecordHeaderWords + paramWords;
        maxRecordWords_ = std::max(maxRecordWords_, words);
        U32(static_cast<std::uint32_t>(words));
        U16(function);
    }

    std::vector<std::uint16_t>& Words() { return words_; }
    std::size_t MaxRecordWords() const { return maxRecordWords_; }

    // The file's bytes, little-endian.
    std::vector<std::uint8_t> TakeBytes() {
        std::vector<std::uint8_t> bytes(words_.size() * 2);
        for (std::size_t i = 0; i < words_.size(); ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(words_[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(words_[i] >> 8);
        }
        return bytes;
    }

private:
    std::vector<std::uint16_t> words_;
    std::size_t maxRecordWords_ = 0;
};

}  // namespace ter5::map::wmf
