#include "IndexCatalog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <tuple>

#include "EngineError.h"
#include "FileUtil.h"
#include "IndexLayout.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Extension letters of the index files.
constexpr char kPrimaryExt[] = "PX";
constexpr char kSecondaryLetter = 'X';
constexpr char kTreeLetter = 'Y';
constexpr char kCompositeLetter = 'G';
// .Xnn carries the field number in two hex digits, .XGn one digit 0-9 then A-Z.
constexpr int kFieldNumberDigits = 2;
constexpr int kHexBase = 16;
// "Xnn", "XGn": index extensions have three letters.
constexpr std::size_t kIndexExtLength = 3;
constexpr int kCompositeNumberBase = 36;
constexpr int kMaxFieldFileNumber = 0xFF;
// A header size is a 16-bit value.
constexpr std::size_t kMaxHeaderBytes = 0xFFFF;
// Fields an X record has after the index fields: Blk Num on a keyed table (besides the
// primary key); Tup No, Blk Num and Tup Offset on an unkeyed one.
constexpr std::size_t kKeyedTailFields = 1;
constexpr std::size_t kUnkeyedTailFields = 3;

std::string UpperAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// True when an X header ends in Tup No, Blk Num, Tup Offset: the X of an unkeyed table.
bool HasUnkeyedTail(const TableHeader& x) {
    const auto& f = x.fields;
    const std::size_t n = f.size();
    return n > kUnkeyedTailFields && f[n - 3].name == kTupleNumberField && f[n - 2].name == kBlockNumberField &&
           f[n - 1].name == kTupleOffsetField;
}

bool IsKeyed(const TableFile& table) {
    return table.Header().fileType == FileType::KeyedDb && table.Header().numKeyFields > 0;
}

// A name in the table's code page, upper-cased, for comparisons ignoring case.
std::string FoldName(const TextCodec& codec, std::string_view utf8) {
    std::string bytes;
    try {
        bytes = codec.Encode(utf8);
    } catch (const EngineError&) {
        bytes = std::string(utf8);  // not representable: can only equal itself
    }
    codec.UpperInPlace(bytes);
    return bytes;
}

std::string Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

char DigitChar(int v) { return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10); }

// True when the table's own extension is written in lower case ("fk4.db").
bool LowerCaseExtensions(const TableFile& table) {
    const std::string ext = PathToUtf8(table.Path().extension());
    return std::any_of(ext.begin(), ext.end(), [](unsigned char c) { return std::islower(c); });
}

fs::path Companion(const TableFile& table, const std::string& upperExt) {
    std::string ext = upperExt;
    if (LowerCaseExtensions(table))
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return table.Path().parent_path() / PathFromUtf8(PathToUtf8(table.Path().stem()) + "." + ext);
}

std::string SecondarySuffix(bool composite, int number) {
    if (composite) return std::string(1, kCompositeLetter) + DigitChar(number);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%0*X", kFieldNumberDigits, number);
    return hex;
}

}  // namespace

std::vector<int> ResolveFields(const TableFile& table, const std::vector<std::string>& names) {
    std::vector<int> result;
    for (const auto& name : names) {
        int found = table.FieldIndex(name);
        if (found < 0) {
            const std::string folded = FoldName(table.Codec(), name);
            for (std::size_t i = 0; i < table.Fields().size() && found < 0; ++i)
                if (FoldName(table.Codec(), table.Fields()[i].name) == folded) found = static_cast<int>(i);
        }
        if (found < 0) Fail(table.Name(), "index field '" + name + "' does not exist in the table");
        if (std::find(result.begin(), result.end(), found) != result.end())
            Fail(table.Name(), "index field '" + name + "' is named twice");
        result.push_back(found);
    }
    return result;
}

std::vector<std::string> ParseFieldList(const TableFile& table, std::string_view list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = list.find(';', start);
        const std::string name = Trim(list.substr(start, end == std::string_view::npos ? list.npos : end - start));
        if (name.empty()) Fail(table.Name(), "empty field name in index field list '" + std::string(list) + "'");
        names.push_back(name);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    std::vector<std::string> canonical;
    for (int i : ResolveFields(table, names)) canonical.push_back(table.Fields()[i].name);
    return canonical;
}

bool IsFieldNamedIndex(const IndexDef& def) {
    if (def.primary || def.fields.size() != 1 || def.caseInsensitive || def.descending) return false;
    return def.name.empty() || EqualsNoCase(def.name, def.fields[0]);
}

