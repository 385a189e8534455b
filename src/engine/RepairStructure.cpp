#include "RepairStructure.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include "ByteIo.h"
#include "EngineError.h"
#include "FileUtil.h"
#include "TableFile.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

using namespace format;

// Index and table headers are read for their bytes only; no header is larger.
constexpr std::size_t kMaxHeaderBytes = 0xFFFF;
constexpr std::uint8_t kValidBlockSizes[] = {1, 2, 3, 4, 8, 16, 32};

bool ValidBlockSize(std::uint8_t kb) { return std::find(std::begin(kValidBlockSizes), std::end(kValidBlockSizes), kb) != std::end(kValidBlockSizes); }

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The header of an existing file, or nullopt when it cannot be read.
std::optional<TableHeader> ReadHeaderOf(const fs::path& file) {
    try {
        const std::vector<std::uint8_t> bytes = ReadFilePrefix(file, kMaxHeaderBytes);
        return ParseHeader(bytes.data(), bytes.size(), PathToUtf8(file));
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

// The header of the table of the same structure the user named.
TableHeader StructureTableHeader(const StructureSource& source) {
    const auto file = ResolveNoCase(source.table);
    if (!file) throw NotRepairable(PathToUtf8(source.table) + ": the table named for the structure does not exist");
    try {
        const std::vector<std::uint8_t> bytes = ReadFilePrefix(*file, kMaxHeaderBytes);
        TableHeader h = ParseHeader(bytes.data(), bytes.size(), PathToUtf8(*file));
        if (!h.IsTable()) throw NotRepairable(PathToUtf8(*file) + ": not a table (.DB) file");
        return h;
    } catch (const EngineError& e) {
        throw NotRepairable(std::string("the table named for the structure cannot be read: ") + e.what());
    }
}

// The header a table template's field rows give, in the format the table's own
// files still tell: block size and version from its header where plausible, the
// driver and code page from a readable secondary index file (X files carry the
// table's), else the engine's defaults.
TableHeader TemplateHeader(const fs::path& path, const std::vector<std::uint8_t>& image, const StructureSource& source) {
    TableFormat format;
    if (image.size() >= kFixedHeaderEnd) {
        if (ValidBlockSize(image[kBlockSizeKb])) format.blockSizeKb = image[kBlockSizeKb];
        if (image[kVersion] >= version::k30 && image[kVersion] <= version::k7) format.version = image[kVersion];
    }
    for (const fs::path& file : ListCompanions(path.parent_path(), PathToUtf8(path.stem()))) {
        const std::string ext = Upper(PathToUtf8(file.extension()));
        if (ext.size() != 4 || ext[1] != 'X') continue;
        if (auto x = ReadHeaderOf(file); x && x->IsSecondaryIndex() && x->hasExtension && !x->sortOrderId.empty()) {
            format.version = x->version;
            format.sortOrder = x->sortOrder;
            format.sortOrderId = x->sortOrderId;
            if (x->codePage) format.codePage = x->codePage;
            break;
        }
    }
    std::size_t keyFields = 0;
    for (const IndexDef& def : source.indexes)
        if (def.primary) keyFields = def.fields.size();
    try {
        return MakeTableHeader(PathToUtf8(path.filename()), source.fields, static_cast<int>(keyFields), format);
    } catch (const EngineError& e) {
        throw NotRepairable(source.description + " does not describe a table: " + e.what());
    }
}

// The damaged header with only its field list written anew from `s`; nullopt when
// the rest of it cannot be read either or names other fields.
std::optional<TableHeader> PatchFieldList(const std::vector<std::uint8_t>& image, const TableHeader& s, const std::string& name) {
    if (image.size() < kDataHeaderEnd) return std::nullopt;
    const std::size_t headerSize = ReadU16(image.data() + kHeaderSize);
    if (headerSize < kDataHeaderEnd || headerSize > image.size()) return std::nullopt;
    std::vector<std::uint8_t> raw(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(headerSize));
    const std::size_t count = ReadU16(raw.data() + kNumFields);
    if (count != s.fields.size()) return std::nullopt;
    const std::size_t at = raw[kVersion] >= version::k4First ? kDataHeaderEnd : kFixedHeaderEnd;
    if (at + count * kFieldInfoSize > raw.size()) return std::nullopt;
    WriteU16(raw.data() + kRecordSize, s.recordSize);
    WriteU16(raw.data() + kNumKeyFields, s.numKeyFields);
    raw[kFileType] = static_cast<std::uint8_t>(s.fileType);
    for (std::size_t i = 0; i < count; ++i) {
        raw[at + kFieldInfoSize * i] = static_cast<std::uint8_t>(s.fields[i].type);
        raw[at + kFieldInfoSize * i + 1] = static_cast<std::uint8_t>(s.fields[i].size);
    }
    try {
        TableHeader h = ParseHeader(raw.data(), raw.size(), name);
        for (std::size_t i = 0; i < count; ++i)
            if (Upper(h.fields[i].name) != Upper(s.fields[i].name)) return std::nullopt;
        return h;
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

// Refuses a structure whose key or index fields differ from those the table's
// readable index files hold.
void CheckAgainstIndexFiles(const fs::path& path, const TableHeader& h, const std::string& from, int codePage) {
    TableHeader copy = h;
    const auto table = TableFile::FromImage(BuildTableImage(copy, {}), path, codePage);
    const auto differ = [&](const fs::path& file, const std::string& what) {
        throw NotRepairable("the structure from " + from + " does not fit " + PathToUtf8(file.filename()) + ": " + what +
                            "; nothing was changed");
    };
    if (auto px = FindFileNoCase(path.parent_path(), PathToUtf8(path.stem()) + ".PX")) {
        if (auto ph = ReadHeaderOf(*px); ph && ph->fileType == FileType::PrimaryIndex) {
            bool same = ph->fields.size() == h.numKeyFields;
            for (std::size_t i = 0; same && i < ph->fields.size(); ++i)
                same = ph->fields[i].type == h.fields[i].type && ph->fields[i].length == h.fields[i].length;
            if (!same) differ(*px, "its key fields are others");
        }
    }
    for (const IndexFileSet& set : ListIndexFiles(*table)) {
        const auto xh = ReadHeaderOf(set.x);
        if (!xh) continue;  // unreadable: it tells nothing
        IndexInfo info;
        try {
            info = DescribeIndex(*table, set);
        } catch (const EngineError& e) {
            differ(set.x, e.what());
        }
        const std::vector<int> positions = ResolveFields(*table, info.def.fields);
        for (std::size_t i = 0; i < positions.size() && i < xh->fields.size(); ++i) {
            const FieldDesc& f = table->Fields()[static_cast<std::size_t>(positions[i])];
            if (xh->fields[i].type != f.type || xh->fields[i].length != f.length)
                differ(set.x, "it indexes field '" + f.name + "' as another type or size");
        }
    }
}

}  // namespace

RepairStructure ResolveStructure(const fs::path& path, const std::vector<std::uint8_t>& image, const StructureSource* source,
                                 int codePage) {
    const std::string name = PathToUtf8(path);
    RepairStructure s;
    std::string why;
    try {
        s.header = ParseHeader(image.data(), image.size(), name);
        if (!s.header.IsTable()) throw NotRepairable(name + ": not a table (.DB) file");
        s.own = true;
        s.from = "the table's own header";
        s.layout = {s.header.headerSize, s.header.BlockSize()};
        if (source && !source->Empty() && source->table.empty()) s.sourceIndexes = source->indexes;
        return s;
    } catch (const EngineError& e) {
        why = e.what();
        if (why.rfind(name + ": ", 0) == 0) why.erase(0, name.size() + 2);
    }
    if (!source || source->Empty())
        throw NotRepairable(name + ": the header cannot be read (" + why +
                            "); name the table's structure (another table of the same structure, or a template group) "
                            "to repair it; nothing was changed");
    TableHeader from = source->table.empty() ? TemplateHeader(path, image, *source) : StructureTableHeader(*source);
    if (auto patched = PatchFieldList(image, from, name)) {
        s.header = std::move(*patched);
        s.from = "the table's own header, its field list from " + source->description;
    } else {
        s.header = from;
        s.header.tableName = TextCodec(DefaultTextCodePage(from.codePage)).Encode(PathToUtf8(path.filename()));
        s.header.raw.clear();
        BuildHeader(s.header);
        s.from = source->description;
    }
    s.header.numRecords = 0;
    s.header.firstBlock = s.header.lastBlock = s.header.fileBlocks = s.header.blocksInUse = s.header.firstFreeBlock = 0;
    s.layout = {s.header.headerSize, s.header.BlockSize()};
    if (image.size() >= kFixedHeaderEnd && ValidBlockSize(image[kBlockSizeKb])) {
        const std::size_t headerSize = ReadU16(image.data() + kHeaderSize);
        if (headerSize >= kFixedHeaderEnd && headerSize <= image.size())
            s.layout = {headerSize, static_cast<std::size_t>(image[kBlockSizeKb]) * kBlockUnit};
    }
    s.sourceIndexes = source->indexes;
    CheckAgainstIndexFiles(path, s.header, source->description, codePage);
    return s;
}

}  // namespace ter5::engine
