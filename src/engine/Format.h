#pragma once
// Byte layout of Paradox table and index files (.DB, .PX, .Xnn/.Ynn, .XGn/.YGn).
// Offsets are from the start of the file; all header integers are little-endian.
// Sources: pxlib's doc/pxformat.txt and doc/paradox4.txt, checked against real
// tables written by the Paradox engine (see doc/paradox-format.md).

#include <cstddef>
#include <cstdint>

namespace ter5::engine::format {

// --- Fixed header, every file kind and version -------------------------------
constexpr std::size_t kRecordSize = 0x00;        // u16
constexpr std::size_t kHeaderSize = 0x02;        // u16: data block 1 starts here
constexpr std::size_t kFileType = 0x04;          // u8: FileType below
constexpr std::size_t kBlockSizeKb = 0x05;       // u8: 1, 2, 3, 4, 8, 16, 32
constexpr std::size_t kNumRecords = 0x06;        // u32 (.PX/.Y: entries on all levels)
constexpr std::size_t kBlocksInUse = 0x0A;       // u16
constexpr std::size_t kFileBlocks = 0x0C;        // u16
constexpr std::size_t kFirstBlock = 0x0E;        // u16
constexpr std::size_t kLastBlock = 0x10;         // u16
constexpr std::size_t kModifiedFlags1 = 0x14;    // u8
constexpr std::size_t kIndexFieldNumber = 0x15;  // u8 (.X files)
constexpr std::size_t kIndexRoot = 0x1E;         // u16 (.PX/.Y)
constexpr std::size_t kIndexLevels = 0x20;       // u8 (.PX/.Y)
constexpr std::size_t kNumFields = 0x21;         // u16
constexpr std::size_t kNumKeyFields = 0x23;      // u16
constexpr std::size_t kEncryption1 = 0x25;       // u32
constexpr std::size_t kSortOrder = 0x29;         // u8
constexpr std::size_t kChangeCount1 = 0x2D;      // u8
constexpr std::size_t kChangeCount2 = 0x2E;      // u8
constexpr std::size_t kVersion = 0x39;           // u8: Version below
constexpr std::size_t kAutoIncrement = 0x49;     // u32: next auto-increment value
constexpr std::size_t kFirstFreeBlock = 0x4D;    // u16
constexpr std::size_t kRealHeaderSize = 0x51;    // u16: bytes of the header actually used
constexpr std::size_t kRefIntegrityOrIndexFlags = 0x55;  // u8
constexpr std::size_t kFixedHeaderEnd = 0x58;

// --- 4.x+ extension of .DB and .X headers --------------------------------------
constexpr std::size_t kVersionWord1 = 0x58;      // u16, 0x0100 | version
constexpr std::size_t kVersionWord2 = 0x5A;      // u16, same
constexpr std::size_t kEncryption2 = 0x5C;       // u32
constexpr std::size_t kUpdateTime = 0x60;        // u32
constexpr std::size_t kHighFieldId = 0x64;       // u16
constexpr std::size_t kFieldNumbersOffset = 0x66;  // u16: field-number array − 0x58
constexpr std::size_t kIndexNameOffset = 0x68;   // u16 (.XGn): index name − 0x58
constexpr std::size_t kCodePage = 0x6A;          // u16
constexpr std::size_t kDataHeaderEnd = 0x78;
constexpr std::size_t kExtensionBase = 0x58;     // base of the two offsets above

// --- Variable tail -------------------------------------------------------------
constexpr std::size_t kFieldInfoSize = 2;        // type byte, size byte
constexpr std::size_t kPointerSize = 4;          // table-name and field-name pointers
constexpr std::size_t kTableNameSizeOld = 79;    // before 7.x
constexpr std::size_t kTableNameSize7 = 261;     // 7.x

// Header sizes the engine writes: 3.5+ headers are padded to 0x800 bytes, more when
// the field list needs it (then a whole number of 0x800 units).
constexpr std::size_t kHeaderUnit = 0x800;

// Encryption marker of 4.x+ headers at kEncryption1: "see kEncryption2".
constexpr std::uint32_t kEncryptionSeeExtension = 0xFF00FF00;

// --- Data blocks -----------------------------------------------------------------
constexpr std::size_t kBlockHeaderSize = 6;      // next u16, previous u16, add-data-size s16
constexpr std::size_t kBlockNext = 0;
constexpr std::size_t kBlockPrev = 2;
constexpr std::size_t kBlockAddDataSize = 4;
constexpr std::size_t kBlockUnit = 1024;         // block size byte counts kilobytes

// --- Index entries (.PX/.Y): key fields + three sign-flipped big-endian shorts ------
constexpr std::size_t kIndexEntryTail = 6;       // child block, record count, zero word

}  // namespace ter5::engine::format

namespace ter5::engine {

// File kind byte at format::kFileType.
enum class FileType : std::uint8_t {
    KeyedDb = 0,
    PrimaryIndex = 1,        // .PX
    UnkeyedDb = 2,
    SecondaryIndex = 3,      // .Xnn, not maintained
    SecondaryTree = 4,       // .Ynn
    SecondaryIndexMaint = 5, // .Xnn, maintained
    CompositeIndex = 6,      // .XGn, not maintained
    CompositeTree = 7,       // .YGn
    CompositeIndexMaint = 8, // .XGn, maintained
};

// Version byte at format::kVersion.
namespace version {
constexpr std::uint8_t k30 = 0x03;
constexpr std::uint8_t k35 = 0x04;
constexpr std::uint8_t k4First = 0x05;
constexpr std::uint8_t k4 = 0x09;
constexpr std::uint8_t k5 = 0x0B;
constexpr std::uint8_t k7 = 0x0C;
}  // namespace version

// Index flag bits at format::kRefIntegrityOrIndexFlags of .X files.
constexpr std::uint8_t kIndexFlagCaseInsensitive = 0x01;
constexpr std::uint8_t kIndexFlagDescending = 0x10;
// A unique index (read so by the open Java driver; 0x21 on real indexes of lookup
// tables whose keys are all distinct).
constexpr std::uint8_t kIndexFlagUnique = 0x20;
// Bit of a field-number array entry marking a descending field.
constexpr std::uint16_t kDescendingFieldBit = 0x8000;

}  // namespace ter5::engine
