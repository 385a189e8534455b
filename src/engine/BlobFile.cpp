#include "BlobFile.h"

#include <algorithm>
#include <cstring>

#include "BlockCipher.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FileUtil.h"

namespace ter5::engine {
namespace {

// .MB layout (pxlib doc/paradox4.txt, checked on real files).
constexpr std::size_t kMbChunk = 0x1000;            // header and blocks come in 4 KB chunks
constexpr std::uint8_t kTypeHeader = 0;
constexpr std::uint8_t kTypeSingle = 2;             // one blob
constexpr std::uint8_t kTypeSuballocated = 3;       // up to 64 small blobs
constexpr std::uint8_t kTypeFree = 4;
constexpr std::size_t kChunksAt = 1;                // u16: the block's length in 4 KB chunks
constexpr std::size_t kSingleHeaderSize = 9;        // type, chunks u16, length u32, mod number u16
constexpr std::size_t kSubHeaderSize = 12;          // type-3 block header
constexpr std::size_t kSubEntrySize = 5;            // offset/16, length/16, mod u16, length%16
constexpr std::size_t kSubEntries = 64;
constexpr std::size_t kSubUnit = 16;                // type-3 offsets count 16-byte units
constexpr std::uint8_t kSingleIndex = 0xFF;         // record index byte of a type-2 blob
constexpr std::size_t kPicturePrefix = 8;           // graphic/OLE data prefix
constexpr std::size_t kSingleChunksAt = 1;          // type-2 block: its chunks, u16
constexpr std::size_t kSingleLengthAt = 3;          // type-2 block: the blob's length, u32
constexpr std::size_t kSingleModAt = 7;             // type-2 block: modification number, u16
constexpr std::size_t kSubEntryModAt = 2;           // type-3 slot: modification number, u16
constexpr std::size_t kSubEntryLastAt = 4;          // type-3 slot: bytes in its last 16-byte unit (1–16)
// Constant bytes 5..9 and 0x29 of the header block as the Paradox engine writes them.
constexpr std::uint8_t kHeaderMagic[] = {0x82, 0x73, 0x02, 0x00, 0x29};
constexpr std::size_t kHeaderMagicAt = 5;
constexpr std::size_t kHeaderTrailerAt = 0x29;
constexpr std::uint8_t kHeaderTrailer[] = {0xA1, 0x02};

// The first bytes of a block of the given kinds with at least one chunk.
bool LooksLikeBlock(const std::uint8_t* p, std::initializer_list<std::uint8_t> types) {
    return std::find(types.begin(), types.end(), p[0]) != types.end() && ReadU16(p + kChunksAt) != 0;
}

// The header block as the Paradox engine writes it, constant bytes included.
bool LooksLikeHeader(const std::uint8_t* p) {
    return LooksLikeBlock(p, {kTypeHeader}) && std::equal(std::begin(kHeaderMagic), std::end(kHeaderMagic), p + kHeaderMagicAt);
}

// The first chunk at `p` as the other state would read it: decrypted when
// `encrypted`, else encrypted.
void OtherState(std::uint8_t* chunk, std::uint32_t protection, bool encrypted) {
    const BlockCipher cipher(protection);
    if (encrypted) cipher.EncryptBlob(chunk, kCipherChunk);
    else cipher.DecryptBlob(chunk, kCipherChunk);
}

}  // namespace

bool DecryptBlobImage(std::vector<std::uint8_t>& image, std::uint32_t protection) {
    if (protection == 0 || image.size() < kCipherChunk) return false;
    std::uint8_t first[kCipherChunk];
    std::memcpy(first, image.data(), kCipherChunk);
    BlockCipher(protection).DecryptBlob(first, kCipherChunk);
    // A header block that reads as stored, and not decrypted, was stored plain; the
    // engine's constant bytes decide when both read (one chance in 128 Ki).
    const bool plain = LooksLikeBlock(image.data(), {kTypeHeader});
    const bool decrypted = LooksLikeBlock(first, {kTypeHeader});
    if (plain && (!decrypted || (LooksLikeHeader(image.data()) && !LooksLikeHeader(first)))) return false;
    BlockCipher(protection).DecryptBlob(image.data(), image.size());
    return true;
}

void EncryptBlobImage(std::vector<std::uint8_t>& image, std::uint32_t protection) {
    if (protection != 0) BlockCipher(protection).EncryptBlob(image.data(), image.size());
}

BlobFile BlobFile::Load(const std::filesystem::path& path, std::uint32_t protection) {
    return FromBytes(ReadWholeFile(path), PathToUtf8(path), protection);
}

BlobFile BlobFile::FromBytes(std::vector<std::uint8_t> bytes, std::string name, std::uint32_t protection) {
    BlobFile f;
    f.protection_ = protection;
    f.encrypted_ = DecryptBlobImage(bytes, protection);
    if (bytes.size() < kSingleHeaderSize || bytes[0] != kTypeHeader)
        Fail(name, "not a Paradox blob file");
    f.name_ = std::move(name);
    f.bytes_ = std::move(bytes);
    return f;
}

bool BlobFile::StoredOtherwise(std::size_t start) const {
    if (protection_ == 0 || start + kCipherChunk > bytes_.size()) return false;
    std::uint8_t chunk[kCipherChunk];
    std::memcpy(chunk, bytes_.data() + start, kCipherChunk);
    OtherState(chunk, protection_, encrypted_);
    return LooksLikeBlock(chunk, {kTypeSingle, kTypeSuballocated, kTypeFree});
}

std::vector<std::string> BlobFile::ProtectionProblems() const {
    std::vector<std::string> problems;
    if (protection_ == 0) return problems;
    if (!encrypted_)
        problems.push_back("stored plain although its table is password-protected: the table's own engine reads its "
                           "blobs as garbage; the next write of the table stores it encrypted");
    std::size_t mixed = 0;
    std::size_t first = 0;
    for (std::size_t at = kMbChunk; at + kCipherChunk <= bytes_.size();) {
        const std::uint8_t* block = bytes_.data() + at;
        if (!LooksLikeBlock(block, {kTypeSingle, kTypeSuballocated, kTypeFree})) {
            if (!StoredOtherwise(at)) break;  // damage, not protection: the blob readers report it
            if (mixed++ == 0) first = at;
            std::uint8_t chunk[kCipherChunk];
            std::memcpy(chunk, block, kCipherChunk);
            OtherState(chunk, protection_, encrypted_);
            at += ReadU16(chunk + kChunksAt) * kMbChunk;
            continue;
        }
        at += ReadU16(block + kChunksAt) * kMbChunk;
    }
    if (mixed)
        problems.push_back("mixes encrypted and plain blocks: " + std::to_string(mixed) + " block(s) stored " +
                           (encrypted_ ? "plain" : "encrypted") + " unlike its header block, the first at offset " +
                           std::to_string(first));
    return problems;
}

std::string BlobFile::Read(std::uint32_t offset, std::uint8_t index, std::uint32_t length) const {
    const std::size_t start = offset & ~0xFFu;
    const std::size_t size = bytes_.size();
    auto bad = [&](const std::string& what) {
        Fail(name_, "blob at offset " + std::to_string(start) + ": " + what);
    };
    if (start == 0 || start + kSingleHeaderSize > size) bad("lies outside the file");
    const std::uint8_t* block = bytes_.data() + start;
    if (!LooksLikeBlock(block, {kTypeSingle, kTypeSuballocated}) && StoredOtherwise(start))
        bad(std::string("stored ") + (encrypted_ ? "plain" : "encrypted") +
            " unlike the file's header block: the file mixes encrypted and plain blocks");
    if (index == kSingleIndex) {
        if (block[0] != kTypeSingle) bad("not a single-blob block");
        const std::uint32_t stored = ReadU32(block + 3);
        if (stored != length) bad("length " + std::to_string(stored) + " differs from the record's " + std::to_string(length));
        if (start + kSingleHeaderSize + length > size) bad("runs past the end of the file");
        return std::string(reinterpret_cast<const char*>(block + kSingleHeaderSize), length);
    }
    if (block[0] != kTypeSuballocated) bad("not a suballocated block");
    if (index >= kSubEntries || start + kMbChunk > size) bad("bad slot " + std::to_string(index));
    const std::uint8_t* entry = block + kSubHeaderSize + kSubEntrySize * index;
    const std::size_t dataOffset = static_cast<std::size_t>(entry[0]) * kSubUnit;
    if (dataOffset == 0) bad("slot " + std::to_string(index) + " is free");
    if (dataOffset + length > kMbChunk) bad("slot " + std::to_string(index) + " runs past its block");
    return std::string(reinterpret_cast<const char*>(block + dataOffset), length);
}

std::string BlobFile::StripPicturePrefix(const std::string& data) {
    return data.size() >= kPicturePrefix ? data.substr(kPicturePrefix) : data;
}

std::string BlobFile::AddPicturePrefix(const std::string& data) {
    // Observed prefix: 01 00 00 01, then the picture length as u32.
    std::string prefix(kPicturePrefix, '\0');
    prefix[0] = 1;
    prefix[3] = 1;
    WriteU32(reinterpret_cast<std::uint8_t*>(prefix.data()) + 4, static_cast<std::uint32_t>(data.size()));
    return prefix + data;
}

BlobWriter::BlobWriter() : bytes_(kMbChunk, 0) {
    bytes_[0] = kTypeHeader;
    WriteU16(bytes_.data() + 1, 1);
    WriteU16(bytes_.data() + 3, 1);  // modification count
    std::memcpy(bytes_.data() + kHeaderMagicAt, kHeaderMagic, sizeof kHeaderMagic);
    std::memcpy(bytes_.data() + kHeaderTrailerAt, kHeaderTrailer, sizeof kHeaderTrailer);
}

BlobWriter::BlobWriter(std::vector<std::uint8_t> existing) : bytes_(std::move(existing)) {
    if (bytes_.size() < kMbChunk || bytes_[0] != kTypeHeader) *this = BlobWriter();
    bytes_.resize((bytes_.size() + kMbChunk - 1) / kMbChunk * kMbChunk, 0);
}

std::uint32_t BlobWriter::Add(const std::string& data) {
    const std::size_t chunks = (kSingleHeaderSize + data.size() + kMbChunk - 1) / kMbChunk;
    if (chunks > 0xFFFF) throw EngineError("blob of " + std::to_string(data.size()) + " bytes is too large");
    const std::size_t start = bytes_.size();
    if (start > 0xFFFFFF00u) throw EngineError("blob file would exceed 4 GB");
    bytes_.resize(start + chunks * kMbChunk, 0);
    std::uint8_t* block = bytes_.data() + start;
    block[0] = kTypeSingle;
    WriteU16(block + 1, static_cast<std::uint16_t>(chunks));
    WriteU32(block + 3, static_cast<std::uint32_t>(data.size()));
    WriteU16(block + 7, 1);
    std::memcpy(block + kSingleHeaderSize, data.data(), data.size());
    ++blocks_;
    return static_cast<std::uint32_t>(start) | kSingleIndex;
}

std::string BlobFile::Check(std::uint32_t offset, std::uint8_t index, std::uint32_t length,
                            std::uint16_t modNumber) const {
    const std::size_t start = offset & ~0xFFu;
    const std::string at = "the blob at offset " + std::to_string(start) + (index == kSingleIndex ? std::string() : ", slot " + std::to_string(index));
    if (start == 0 || start % kMbChunk != 0 || start + kMbChunk > bytes_.size()) return at + " lies outside " + name_;
    const std::uint8_t* block = bytes_.data() + start;
    const auto mod = [&](std::uint16_t stored) {
        return at + " has modification number " + std::to_string(stored) + ", the record names " + std::to_string(modNumber);
    };
    const auto size = [&](std::size_t stored) {
        return at + " holds " + std::to_string(stored) + " bytes, the record names " + std::to_string(length);
    };
    if (index == kSingleIndex) {
        if (block[0] != kTypeSingle) return at + " is not a single-blob block";
        const std::size_t chunks = ReadU16(block + kSingleChunksAt);
        if (chunks == 0 || start + chunks * kMbChunk > bytes_.size()) return at + " runs past the end of " + name_;
        if (ReadU32(block + kSingleLengthAt) != length) return size(ReadU32(block + kSingleLengthAt));
        if (kSingleHeaderSize + length > chunks * kMbChunk) return at + " runs past its block";
        if (ReadU16(block + kSingleModAt) != modNumber) return mod(ReadU16(block + kSingleModAt));
        return {};
    }
    if (block[0] != kTypeSuballocated) return at + " is not in a small-blob block";
    if (index >= kSubEntries) return at + " names no slot of its block";
    const std::uint8_t* entry = block + kSubHeaderSize + kSubEntrySize * index;
    const std::size_t dataOffset = static_cast<std::size_t>(entry[0]) * kSubUnit;
    const std::size_t units = entry[1];
    const std::size_t last = entry[kSubEntryLastAt];
    if (dataOffset == 0 || units == 0 || last == 0 || last > kSubUnit) return at + " names a free slot";
    const std::size_t stored = (units - 1) * kSubUnit + last;  // observed: 336 bytes are 21 units, 16 in the last
    if (stored != length) return size(stored);
    if (dataOffset + length > kMbChunk) return at + " runs past its block";
    if (ReadU16(entry + kSubEntryModAt) != modNumber) return mod(ReadU16(entry + kSubEntryModAt));
    return {};
}

}  // namespace ter5::engine
