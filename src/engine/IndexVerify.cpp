#include "IndexVerify.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "BlobFile.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FileHolders.h"
#include "FileTransaction.h"
#include "FileUtil.h"
#include "IndexBuilder.h"
#include "IndexCatalog.h"
#include "IndexLayout.h"
#include "IndexReader.h"
#include "LanguageDriver.h"
#include "TableChecks.h"
#include "TableLock.h"

namespace ter5::engine {
namespace {

using namespace format;

// Mismatches listed one per line for each check before a summary line takes over.
constexpr std::size_t kMaxListed = 5;
using namespace indexheader;
// Extension of the primary index file.
constexpr char kPrimaryIndexExt[] = ".PX";
// Tree counts are 16-bit; upper-level sums are compared modulo this.
constexpr std::uint32_t kCountModulus = 0x10000;

class Report {
public:
    void Add(bool note, const std::string& file, const std::string& text) { problems.push_back({note, file + ": " + text}); }
    void Error(const std::string& file, const std::string& text) { Add(false, file, text); }
    void Note(const std::string& file, const std::string& text) { Add(true, file, text); }
    std::vector<VerifyProblem> problems;
};

// Lists the first few findings of one check, then says how many more there were.
class Findings {
public:
    Findings(Report& report, std::string file, bool note) : report_(report), file_(std::move(file)), note_(note) {}
    ~Findings() {
        if (count_ > kMaxListed) report_.Add(note_, file_, "… and " + std::to_string(count_ - kMaxListed) + " more like these");
    }
    void Add(const std::string& text) {
        if (++count_ <= kMaxListed) report_.Add(note_, file_, text);
    }

private:
    Report& report_;
    std::string file_;
    bool note_;
    std::size_t count_ = 0;
};

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s += digits[c >> 4];
        s += digits[c & 0xF];
    }
    return s;
}

// Header counters against the block chain and the free list of a .DB or X file.
void CheckBlocks(const TableFile& file, Report& r) {
    const std::string& name = file.Name();
    for (const auto& note : file.Notes()) r.Error(name, note);
    for (const auto& error : BlockStructureErrors(file)) r.Error(name, error);
    const TableHeader& h = file.Header();
    const std::size_t fullSize = h.headerSize + static_cast<std::size_t>(h.fileBlocks) * h.BlockSize();
    if (file.Bytes().size() < fullSize)
        r.Note(name, "the file ends " + std::to_string(fullSize - file.Bytes().size()) + " bytes short of its last block");
}

void CheckKeyOrder(const TableFile& table, Report& r) {
    const TableHeader& h = table.Header();
    if (h.fileType != FileType::KeyedDb || h.numKeyFields == 0) return;
    const std::size_t keySize = LeadingSize(h.fields, h.numKeyFields);
    const KeyRules rules(h);
    const std::vector<FieldDesc> keyFields(h.fields.begin(), h.fields.begin() + h.numKeyFields);
    if (!rules.OrderEstablished(keyFields)) {
        // The engine's order of alpha keys under this driver is unknown: keys must
        // still be distinct, wherever the two records stand.
        std::vector<std::string_view> keys;
        bool byteOrder = true;
        for (std::size_t i = 0; i < table.RecordCount(); ++i) {
            keys.emplace_back(reinterpret_cast<const char*>(table.Record(i)), keySize);
            if (i > 0 && keys[i - 1] >= keys[i]) byteOrder = false;
        }
        if (byteOrder) return;
        std::sort(keys.begin(), keys.end());
        if (std::adjacent_find(keys.begin(), keys.end()) != keys.end())
            r.Error(table.Name(), "two records have the same key");
        r.Note(table.Name(), "records are not in the byte order of their keys: the key order of driver " +
                                 rules.DriverName() + " is not known to this program, so it could not be checked");
        return;
    }
    Findings found(r, table.Name(), false);
    for (std::size_t i = 1; i < table.RecordCount(); ++i) {
        const int c = std::memcmp(table.Record(i - 1), table.Record(i), keySize);
        if (c >= 0)
            found.Add("records " + std::to_string(i) + " and " + std::to_string(i + 1) +
                      (c == 0 ? " have the same key" : " are out of key order"));
    }
}