IndexInfo DescribePrimaryIndex(const TableFile& table) {
    if (!IsKeyed(table)) Fail(table.Name(), "the table has no primary key");
    IndexInfo info;
    info.def.primary = true;
    for (std::size_t i = 0; i < table.Header().numKeyFields && i < table.Fields().size(); ++i)
        info.def.fields.push_back(table.Fields()[i].name);
    if (!table.Path().empty())
        if (auto px = FindFileNoCase(table.Path().parent_path(), PathToUtf8(table.Path().stem()) + "." + kPrimaryExt))
            info.files.push_back(*px);
    return info;
}

std::vector<IndexFileSet> ListIndexFiles(const TableFile& table) {
    std::vector<IndexFileSet> sets;
    if (table.Path().empty()) return sets;
    const fs::path dir = table.Path().parent_path();
    const std::string stem = PathToUtf8(table.Path().stem());
    for (const auto& p : ListCompanions(dir, stem)) {
        if (!EqualsNoCase(PathToUtf8(p.stem()), stem)) continue;  // "T.OLD.X01" belongs to no table "T"
        const std::string ext = UpperAscii(PathToUtf8(p.extension()).substr(1));
        if (ext.size() != kIndexExtLength || ext[0] != kSecondaryLetter) continue;
        IndexFileSet set;
        set.x = p;
        if (ext[1] == kCompositeLetter && DigitValue(ext[2]) >= 0) {
            set.composite = true;
            set.fileNumber = DigitValue(ext[2]);
        } else if (std::isxdigit(static_cast<unsigned char>(ext[1])) && std::isxdigit(static_cast<unsigned char>(ext[2]))) {
            set.fileNumber = std::stoi(ext.substr(1), nullptr, kHexBase);
        } else {
            continue;
        }
        if (auto y = FindFileNoCase(dir, stem + "." + kTreeLetter + ext.substr(1))) set.y = *y;
        sets.push_back(std::move(set));
    }
    std::sort(sets.begin(), sets.end(), [](const IndexFileSet& a, const IndexFileSet& b) {
        return std::tie(a.composite, a.fileNumber, a.x) < std::tie(b.composite, b.fileNumber, b.x);
    });
    return sets;
}

IndexInfo DescribeIndex(const TableFile& table, const IndexFileSet& set) {
    const std::string name = PathToUtf8(set.x);
    const std::vector<std::uint8_t> bytes = ReadFilePrefix(set.x, kMaxHeaderBytes);
    const TableHeader h = ParseHeader(bytes.data(), bytes.size(), name);
    if (!h.IsSecondaryIndex())
        Fail(name, "not a secondary index file (file kind " + std::to_string(static_cast<int>(h.fileType)) + ")");
    const bool composite = h.fileType == FileType::CompositeIndex || h.fileType == FileType::CompositeIndexMaint;
    if (composite != set.composite)
        Fail(name, std::string("file kind ") + std::to_string(static_cast<int>(h.fileType)) + " does not match the file name");

    // The X record's own tail tells its format; a table keyed since keeps the old one.
    const std::size_t tail = HasUnkeyedTail(h) ? kUnkeyedTailFields
                             : IsKeyed(table) ? table.Header().numKeyFields + kKeyedTailFields
                                              : kUnkeyedTailFields;
    if (h.fields.size() <= tail)
        Fail(name, std::to_string(h.fields.size()) + " fields are too few for an index of " + table.Name());
    const std::size_t count = h.fields.size() - tail;
    std::vector<std::uint16_t> numbers;
    if (h.hasExtension) {
        numbers.assign(h.fieldNumbers.begin(), h.fieldNumbers.begin() + static_cast<std::ptrdiff_t>(count));
    } else {
        if (count != 1) Fail(name, "an index without a field-number list must have one field");
        numbers.push_back(h.indexFieldNumber);
    }

    IndexInfo info;
    info.maintained = h.fileType == FileType::SecondaryIndexMaint || h.fileType == FileType::CompositeIndexMaint;
    info.fileNumber = set.fileNumber;
    info.composite = composite;
    info.def.caseInsensitive = (h.flags & kIndexFlagCaseInsensitive) != 0;
    info.def.descending = (h.flags & kIndexFlagDescending) != 0;
    info.def.unique = (h.flags & kIndexFlagUnique) != 0;
    // The X header names its index fields by their positions in the table (1-based),
    // whatever ids the table's own field-number array holds after a restructure.
    for (std::uint16_t number : numbers) {
        if (number & kDescendingFieldBit) info.def.descending = true;
        const int position = number & ~kDescendingFieldBit;
        const auto& fields = table.Fields();
        if (position < 1 || position > static_cast<int>(fields.size()))
            Fail(name, "index field number " + std::to_string(position) + " is not a field of " + table.Name() + " (it has " +
                           std::to_string(fields.size()) + ")");
        info.def.fields.push_back(fields[static_cast<std::size_t>(position - 1)].name);
    }
    info.def.name = composite ? table.Codec().Decode(h.indexName) : info.def.fields.front();
    info.files.push_back(set.x);
    if (!set.y.empty()) info.files.push_back(set.y);
    return info;
}

