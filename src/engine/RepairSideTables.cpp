#include "RepairSideTables.h"

#include <algorithm>
#include <cstring>

#include "BlobFile.h"
#include "FieldCodec.h"
#include "TableWriter.h"

namespace ter5::engine {
namespace {

using namespace format;

// Block sizes in KB a record may need, smallest first.
constexpr std::uint8_t kBlockSizes[] = {1, 2, 3, 4, 8, 16, 32};
// PROBLEMS.DB fields after the table's: type, size byte, name.
constexpr std::size_t kFieldsTextSize = 255;
constexpr int kMemoLeader = 1;
constexpr int kBlobRefSize = 10;
constexpr std::uint16_t kFreshModNumber = 1;  // what BlobWriter gives every blob
constexpr char kNoFieldsText[] = "(block fill offset)";

// An unkeyed header of the table's format over `fields`, named `fileName`.
TableHeader SideHeader(const TableHeader& structure, std::vector<FieldDesc> fields, const std::string& fileName) {
    TableHeader h;
    h.version = std::max(structure.version, version::k4First);  // memo fields need 4.x
    h.codePage = structure.codePage;
    h.sortOrder = structure.sortOrder;
    h.sortOrderId = structure.sortOrderId;
    h.fileType = FileType::UnkeyedDb;
    h.tableName = fileName;
    h.fields = std::move(fields);
    std::size_t recordSize = 0;
    for (const FieldDesc& f : h.fields) recordSize += static_cast<std::size_t>(f.length);
    h.blockSizeKb = structure.blockSizeKb;
    for (std::uint8_t kb : kBlockSizes)
        if (kb >= h.blockSizeKb && recordSize + kBlockHeaderSize <= kb * kBlockUnit) {
            h.blockSizeKb = kb;
            break;
        }
    BuildHeader(h);
    return h;
}

FieldDesc Field(const char* name, FieldType type, int size) {
    FieldDesc f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.length = type == FieldType::Bcd ? 17 : size;
    return f;
}

// A name for an added field that no field of the table has.
std::string FreeName(const std::vector<FieldDesc>& fields, const std::string& wanted) {
    std::string name = wanted;
    for (int n = 2; std::any_of(fields.begin(), fields.end(), [&](const FieldDesc& f) { return f.name == name; }); ++n)
        name = wanted + " " + std::to_string(n);
    return name;
}

// Copies the blobs of the record `out` (fields of `structure`) into `writer`,
// pointing its references there; a blob that cannot be read becomes NULL.
void CarryBlobs(const TableHeader& structure, std::uint8_t* out, const BlobMap& blobs, BlobWriter& writer) {
    for (const FieldDesc& f : structure.fields) {
        if (!IsBlobType(f.type)) continue;
        std::uint8_t* p = out + f.offset;
        if (blobs.Check(f, p)) {
            std::memset(p, 0, static_cast<std::size_t>(f.length));
        } else if (auto stored = blobs.Stored(f, p)) {
            BlobRef ref = DecodeBlobRef(f, p);
            ref.offset = writer.Add(*stored) & ~0xFFu;
            ref.index = 0xFF;
            ref.modNumber = kFreshModNumber;
            EncodeBlobRef(f, ref, p);
        }
    }
}

SideTable Finish(const std::string& fileName, TableHeader& h, const std::vector<std::string>& records, BlobWriter& writer) {
    SideTable t;
    t.fileName = fileName;
    t.db = BuildTableImage(h, records);
    if (!writer.Empty() || std::any_of(h.fields.begin(), h.fields.end(), [](const FieldDesc& f) { return IsBlobType(f.type); }))
        t.mb = writer.Release();
    return t;
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 0xF];
    }
    return s;
}

}  // namespace

SideTable BuildKeyViolations(const TableHeader& structure, const std::vector<std::uint8_t>& image,
                             const std::vector<std::uint64_t>& offsets, const BlobMap& blobs) {
    TableHeader h = SideHeader(structure, structure.fields, kKeyViolationsTable);
    BlobWriter writer;
    std::vector<std::string> records;
    for (std::uint64_t offset : offsets) {
        std::string r(reinterpret_cast<const char*>(image.data() + offset), structure.recordSize);
        CarryBlobs(structure, reinterpret_cast<std::uint8_t*>(r.data()), blobs, writer);
        records.push_back(std::move(r));
    }
    return Finish(kKeyViolationsTable, h, records, writer);
}

SideTable BuildProblems(const TableHeader& structure, const std::vector<std::uint8_t>& image,
                        const std::vector<ProblemRecord>& problems, const BlobMap& blobs) {
    std::vector<FieldDesc> fields = structure.fields;
    const std::size_t first = fields.size();
    fields.push_back(Field(FreeName(structure.fields, "Problem block").c_str(), FieldType::Long, 4));
    fields.push_back(Field(FreeName(structure.fields, "Problem offset").c_str(), FieldType::Number, 8));
    fields.push_back(Field(FreeName(structure.fields, "Problem fields").c_str(), FieldType::Alpha, kFieldsTextSize));
    fields.push_back(Field(FreeName(structure.fields, "Problem bytes").c_str(), FieldType::Memo, kMemoLeader + kBlobRefSize));
    TableHeader h = SideHeader(structure, std::move(fields), kProblemsTable);
    const TextCodec codec(1252);  // the added values are ASCII
    BlobWriter writer;
    std::vector<std::string> records;
    for (const ProblemRecord& problem : problems) {
        std::string r(h.recordSize, '\0');
        auto* out = reinterpret_cast<std::uint8_t*>(r.data());
        std::memcpy(out, image.data() + problem.offset, structure.recordSize);
        std::string names;
        for (std::size_t i : problem.failing) {
            const FieldDesc& f = structure.fields[i];
            std::memset(out + f.offset, 0, static_cast<std::size_t>(f.length));
            names += (names.empty() ? "" : ", ") + f.name;
        }
        if (names.empty()) names = kNoFieldsText;
        names.resize(std::min(names.size(), kFieldsTextSize));
        CarryBlobs(structure, out, blobs, writer);
        const std::vector<FieldDesc>& hf = h.fields;
        EncodeField(hf[first], Value::Int(problem.block), out + hf[first].offset, codec);
        EncodeField(hf[first + 1], Value::Float(static_cast<double>(problem.offset)), out + hf[first + 1].offset, codec);
        std::memcpy(out + hf[first + 2].offset, names.data(), names.size());
        const std::string hex = Hex(image.data() + problem.offset, structure.recordSize);
        BlobRef ref;
        ref.leader = hex.substr(0, kMemoLeader);
        ref.offset = writer.Add(hex) & ~0xFFu;
        ref.index = 0xFF;
        ref.length = static_cast<std::uint32_t>(hex.size());
        ref.modNumber = kFreshModNumber;
        EncodeBlobRef(hf[first + 3], ref, out + hf[first + 3].offset);
        records.push_back(std::move(r));
    }
    return Finish(kProblemsTable, h, records, writer);
}

}  // namespace ter5::engine
