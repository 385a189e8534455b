#include "IndexOrderGuard.h"

#include <algorithm>
#include <string_view>

#include "EngineError.h"
#include "FileUtil.h"
#include "IndexLayout.h"
#include "IndexReader.h"
#include "IndexVerify.h"
#include "LanguageDriver.h"

namespace ter5::engine {
namespace {

// True when `a` and `b` index the same fields with the same options.
bool SameDefinition(const TableFile& table, const IndexDef& a, const IndexDef& b) {
    return ResolveFields(table, a.fields) == ResolveFields(table, b.fields) && a.caseInsensitive == b.caseInsensitive &&
           a.descending == b.descending && a.unique == b.unique;
}

// True when the fields of the X file `x` are those `layout` calls for.
bool FieldsFit(const TableHeader& x, const SecondaryLayout& layout) {
    if (x.fields.size() != layout.fields.size() || x.numKeyFields != layout.keyFields) return false;
    for (std::size_t i = 0; i < layout.fields.size(); ++i)
        if (x.fields[i].type != layout.fields[i].type || x.fields[i].length != layout.fields[i].length) return false;
    return true;
}

// True when the tree file `y` indexes the blocks of `x` as a rebuild would.
bool TreeFits(const std::filesystem::path& y, const TableFile& x, const SecondaryLayout& layout) {
    if (y.empty() || !FindFileNoCase(y.parent_path(), PathToUtf8(y.filename()))) return false;
    try {
        const IndexTree tree = LoadIndexTree(y);
        const std::vector<TreeEntry> want = LeafEntries(x, layout.keySize);
        const std::vector<TreeEntry> have = tree.Leaves();
        return std::equal(want.begin(), want.end(), have.begin(), have.end(), [](const TreeEntry& a, const TreeEntry& b) {
            return a.key == b.key && a.child == b.child && a.count == b.count;
        });
    } catch (const EngineError&) {
        return false;
    }
}

std::vector<FieldDesc> IndexFieldsOf(const SecondaryLayout& layout) {
    return {layout.fields.begin(), layout.fields.begin() + static_cast<std::ptrdiff_t>(layout.indexFields.size())};
}

}  // namespace

std::optional<KeptIndex> KeepExistingIndex(const TableFile& table, const IndexDef& def, const IndexFiles& files,
                                           const SecondaryImages& rebuilt) {
    if (def.primary || files.x.empty()) return std::nullopt;
    try {
        const SecondaryLayout layout = MakeSecondaryLayout(table, def);
        const KeyRules rules(table.Header());
        if (rules.OrderEstablished(IndexFieldsOf(layout))) return std::nullopt;

        // The usual case first: the file holds what the rebuild writes, block for block.
        std::vector<std::uint8_t> bytes = ReadWholeFile(files.x);
        const TableHeader oldHeader = ParseHeader(bytes.data(), bytes.size(), PathToUtf8(files.x));
        const TableHeader newHeader = ParseHeader(rebuilt.x.data(), rebuilt.x.size(), PathToUtf8(files.x));
        if (bytes.size() - oldHeader.headerSize == rebuilt.x.size() - newHeader.headerSize &&
            std::equal(bytes.begin() + oldHeader.headerSize, bytes.end(), rebuilt.x.begin() + newHeader.headerSize))
            return std::nullopt;

        IndexFileSet set{files.x, {}, files.composite, files.fileNumber};
        if (!files.y.empty() && FindFileNoCase(files.y.parent_path(), PathToUtf8(files.y.filename()))) set.y = files.y;
        const IndexInfo old = DescribeIndex(table, set);
        if (!old.maintained || !SameDefinition(table, old.def, def)) return std::nullopt;
        const auto oldX = TableFile::FromImage(std::move(bytes), files.x, table.Codec().CodePage());
        if (!oldX->Notes().empty() || !BlockStructureErrors(*oldX).empty() || !FieldsFit(oldX->Header(), layout))
            return std::nullopt;

        const RecordBuffer actual = ReadIndexRecords(*oldX);
        const RecordBuffer wanted =
            ReadIndexRecords(*TableFile::FromBytes(rebuilt.x, PathToUtf8(files.x.filename()), table.Codec().CodePage()));
        bool sameOrder = actual.Count() == wanted.Count();
        for (std::size_t i = 0; sameOrder && i < actual.Count(); ++i)
            sameOrder = SameIgnoringHints(layout, actual.At(i), wanted.At(i));
        if (sameOrder || !SameRecordSet(layout, rules, wanted, actual)) return std::nullopt;

        KeptIndex kept;
        kept.note = PathToUtf8(files.x.filename()) + ": index '" + old.def.name +
                    "' kept: its order follows rules this program does not know for driver " + rules.DriverName();
        if (!TreeFits(set.y, *oldX, layout)) kept.tree = BuildSecondaryTree(table, *oldX, files.y);
        return kept;
    } catch (const EngineError&) {
        return std::nullopt;  // anything unreadable is rebuilt
    }
}

std::optional<std::string> KeptRecordOrderNote(const TableFile& table, const std::vector<std::string>& records,
                                               std::size_t keyFields) {
    return KeptRecordOrderNote(table, std::vector<std::string_view>(records.begin(), records.end()), keyFields);
}

std::optional<std::string> KeptRecordOrderNote(const TableFile& table, const std::vector<std::string_view>& records,
                                               std::size_t keyFields) {
    const TableHeader& h = table.Header();
    const std::vector<FieldDesc> fields(h.fields.begin(), h.fields.begin() + static_cast<std::ptrdiff_t>(keyFields));
    const KeyRules rules(h);
    if (rules.OrderEstablished(fields)) return std::nullopt;
    const std::size_t keySize = LeadingSize(fields, fields.size());
    std::vector<std::string_view> keys;
    keys.reserve(records.size());
    bool byteOrder = true;
    for (const std::string_view r : records) {
        keys.push_back(r.substr(0, keySize));
        if (keys.size() > 1 && keys[keys.size() - 2] >= keys.back()) byteOrder = false;
    }
    if (byteOrder) return std::nullopt;
    std::sort(keys.begin(), keys.end());
    if (std::adjacent_find(keys.begin(), keys.end()) != keys.end())
        Fail(table.Name(), "Key violation: two records have the same key");
    return table.Name() + ": records kept in their order: it follows rules this program does not know for driver " +
           rules.DriverName();
}

}  // namespace ter5::engine