std::vector<IndexInfo> DiscoverIndexes(const TableFile& table) {
    std::vector<IndexInfo> result;
    if (IsKeyed(table)) result.push_back(DescribePrimaryIndex(table));
    for (const auto& set : ListIndexFiles(table)) result.push_back(DescribeIndex(table, set));
    return result;
}

IndexPlan PlanFromDisk(const TableFile& table) {
    IndexPlan plan;
    for (const auto& set : ListIndexFiles(table)) {
        try {
            plan.secondary.push_back(DescribeIndex(table, set));
        } catch (const EngineError&) {
            // An unreadable index keeps its file numbers (taken below) but names no index.
        }
    }
    const fs::path dir = table.Path().parent_path();
    plan.existing = [dir](const std::string& fileName) { return FindFileNoCase(dir, fileName); };
    plan.taken = [dir](const std::string& fileName) { return FindFileNoCase(dir, fileName).has_value(); };
    return plan;
}

bool SameIndexName(const TableFile& table, const IndexDef& a, const IndexDef& b) {
    if (a.primary || b.primary) return a.primary == b.primary;
    return FoldName(table.Codec(), a.name) == FoldName(table.Codec(), b.name);
}

IndexFiles ChooseIndexFiles(const TableFile& table, const IndexDef& def) { return ChooseIndexFiles(table, def, PlanFromDisk(table)); }

IndexFiles ChooseIndexFiles(const TableFile& table, const IndexDef& def, const IndexPlan& plan) {
    if (table.Path().empty()) Fail(table.Name(), "an index needs a table on disk");
    const std::string stem = PathToUtf8(table.Path().stem());
    const auto fileFor = [&](const std::string& upperExt) {
        if (auto found = plan.existing(stem + "." + upperExt)) return *found;
        return Companion(table, upperExt);
    };
    IndexFiles out;
    if (def.primary) {
        out.x = fileFor(kPrimaryExt);
        return out;
    }
    const std::vector<int> fields = ResolveFields(table, def.fields);
    if (fields.empty()) Fail(table.Name(), "an index needs at least one field");
    const bool fieldNamed = IsFieldNamedIndex(def);
    const std::string indexName = fieldNamed ? table.Fields()[fields[0]].name : def.name;
    if (indexName.empty()) Fail(table.Name(), "the index needs a name");
    if (!fieldNamed && table.FieldIndex(indexName) >= 0)
        Fail(table.Name(), "index name '" + indexName +
                               "' is a field name: only a single-field, case-sensitive, ascending index on that field may use it");

    // The index of the same name, if any.
    const IndexInfo* same = nullptr;
    for (const auto& info : plan.secondary)
        if (FoldName(table.Codec(), info.def.name) == FoldName(table.Codec(), indexName)) same = &info;

    out.composite = !fieldNamed;
    if (fieldNamed) {
        out.fileNumber = table.Fields()[fields[0]].fieldNumber;
        if (out.fileNumber > kMaxFieldFileNumber)
            Fail(table.Name(), "field number " + std::to_string(out.fileNumber) + " does not fit an .Xnn file name");
    } else if (same && same->composite) {
        out.fileNumber = same->fileNumber;
    } else {
        for (int n = 0; n < kCompositeNumberBase && out.fileNumber < 0; ++n) {
            const std::string suffix = SecondarySuffix(true, n);
            if (!plan.taken(stem + "." + kSecondaryLetter + suffix) && !plan.taken(stem + "." + kTreeLetter + suffix))
                out.fileNumber = n;
        }
        if (out.fileNumber < 0) Fail(table.Name(), "no free .XGn file number for another index");
    }
    const std::string suffix = SecondarySuffix(out.composite, out.fileNumber);
    out.x = fileFor(kSecondaryLetter + suffix);
    out.y = fileFor(kTreeLetter + suffix);
    if (same)
        for (const fs::path& old : same->files)
            if (old != out.x && old != out.y) out.obsolete.push_back(old);
    return out;
}

}  // namespace ter5::engine
