// Index files rebuilt through the public "add index" operation, from the
// definitions the engine reads, equal the originals the Paradox engine wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexCatalog.h"
#include "engine/IndexMaintenance.h"
#include "engine/IndexReader.h"
#include "engine/IndexVerify.h"
#include "engine/TableFile.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

const fs::path kDataDir = TER5_TEST_DATA_DIR;

bool IsIndexFile(const fs::path& p) {
    std::string e = p.extension().string();
    for (auto& c : e) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return e == ".PX" || (e.size() >= 3 && (e[1] == 'X' || e[1] == 'Y') && std::isxdigit(static_cast<unsigned char>(e.back())));
}

std::vector<TreeEntry> Leaves(const fs::path& tree) { return LoadIndexTree(tree).Leaves(); }

std::vector<std::string> XRecords(const fs::path& x) {
    const auto file = TableFile::Load(x);
    std::vector<std::string> records;
    for (std::size_t i = 0; i < file->RecordCount(); ++i)
        records.emplace_back(reinterpret_cast<const char*>(file->Record(i)), file->Header().recordSize);
    return records;
}

auto EntryTuple(const TreeEntry& e) { return std::tuple(e.key, e.child, e.count); }

// Type and length of every field of an index file's header, names included for X files.
std::vector<std::tuple<int, int, std::string>> FieldList(const TableHeader& h) {
    std::vector<std::tuple<int, int, std::string>> list;
    for (const auto& f : h.fields) list.emplace_back(static_cast<int>(f.type), f.length, f.name);
    return list;
}

TEST(IndexAdd, DeletedIndexesRebuiltByAddIndexEqualTheOriginals) {
    const fs::path work = fs::temp_directory_path() / "ter5-index-add";
    for (const char* name : {"leonhad+paradoxdriver/db/AREACODES.DB", "leonhad+paradoxdriver/joins/C.DB",
                             "leonhad+paradoxdriver/joins/fk4.db", "leonhad+paradoxdriver/joins/multiple.db",
                             "leonhad+paradoxdriver/mtdemo/TAXRATE.DB", "Chevich+KsmProj/ValutC.db",
                             "Chevich+KsmProj/SPRPRPL.DB", "nilsfr+python-pxlib/KOMMENT.DB",
                             "t232006+Individual-dictionary/_QSQ33.DB"}) {
        SCOPED_TRACE(name);
        const fs::path original = kDataDir / name;
        fs::remove_all(work);
        fs::create_directories(work);
        for (const auto& f : ListCompanions(original.parent_path(), original.stem().string()))
            fs::copy_file(f, work / f.filename());
        fs::copy_file(original, work / original.filename(), fs::copy_options::overwrite_existing);
        for (auto& p : fs::directory_iterator(work)) fs::permissions(p.path(), fs::perms::owner_write, fs::perm_options::add);

        const auto source = TableFile::Load(original);
        const std::vector<IndexInfo> indexes = DiscoverIndexes(*source);
        ASSERT_FALSE(indexes.empty());
        for (const auto& f : ListCompanions(work, original.stem().string()))
            if (IsIndexFile(f)) fs::remove(f);

        const fs::path table = work / original.filename();
        for (const auto& info : indexes) AddIndex(table, info.def);

        for (const auto& info : indexes) {
            SCOPED_TRACE(info.files.at(0).filename().string());
            const auto found = FindFileNoCase(work, info.files[0].filename().string());
            ASSERT_TRUE(found);
            const fs::path rebuiltX = *found;
            // The headers describe the same index: field list, field-number array, 0x15, flags.
            const auto rebuiltHeader = TableFile::Load(rebuiltX)->Header();
            const auto originalHeader = TableFile::Load(info.files[0])->Header();
            EXPECT_EQ(FieldList(rebuiltHeader), FieldList(originalHeader));
            EXPECT_EQ(rebuiltHeader.numKeyFields, originalHeader.numKeyFields);
            if (!info.def.primary) {
                EXPECT_EQ(rebuiltHeader.fieldNumbers, originalHeader.fieldNumbers);
                EXPECT_EQ(rebuiltHeader.indexFieldNumber, originalHeader.indexFieldNumber);
                EXPECT_EQ(rebuiltHeader.flags, originalHeader.flags);
            }
            if (info.def.primary) {
                const auto a = Leaves(rebuiltX), b = Leaves(info.files[0]);
                ASSERT_EQ(a.size(), b.size());
                for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(EntryTuple(a[i]), EntryTuple(b[i]));
                continue;
            }
            EXPECT_EQ(XRecords(rebuiltX), XRecords(info.files[0]));
        }
        for (const auto& problem : VerifyTable(table))
            EXPECT_TRUE(problem.isNote) << problem.text;
        // The records themselves are untouched.
        EXPECT_EQ(ReadWholeFile(table), ReadWholeFile(original));
    }
    fs::remove_all(work);
}

}  // namespace
}  // namespace ter5::engine