// A B-tree file against the leaf entries its indexed file calls for.
void CheckTree(const IndexTree& tree, const std::vector<FieldDesc>& keyFields, const std::vector<TreeEntry>& expected,
               Report& r) {
    const std::string& name = tree.name;
    bool sameFields = tree.header.fields.size() == keyFields.size();
    for (std::size_t i = 0; sameFields && i < keyFields.size(); ++i)
        sameFields = tree.header.fields[i].type == keyFields[i].type && tree.header.fields[i].length == keyFields[i].length;
    if (!sameFields) return r.Error(name, "its key fields differ from the fields it indexes");
    if (tree.header.numRecords != tree.EntryCount())
        r.Error(name, "header counts " + std::to_string(tree.header.numRecords) + " entries, the tree has " +
                          std::to_string(tree.EntryCount()));

    const std::vector<TreeEntry> leaves = tree.Leaves();
    if (leaves.size() != expected.size())
        r.Error(name, std::to_string(leaves.size()) + " leaf entries for " + std::to_string(expected.size()) +
                          " non-empty blocks of the indexed file");
    Findings leafFindings(r, name, false);
    for (std::size_t i = 0; i < std::min(leaves.size(), expected.size()); ++i) {
        const TreeEntry& a = leaves[i];
        const TreeEntry& e = expected[i];
        if (a.child != e.child) leafFindings.Add("leaf entry " + std::to_string(i + 1) + " points to block " + std::to_string(a.child) + ", expected " + std::to_string(e.child));
        else if (a.count != e.count) leafFindings.Add("leaf entry " + std::to_string(i + 1) + " counts " + std::to_string(a.count) + " records, block " + std::to_string(e.child) + " holds " + std::to_string(e.count));
        else if (a.key != e.key) leafFindings.Add("leaf entry " + std::to_string(i + 1) + " has key " + Hex(a.key) + ", block " + std::to_string(e.child) + " starts with " + Hex(e.key));
    }
    Findings upper(r, name, false);
    for (std::size_t k = 0; k + 1 < tree.levels.size(); ++k) {
        std::size_t j = 0;
        for (const auto& block : tree.levels[k])
            for (const auto& entry : block.entries) {
                const TreeBlock& child = tree.levels[k + 1][j++];
                std::uint32_t sum = 0;
                for (const auto& e : child.entries) sum += e.count;
                if (entry.key != child.entries.front().key) upper.Add("entry for block " + std::to_string(child.number) + " does not carry its first key");
                if (entry.count != sum % kCountModulus) upper.Add("entry for block " + std::to_string(child.number) + " counts " + std::to_string(entry.count) + ", its entries add up to " + std::to_string(sum));
            }
    }
    Findings reserved(r, name, true);
    for (const auto& level : tree.levels)
        for (const auto& block : level)
            for (std::uint16_t v : block.reserved)
                if (v != 0) reserved.Add("block " + std::to_string(block.number) + " has an entry whose third word is " + std::to_string(v));
}

void CheckLink(Report& r, const std::string& name, const char* what, std::uint8_t actual, std::uint8_t expected) {
    if (actual != expected)
        r.Note(name, std::string(what) + " is " + std::to_string(actual) + ", real files tie it to " + std::to_string(expected));
}

std::uint8_t LinkValue(const std::vector<std::uint8_t>& raw, const TableHeader& table) {
    return static_cast<std::uint8_t>(raw[kChangeCount1] + IndexCounterOffset(table));
}

void CheckPrimary(const TableFile& table, Report& r) {
    const TableHeader& th = table.Header();
    const IndexInfo info = DescribePrimaryIndex(table);
    if (info.files.empty())
        return r.Error(table.Name(), "keyed table without its primary index file (.PX): other programs cannot open it; "
                                     "a reindex or `ter5tool index add --primary` rebuilds it");
    IndexTree tree;
    try {
        tree = LoadIndexTree(info.files[0]);
    } catch (const EngineError& e) {
        return r.Error(PathToUtf8(info.files[0]), std::string("unreadable: ") + e.what());
    }
    if (tree.header.fileType != FileType::PrimaryIndex) return r.Error(tree.name, "not a primary index file");
    const std::vector<FieldDesc> keyFields(th.fields.begin(), th.fields.begin() + th.numKeyFields);
    CheckTree(tree, keyFields, LeafEntries(table, LeadingSize(keyFields, keyFields.size())), r);
    CheckLink(r, tree.name, "change counter link at 0x2C", tree.header.raw[kTreeCounterLink], LinkValue(th.raw, th));
}

// The links and tree file (.Y) of an index file `x` of `table`.
void CheckTreeOf(const TableFile& table, const IndexFileSet& set, const SecondaryLayout& layout, const TableFile& x, Report& r) {
    const std::string xName = PathToUtf8(set.x);
    const TableHeader& xh = x.Header();
    CheckLink(r, xName, "change counter at 0x2E", xh.raw[kChangeCount2], table.Header().raw[kChangeCount2]);
    CheckLink(r, xName, "change counter link at 0x2F", xh.raw[kXTableLink], LinkValue(table.Header().raw, table.Header()));
    const bool maintained = xh.fileType == FileType::SecondaryIndexMaint || xh.fileType == FileType::CompositeIndexMaint;
    if (set.y.empty()) {
        if (maintained) return r.Error(xName, "maintained index without its tree file (.Y); `ter5tool repair` rebuilds it");
        return r.Note(xName, "no tree file (.Y) beside the index");
    }
    IndexTree tree;
    try {
        tree = LoadIndexTree(set.y);
    } catch (const EngineError& e) {
        return r.Error(PathToUtf8(set.y), std::string("unreadable: ") + e.what());
    }
    const std::vector<FieldDesc> keyFields(layout.fields.begin(), layout.fields.begin() + layout.keyFields);
    CheckTree(tree, keyFields, LeafEntries(x, layout.keySize), r);
    CheckLink(r, tree.name, "change counter link at 0x2C", tree.header.raw[kTreeCounterLink], LinkValue(xh.raw, table.Header()));
}

