#include "TableChecks.h"

#include <algorithm>
#include <map>
#include <unordered_set>
#include <utility>

#include "BlobFile.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FieldCodec.h"
#include "FileUtil.h"
#include "Format.h"
#include "TableFile.h"

namespace ter5::engine {
namespace {

using namespace format;

// Findings listed one per line before a summary line takes over.
constexpr std::size_t kMaxListed = 5;
// A reference into the .MB: block offset and slot.
using BlobAddress = std::pair<std::uint32_t, std::uint8_t>;

// Collects findings, listing the first few and counting the rest.
class Listing {
public:
    void Add(std::string text) {
        if (++count_ <= kMaxListed) lines_.push_back(std::move(text));
    }
    std::vector<std::string> Lines() && {
        if (count_ > kMaxListed) lines_.push_back("… and " + std::to_string(count_ - kMaxListed) + " more like these");
        return std::move(lines_);
    }

private:
    std::vector<std::string> lines_;
    std::size_t count_ = 0;
};

std::unordered_set<std::uint16_t> FreeList(const TableFile& file) {
    const TableHeader& h = file.Header();
    const auto& bytes = file.Bytes();
    std::unordered_set<std::uint16_t> free;
    for (std::uint16_t n = h.firstFreeBlock; n != 0 && free.insert(n).second;) {
        const std::size_t offset = h.headerSize + (static_cast<std::size_t>(n) - 1) * h.BlockSize();
        if (offset + kBlockHeaderSize > bytes.size()) break;
        n = ReadU16(bytes.data() + offset + kBlockNext);
    }
    return free;
}

}  // namespace

std::vector<std::string> OffChainRecordErrors(const TableFile& file) {
    const TableHeader& h = file.Header();
    if (!h.IsTable() && !h.IsSecondaryIndex()) return {};
    const std::size_t blockSize = h.BlockSize();
    const std::size_t recordSize = h.recordSize;
    const auto& bytes = file.Bytes();
    if (blockSize == 0 || recordSize == 0 || bytes.size() < h.headerSize) return {};
    std::unordered_set<std::uint16_t> chain;
    for (const TableFile::Block& b : file.Blocks()) chain.insert(b.number);
    // Blocks of the chain that hold no record are not among Blocks(): walk it again.
    for (std::uint16_t n = h.firstBlock; n != 0 && chain.insert(n).second;) {
        const std::size_t offset = h.headerSize + (static_cast<std::size_t>(n) - 1) * blockSize;
        if (offset + kBlockHeaderSize > bytes.size()) break;
        n = ReadU16(bytes.data() + offset + kBlockNext);
    }
    const std::unordered_set<std::uint16_t> free = FreeList(file);
    const std::size_t inFile = (bytes.size() - h.headerSize) / blockSize;
    const std::size_t last = std::min<std::size_t>(std::max<std::size_t>(inFile, h.fileBlocks), 0xFFFF);
    Listing found;
    for (std::size_t n = 1; n <= last; ++n) {
        if (chain.count(static_cast<std::uint16_t>(n))) continue;
        const std::size_t offset = h.headerSize + (n - 1) * blockSize;
        if (offset + kBlockHeaderSize > bytes.size()) break;
        // Real files keep −(record size) in a free block: no records (doc/paradox-tables.md).
        const int addDataSize = ReadS16(bytes.data() + offset + kBlockAddDataSize);
        if (addDataSize < 0) continue;
        const std::size_t records = static_cast<std::size_t>(addDataSize) / recordSize + 1;
        found.Add("block " + std::to_string(n) + (free.count(static_cast<std::uint16_t>(n)) ? " is on the free list" : " is outside the block chain") +
                  " but holds " + std::to_string(records) + (records == 1 ? " record" : " records") +
                  ", which are not read");
    }
    return std::move(found).Lines();
}

std::vector<std::string> BlobReferenceErrors(const TableFile& table) {
    std::vector<std::size_t> blobFields;
    for (std::size_t f = 0; f < table.Fields().size(); ++f)
        if (IsBlobType(table.Fields()[f].type)) blobFields.push_back(f);
    if (blobFields.empty() || table.Path().empty()) return {};
    const std::string mbName = PathToUtf8(table.Path().stem()) + ".MB";
    const auto mbPath = FindFileNoCase(table.Path().parent_path(), mbName);
    std::optional<BlobFile> mb;
    std::string unreadable;
    if (mbPath) {
        try {
            mb = BlobFile::Load(*mbPath, table.Header().encryption);
        } catch (const EngineError& e) {
            unreadable = e.what();
        }
    }
    Listing found;
    std::map<BlobAddress, std::size_t> owners;  // the first record naming each blob
    for (std::size_t i = 0; i < table.RecordCount(); ++i) {
        const std::uint8_t* record = table.Record(i);
        for (std::size_t f : blobFields) {
            const FieldDesc& field = table.Fields()[f];
            const std::uint8_t* p = record + field.offset;
            if (std::all_of(p, p + field.length, [](std::uint8_t c) { return c == 0; })) continue;
            const BlobRef ref = DecodeBlobRef(field, p);
            if (ref.offset == 0 && ref.index == 0) continue;  // all in the leader
            const std::string where = "record " + std::to_string(i + 1) + ", field '" + field.name + "': ";
            if (!mb) {
                found.Add(where + (mbPath ? unreadable : "names a blob, but " + mbName + " does not exist"));
                continue;
            }
            const std::string problem = mb->Check(ref.offset, ref.index, ref.length, ref.modNumber);
            if (!problem.empty()) {
                found.Add(where + problem);
                continue;
            }
            const auto [owner, first] = owners.emplace(BlobAddress{ref.offset, ref.index}, i);
            if (!first)
                found.Add(where + "names the blob at offset " + std::to_string(ref.offset) +
                          (ref.index == 0xFF ? std::string() : ", slot " + std::to_string(ref.index)) + ", as record " +
                          std::to_string(owner->second + 1) + " does");
        }
    }
    return std::move(found).Lines();
}

}  // namespace ter5::engine
