#include "BlobSalvage.h"

#include <algorithm>
#include <cstring>

#include "BlobFile.h"
#include "ByteIo.h"

namespace ter5::engine {
namespace {

// .MB layout (pxlib doc/paradox4.txt; BlobFile.cpp reads the same), checked on the
// memo files of the test data: KOMMENT, People, memo, fmemo, graphic240, ole.
constexpr std::size_t kChunk = 0x1000;            // the header and every block: whole 4 KB chunks
constexpr std::uint8_t kTypeHeader = 0;
constexpr std::uint8_t kTypeSingle = 2;           // one blob: type, chunks u16, length u32, mod u16, data
constexpr std::uint8_t kTypeSuballocated = 3;     // up to 64 small blobs in one chunk
constexpr std::uint8_t kTypeFree = 4;             // free chunks: type, chunks u16
constexpr std::size_t kChunksAt = 1;
constexpr std::size_t kSingleLengthAt = 3;
constexpr std::size_t kSingleModAt = 7;
constexpr std::size_t kSingleHeaderSize = 9;
constexpr std::size_t kHeaderModCountAt = 3;      // u16: the file's modification count
// Type-3 slot entries after a 12-byte block header: data offset / 16, length in
// 16-byte units rounded up, modification number u16, bytes in the last unit (1-16).
constexpr std::size_t kSubEntriesAt = 12;
constexpr std::size_t kSubEntrySize = 5;
constexpr std::size_t kSubEntries = 64;
constexpr std::size_t kSubUnit = 16;
constexpr std::size_t kSubEntryUnitsAt = 1;
constexpr std::size_t kSubEntryModAt = 2;
constexpr std::size_t kSubEntryRestAt = 4;
constexpr std::uint8_t kSingleIndex = 0xFF;
// Bytes 5..9 of the header block as every real memo file has them.
constexpr std::uint8_t kHeaderMagic[] = {0x82, 0x73, 0x02, 0x00, 0x29};
constexpr std::size_t kHeaderMagicAt = 5;
// Graphic data starts with an 8-byte prefix that its leader leaves out (graphic240.db).
constexpr std::size_t kPicturePrefix = 8;

bool AllZero(const std::uint8_t* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

BlobMap::BlobMap(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    if (bytes_.empty()) return;
    headerDamaged_ = bytes_.size() < kChunk || bytes_[0] != kTypeHeader ||
                     std::memcmp(bytes_.data() + kHeaderMagicAt, kHeaderMagic, sizeof kHeaderMagic) != 0;
    const std::size_t size = bytes_.size();
    for (std::size_t pos = kChunk; pos + kSingleHeaderSize <= size;) {
        const std::uint8_t* p = bytes_.data() + pos;
        const std::uint16_t chunks = ReadU16(p + kChunksAt);
        const bool spanned = p[0] == kTypeSingle || p[0] == kTypeFree;
        if (spanned && chunks >= 1 && pos + chunks * kChunk <= size &&
            (p[0] == kTypeFree || kSingleHeaderSize + ReadU32(p + kSingleLengthAt) <= chunks * kChunk)) {
            blocks_[static_cast<std::uint32_t>(pos)] = {p[0], chunks};
            pos += chunks * kChunk;
            continue;
        }
        if (p[0] == kTypeSuballocated && pos + kChunk <= size) blocks_[static_cast<std::uint32_t>(pos)] = {p[0], 1};
        pos += kChunk;  // a suballocated block, or a chunk that is no block start: the next chunk may be
    }
}

std::optional<std::string> BlobMap::CheckStored(const BlobRef& ref, std::string_view& data) const {
    const auto found = blocks_.find(ref.offset);
    if (found == blocks_.end()) return "no block of the memo file starts at offset " + std::to_string(ref.offset);
    const std::uint8_t* block = bytes_.data() + ref.offset;
    if (ref.index == kSingleIndex) {
        if (found->second.type != kTypeSingle) return "the block at offset " + std::to_string(ref.offset) + " holds no single blob";
        const std::uint32_t length = ReadU32(block + kSingleLengthAt);
        if (length != ref.length)
            return "the memo file holds " + std::to_string(length) + " bytes, the record " + std::to_string(ref.length);
        if (ReadU16(block + kSingleModAt) != ref.modNumber) return "modification numbers of record and memo file differ";
        data = std::string_view(reinterpret_cast<const char*>(block + kSingleHeaderSize), length);
        return std::nullopt;
    }
    if (found->second.type != kTypeSuballocated || ref.index >= kSubEntries)
        return "the block at offset " + std::to_string(ref.offset) + " holds no slot " + std::to_string(ref.index);
    const std::uint8_t* entry = block + kSubEntriesAt + kSubEntrySize * ref.index;
    const std::size_t start = static_cast<std::size_t>(entry[0]) * kSubUnit;
    if (start == 0) return "slot " + std::to_string(ref.index) + " of the block at offset " + std::to_string(ref.offset) + " is free";
    // Units rounded up, and what the last unit holds (16 for a whole one: KOMMENT.MB).
    const std::size_t units = (ref.length + kSubUnit - 1) / kSubUnit;
    if (start + ref.length > kChunk || ref.length == 0 || entry[kSubEntryUnitsAt] != units ||
        entry[kSubEntryRestAt] != ref.length - (units - 1) * kSubUnit)
        return "slot " + std::to_string(ref.index) + " does not hold " + std::to_string(ref.length) + " bytes";
    if (ReadU16(entry + kSubEntryModAt) != ref.modNumber) return "modification numbers of record and memo file differ";
    data = std::string_view(reinterpret_cast<const char*>(block + start), ref.length);
    return std::nullopt;
}

std::optional<std::string> BlobMap::Check(const FieldDesc& field, const std::uint8_t* p) const {
    if (AllZero(p, static_cast<std::size_t>(field.length))) return std::nullopt;
    const BlobRef ref = DecodeBlobRef(field, p);
    const std::size_t leaderSize = ref.leader.size();
    if (ref.offset == 0) {
        // Held whole in the leader: zero padded, no slot, no modification number.
        if (ref.index != 0 || ref.modNumber != 0 || ref.length > leaderSize ||
            !AllZero(p + ref.length, leaderSize - ref.length))
            return std::string("its reference is not one of a blob held in the record");
        return std::nullopt;
    }
    if (!Present()) return std::string("the memo file is missing");
    std::string_view data;
    if (auto why = CheckStored(ref, data)) return why;
    // The leader repeats the blob's first bytes (graphic: after its prefix); no
    // binary blob was seen, so its leader is not compared.
    if (field.type == FieldType::Blob) return std::nullopt;
    if (field.type == FieldType::Graphic) data.remove_prefix(std::min(kPicturePrefix, data.size()));
    const std::size_t k = std::min(leaderSize, data.size());
    if (std::memcmp(p, data.data(), k) != 0 || !AllZero(p + k, leaderSize - k))
        return std::string("its leader differs from the start of the blob in the memo file");
    return std::nullopt;
}

std::optional<std::string> BlobMap::Stored(const FieldDesc& field, const std::uint8_t* p) const {
    if (AllZero(p, static_cast<std::size_t>(field.length))) return std::nullopt;
    const BlobRef ref = DecodeBlobRef(field, p);
    std::string_view data;
    if (ref.offset == 0 || CheckStored(ref, data)) return std::nullopt;
    return std::string(data);
}

std::vector<std::uint8_t> BlobMap::RepairedImage() const {
    std::vector<std::uint8_t> image = bytes_;
    if (!headerDamaged_) return image;
    // A fresh header block, its modification count above every number in use.
    std::uint16_t highest = 1;
    for (const auto& [offset, block] : blocks_) {
        const std::uint8_t* p = bytes_.data() + offset;
        if (block.type == kTypeSingle) highest = std::max(highest, ReadU16(p + kSingleModAt));
        if (block.type == kTypeSuballocated)
            for (std::size_t i = 0; i < kSubEntries; ++i)
                highest = std::max(highest, ReadU16(p + kSubEntriesAt + kSubEntrySize * i + kSubEntryModAt));
    }
    const std::vector<std::uint8_t> fresh = BlobWriter().Release();
    if (image.size() < kChunk) image.resize(kChunk, 0);
    std::copy(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(kChunk), image.begin());
    WriteU16(image.data() + kHeaderModCountAt, highest);
    return image;
}

}  // namespace ter5::engine