void CheckSecondary(const TableFile& table, const IndexFileSet& set, Report& r) {
    const std::string xName = PathToUtf8(set.x);
    IndexInfo info;
    std::shared_ptr<TableFile> x;
    SecondaryLayout layout;
    try {
        info = DescribeIndex(table, set);
        x = TableFile::Load(set.x, table.Codec().CodePage());
        layout = MakeSecondaryLayout(table, info.def);
    } catch (const EngineError& e) {
        return r.Error(xName, std::string("unreadable: ") + e.what());
    }
    CheckBlocks(*x, r);
    const TableHeader& xh = x->Header();
    bool sameFields = xh.fields.size() == layout.fields.size() && xh.numKeyFields == layout.keyFields;
    for (std::size_t i = 0; sameFields && i < layout.fields.size(); ++i)
        sameFields = xh.fields[i].type == layout.fields[i].type && xh.fields[i].length == layout.fields[i].length;
    if (!sameFields) return r.Error(xName, "its fields do not fit an index on " + table.Name());

    RecordBuffer expected;
    try {
        expected = MakeSecondaryRecords(table, layout);
    } catch (const EngineError& e) {
        return r.Error(xName, e.what());  // a unique index over records that share a key
    }
    const RecordBuffer actual = ReadIndexRecords(*x);
    const std::size_t common = std::min(expected.Count(), actual.Count());
    std::size_t differing = 0;
    std::size_t stale = 0;
    for (std::size_t i = 0; i < common; ++i) {
        if (!SameIgnoringHints(layout, actual.At(i), expected.At(i))) ++differing;
        else if (std::memcmp(actual.At(i), expected.At(i), layout.recordSize) != 0) ++stale;
    }
    const bool matches = differing == 0 && expected.Count() == actual.Count();
    const KeyRules rules(table.Header());
    const std::vector<FieldDesc> indexFields(layout.fields.begin(), layout.fields.begin() + static_cast<std::ptrdiff_t>(layout.indexFields.size()));
    if (info.maintained && !matches && !rules.OrderEstablished(indexFields) && SameRecordSet(layout, rules, expected, actual)) {
        // The original engine orders (and may store) keys of this driver by rules
        // no real file has shown this program: the entries are right as a set.
        r.Note(xName, "holds exactly the table's records, in an order this program does not reproduce: the key order of "
                      "driver " + rules.DriverName() + " is not known to it, so the order could not be checked");
        return CheckTreeOf(table, set, layout, *x, r);
    }
    {
        Findings found(r, xName, !info.maintained);
        if (info.maintained && expected.Count() != actual.Count())
            found.Add("holds " + std::to_string(actual.Count()) + " entries, the table has " + std::to_string(expected.Count()) + " records");
        for (std::size_t i = 0; info.maintained && i < common; ++i)
            if (!SameIgnoringHints(layout, actual.At(i), expected.At(i)))
                found.Add("entry " + std::to_string(i + 1) + " does not match the table's records in index order");
        for (std::size_t i = 1; i < actual.Count(); ++i)
            if (CompareSecondaryKeys(layout, actual.At(i - 1), actual.At(i)) >= 0 && info.maintained)
                found.Add("entries " + std::to_string(i) + " and " + std::to_string(i + 1) + " are out of index order");
    }
    if (!info.maintained && (differing || expected.Count() != actual.Count()))
        r.Note(xName, "non-maintained index lags behind its table: it holds " + std::to_string(actual.Count()) +
                          " entries for " + std::to_string(expected.Count()) + " records, " + std::to_string(differing) + " differ");
    if (stale) r.Note(xName, std::to_string(stale) + " of " + std::to_string(common) + " entries carry stale block hints");
    CheckTreeOf(table, set, layout, *x, r);
}

// The .MB of a password-protected table must be stored encrypted throughout.
void CheckBlobProtection(const TableFile& table, Report& r) {
    if (!table.Header().IsEncrypted()) return;
    const auto mb = FindFileNoCase(table.Path().parent_path(), PathToUtf8(table.Path().stem()) + ".MB");
    if (!mb) return;
    try {
        for (const std::string& problem : BlobFile::Load(*mb, table.Header().encryption).ProtectionProblems())
            r.Error(PathToUtf8(*mb), problem);
    } catch (const EngineError& e) {
        r.Error(PathToUtf8(*mb), std::string("unreadable: ") + e.what());
    }
}

}  // namespace

std::vector<std::string> BlockStructureErrors(const TableFile& file) {
    std::vector<std::string> errors;
    const TableHeader& h = file.Header();
    const std::vector<std::uint8_t>& bytes = file.Bytes();
    const std::size_t blockSize = h.BlockSize();
    auto blockAt = [&](std::uint16_t n) -> const std::uint8_t* {
        if (n == 0) return nullptr;
        const std::size_t offset = h.headerSize + (static_cast<std::size_t>(n) - 1) * blockSize;
        return offset + kBlockHeaderSize <= bytes.size() ? bytes.data() + offset : nullptr;
    };
    std::unordered_set<std::uint16_t> chain;
    std::uint16_t last = 0;
    for (std::uint16_t n = h.firstBlock; n != 0 && chain.insert(n).second;) {
        if (n > h.fileBlocks)
            errors.push_back("block " + std::to_string(n) + " of the chain lies beyond the " + std::to_string(h.fileBlocks) +
                             " blocks the header counts");
        last = n;
        const std::uint8_t* block = blockAt(n);
        if (!block) break;  // TableFile has reported it
        n = ReadU16(block + kBlockNext);
    }
    std::size_t freeBlocks = 0;
    std::unordered_set<std::uint16_t> seen;
    for (std::uint16_t n = h.firstFreeBlock; n != 0; ++freeBlocks) {
        if (n > h.fileBlocks || !blockAt(n) || chain.count(n) || !seen.insert(n).second) {
            errors.push_back("the free list reaches block " + std::to_string(n) +
                             ", which is beyond the file, in the chain or already free");
            break;
        }
        n = ReadU16(blockAt(n) + kBlockNext);
    }
    if (chain.size() != h.blocksInUse)
        errors.push_back("header counts " + std::to_string(h.blocksInUse) + " blocks in use, the chain has " +
                         std::to_string(chain.size()));
    if (last != h.lastBlock)
        errors.push_back("header names block " + std::to_string(h.lastBlock) + " as last, the chain ends at " +
                         std::to_string(last));
    if (chain.size() + freeBlocks != h.fileBlocks)
        errors.push_back(std::to_string(chain.size()) + " blocks in the chain and " + std::to_string(freeBlocks) +
                         " free, the header counts " + std::to_string(h.fileBlocks));
    for (std::string& error : OffChainRecordErrors(file)) errors.push_back(std::move(error));
    return errors;
}

std::vector<VerifyProblem> VerifyTable(const std::filesystem::path& path, int codePage) {
    const auto resolved = ResolveNoCase(path);
    if (!resolved) Fail(PathToUtf8(path), "table does not exist");
    const TableLock lock(*resolved, TableLock::Mode::Shared);
    return VerifyHeldTable(*TableFile::Load(*resolved, codePage));
}

std::vector<VerifyProblem> VerifyHeldTable(const TableFile& loaded) {
    const TableFile* table = &loaded;
    if (!table->Header().IsTable()) Fail(table->Name(), "not a table (.DB) file");
    Report r;
    const auto journal = ForeignJournal(table->Path());
    if (journal) r.problems.push_back({false, *journal + "; writes to the table are refused while it is there"});
    CheckBlocks(*table, r);
    CheckBlobProtection(*table, r);
    for (const std::string& error : BlobReferenceErrors(*table)) r.Error(table->Name(), error);
    CheckKeyOrder(*table, r);
    const TableHeader& th = table->Header();
    if (th.fileType == FileType::KeyedDb && th.numKeyFields > 0) {
        CheckPrimary(*table, r);
    } else if (auto px = FindFileNoCase(table->Path().parent_path(), PathToUtf8(table->Path().stem()) + kPrimaryIndexExt)) {
        r.Note(PathToUtf8(*px), "primary index file beside an unkeyed table");
    }
    for (const auto& set : ListIndexFiles(*table)) CheckSecondary(*table, set, r);
    for (const FileHolder& h : HeldEngineLockFiles(table->Path().parent_path()))
        r.Note(PathToUtf8(h.file), "held by " + (h.program.empty() ? std::string("another program") : h.program) +
                                    (h.pid ? ", process " + std::to_string(h.pid) : std::string()) +
                                    ": the original table engine works in this directory, so writes here are busy");
    for (const auto& leftover : LeftoverTemporaries(table->Path()))
        r.Note(PathToUtf8(leftover), journal ? "temporary file left by an interrupted write; kept while the journal beside it is there"
                                             : "temporary file left by an interrupted write; the next write to the table removes it");
    return r.problems;
}

}  // namespace ter5::engine
