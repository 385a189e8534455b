// Password-protected tables: the real samples read as their writers' test suites
// say; encrypting what was decrypted gives their stored bytes back; writes keep a
// table protected with its own word, each file as the table's own engine stores
// it; and a file that mixes encrypted and plain blocks is refused, naming it.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "DataSetTestSupport.h"
#include "ProtectionSupport.h"
#include "engine/BlobFile.h"
#include "engine/EngineError.h"
#include "engine/FileProtection.h"
#include "engine/IndexCatalog.h"
#include "engine/IndexMaintenance.h"
#include "engine/IndexReader.h"
#include "engine/IndexVerify.h"
#include "engine/TableEditor.h"
#include "engine/TableFile.h"
#include "engine/ValueText.h"

namespace ter5::engine::testing {
namespace {

const fs::path kEncrypt = fs::path(TER5_TEST_DATA_DIR) / "leonhad+paradoxdriver" / "encrypt";

std::string Text(const TableFile& t, std::size_t i, std::size_t field) {
    return FormatValueText(t.Fields()[field].type, t.Get(i, field));
}

std::vector<std::string> Column(const TableFile& t, std::size_t field) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < t.RecordCount(); ++i) out.push_back(Text(t, i, field));
    return out;
}

// Every value of every record, as text.
std::vector<std::vector<std::string>> AllValues(const TableFile& t) {
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < t.RecordCount(); ++i) {
        rows.emplace_back();
        for (std::size_t f = 0; f < t.Fields().size(); ++f) rows.back().push_back(Text(t, i, f));
    }
    return rows;
}

void Expect(const std::function<void()>& call, const std::vector<std::string>& parts) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
        for (const auto& part : parts) EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
}

TEST(ProtectedSamples, ReadAsTheirWritersSay) {
    const auto t5 = TableFile::Load(kEncrypt / "encrypted.db");
    EXPECT_EQ(t5->Header().encryption, kSampleProtection);
    EXPECT_EQ(Column(*t5, 0), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(*t5, 1), (std::vector<std::string>{"Value 1", "Value 2", "Value 3", "Last one"}));
    EXPECT_TRUE(t5->Notes().empty());

    const auto t35 = TableFile::Load(kEncrypt / "encrypted35.db");  // the word at 0x25
    EXPECT_EQ(t35->Header().encryption, kSampleProtection);
    EXPECT_EQ(Column(*t35, 0), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Column(*t35, 1), (std::vector<std::string>{"Test 1", "Test2"}));

    const auto memo = TableFile::Load(kEncrypt / "encryptedmemo.db");  // 4.x, .MB encrypted as a whole
    ASSERT_EQ(memo->RecordCount(), 2u);
    const std::string first = memo->Get(0, 0).text, second = memo->Get(1, 0).text;
    EXPECT_EQ(first.rfind(" The PARADOX File Structure", 0), 0u) << first.substr(0, 40);
    EXPECT_EQ(first.size(), 55855u);
    EXPECT_EQ(first.substr(first.size() - 5), "End.\n");
    EXPECT_EQ(second.rfind("(This is stale", 0), 0u) << second.substr(0, 40);
    EXPECT_TRUE(BlobFile::Load(kEncrypt / "encryptedmemo.mb", kSampleProtection).Encrypted());
}

TEST(ProtectedSamples, EncryptingWhatWasDecryptedGivesTheStoredBytesBack) {
    for (const char* name : {"encrypted.db", "encrypted35.db", "encryptedmemo.db"}) {
        const auto table = TableFile::Load(kEncrypt / name);
        std::vector<std::uint8_t> bytes = table->Bytes();
        ASSERT_NE(bytes, ReadWholeFile(kEncrypt / name)) << name << ": nothing was decrypted";
        EncryptBlocks(bytes, table->Header());
        EXPECT_EQ(bytes, ReadWholeFile(kEncrypt / name)) << name;
    }
    const auto stored = ReadWholeFile(kEncrypt / "encryptedmemo.mb");
    std::vector<std::uint8_t> mb = stored;
    ASSERT_TRUE(DecryptBlobImage(mb, kSampleProtection));
    EXPECT_EQ(mb[0], 0);  // the header block
    EncryptBlobImage(mb, kSampleProtection);
    EXPECT_EQ(mb, stored);
}

// A table with a memo, a primary key and secondary indexes, many blocks of it.
class ProtectedTableTest : public ::testing::Test {
protected:
    static constexpr std::size_t kRows = 5000;  // 1 KB blocks: more than 256 of them, block numbers wrap the key byte

    void SetUp() override {
        db = dir.Path() / "NOTES.DB";
        plainDb = plain.Path() / "NOTES.DB";
        const std::vector<FieldDef> fields{{"Code", FieldType::Long}, {"Name", FieldType::Alpha, 24},
                                           {"Amount", FieldType::Number}, {"Note", FieldType::Memo, 12}};
        TableFormat format;
        format.blockSizeKb = 1;
        for (const fs::path& p : {db, plainDb}) {
            CreateTable(p, fields, Indexes(), format);
            TableEditor editor(p);
            for (std::size_t i = 0; i < kRows; ++i) {
                std::string r = editor.BlankRecord();
                editor.SetField(r, 0, Value::Int(static_cast<std::int64_t>(i + 1)));
                editor.SetField(r, 1, Value::Text("Secret name " + std::to_string(i)));
                editor.SetField(r, 2, Value::Float(static_cast<double>(i % 37) * 1.5));
                if (i % 400 == 0) editor.SetField(r, 3, Value::Text("Hidden memo text number " + std::to_string(i)));
                editor.Append(std::move(r));
            }
            editor.Save();
        }
        // As the engine often leaves them: the .DB, .MB and the ByName index encrypted, the .PX and ByAmount plain.
        ProtectTable(db, kSampleProtection, false);
        for (const fs::path& p : IndexFiles(db, "ByName")) {
            auto bytes = ReadWholeFile(p);
            ProtectImage(bytes, kSampleProtection);
            WriteFileAtomic(p, bytes, Durability::Unsynced);
        }
    }

    // The files of the index `name` of table `p` (the primary key for "").
    static std::vector<fs::path> IndexFiles(const fs::path& p, const std::string& name) {
        for (const auto& index : DiscoverIndexes(*TableFile::Load(p)))
            if ((name.empty() && index.def.primary) || (!index.def.primary && index.def.name == name)) return index.files;
        ADD_FAILURE() << "no index " << name;
        return {};
    }
    // The same file of the plain twin.
    fs::path Twin(const fs::path& p) const { return plain.Path() / p.filename(); }

    // The primary key, a case-insensitive index and a composite one.
    static std::vector<IndexDef> Indexes() {
        return {{"", {"Code"}, true}, {"ByName", {"Name"}, false, true}, {"ByAmount", {"Amount", "Name"}}};
    }

    // What each file of the table holds: the word of its header.
    std::map<std::string, std::uint32_t> Words() const {
        std::map<std::string, std::uint32_t> words;
        for (const auto& e : fs::directory_iterator(dir.Path())) {
            const std::string ext = UpperExtension(e.path());
            if (ext == ".DB" || IsIndexExtension(ext)) words[e.path().filename().string()] = ProtectionOf(e.path());
        }
        return words;
    }

    // The table reads as its plain twin, passes verify, and shows no plain text.
    void ExpectProtectedTwin() {
        EXPECT_EQ(AllValues(*TableFile::Load(db)), AllValues(*TableFile::Load(plainDb)));
        for (const auto& problem : VerifyTable(db)) EXPECT_TRUE(problem.isNote) << problem.text;
        EXPECT_FALSE(FileHolds(db, "Secret name"));
        EXPECT_FALSE(FileHolds(dir.Path() / "NOTES.MB", "Hidden memo"));
        EXPECT_FALSE(FileHolds(IndexFiles(db, "ByName").at(0), "SECRET NAME"));  // case-insensitive: upper case
        EXPECT_TRUE(FileHolds(Twin(IndexFiles(db, "ByName").at(0)), "SECRET NAME"));
        EXPECT_TRUE(FileHolds(plainDb, "Secret name"));
        EXPECT_TRUE(BlobFile::Load(dir.Path() / "NOTES.MB", kSampleProtection).Encrypted());
        EXPECT_EQ(LoadIndexTree(IndexFiles(db, "").at(0)).Leaves().size(),
                  LoadIndexTree(Twin(IndexFiles(db, "").at(0))).Leaves().size());
    }

    // The same change to both tables.
    template <typename Change>
    void Both(Change change) {
        change(db);
        change(plainDb);
    }

    TempDir dir, plain;
    fs::path db, plainDb;
};

TEST_F(ProtectedTableTest, ReadsAsItsPlainTwin) {
    const auto table = TableFile::Load(db);
    EXPECT_GT(table->Header().fileBlocks, 256);
    ExpectProtectedTwin();
    const auto files = IndexFiles(db, "ByName");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(ProtectionOf(files[0]), kSampleProtection);
    EXPECT_EQ(ReadIndexRecords(*TableFile::Load(files[0])).bytes, ReadIndexRecords(*TableFile::Load(Twin(files[0]))).bytes);
    const auto leaves = LoadIndexTree(files[1]).Leaves(), plainLeaves = LoadIndexTree(Twin(files[1])).Leaves();
    ASSERT_EQ(leaves.size(), plainLeaves.size());
    for (std::size_t i = 0; i < leaves.size(); ++i) EXPECT_EQ(leaves[i].key, plainLeaves[i].key);
}

TEST_F(ProtectedTableTest, WritesKeepEveryFileAsTheEngineStoresIt) {
    const auto before = Words();
    EXPECT_EQ(before.at("NOTES.DB"), kSampleProtection);
    EXPECT_EQ(before.at("NOTES.PX"), 0u);
    for (const fs::path& p : IndexFiles(db, "ByName")) EXPECT_EQ(before.at(p.filename().string()), kSampleProtection);
    for (const fs::path& p : IndexFiles(db, "ByAmount")) EXPECT_EQ(before.at(p.filename().string()), 0u);

    // Edits: an appended record with a long memo, a changed one, a deleted one.
    Both([](const fs::path& p) {
        TableEditor editor(p);
        std::string r = editor.BlankRecord();
        editor.SetField(r, 0, Value::Int(90000));
        editor.SetField(r, 1, Value::Text("Secret name appended"));
        editor.SetField(r, 3, Value::Text(std::string(3000, 'x') + "Hidden memo appended"));
        editor.Append(std::move(r));
        std::string changed = editor.RawRecord(7);
        editor.SetField(changed, 3, Value::Text("Hidden memo changed, longer than the leader"));
        editor.Update(7, std::move(changed));
        editor.Delete(3);
        editor.Save();
    });
    EXPECT_EQ(Words(), before);
    ExpectProtectedTwin();

    // Reindex: every index file dropped and rebuilt keeps its state; a new index is protected.
    Both([](const fs::path& p) {
        std::vector<fs::path> files;
        for (const auto& index : DiscoverIndexes(*TableFile::Load(p)))
            files.insert(files.end(), index.files.begin(), index.files.end());
        ReplaceIndexes(p, files, Indexes());
        AddIndex(p, {"Amount", {"Amount"}});
    });
    auto after = Words();
    for (const auto& [file, word] : before) EXPECT_EQ(after[file], word) << file;
    for (const fs::path& p : IndexFiles(db, "Amount")) EXPECT_EQ(after.at(p.filename().string()), kSampleProtection);
    ExpectProtectedTwin();

    // A table created over the protected one keeps its word; a new one is plain.
    CreateTable(db, {{"Code", FieldType::Long}}, {{"", {"Code"}, true}});
    EXPECT_EQ(ProtectionOf(db), kSampleProtection);
    EXPECT_EQ(TableFile::Load(db)->RecordCount(), 0u);
    CreateTable(dir.Path() / "FRESH.DB", {{"Code", FieldType::Long}}, {{"", {"Code"}, true}});
    EXPECT_EQ(ProtectionOf(dir.Path() / "FRESH.DB"), 0u);
}

#ifdef TER5_HAVE_PXLIB
TEST_F(ProtectedTableTest, PxlibReadsTheWrittenTable) {
    TableEditor editor(db);
    std::string r = editor.BlankRecord();
    editor.SetField(r, 0, Value::Int(9000));
    editor.SetField(r, 1, Value::Text("Secret name for pxlib"));
    editor.Append(std::move(r));
    editor.Save();
    ExpectPxlibReadsTheRecords(db, TableFile::Load(db)->Fields()[3].offset);  // up to the memo
}
#endif

TEST_F(ProtectedTableTest, AFileMixingEncryptedAndPlainBlocksIsRefusedNamingIt) {
    // Block 3 of the .DB as the plain twin stores it.
    const auto plainBytes = ReadWholeFile(plainDb);
    auto bytes = ReadWholeFile(db);
    const auto h = TableFile::Load(db)->Header();
    const std::size_t at = h.headerSize + 2 * h.BlockSize();
    std::memcpy(bytes.data() + at, plainBytes.data() + at, h.BlockSize());
    WriteFileAtomic(db, bytes, Durability::Unsynced);
    Expect([&] { TableFile::Load(db); }, {"NOTES.DB", "block 3", "mixes encrypted and plain blocks"});
    Expect([&] { TableEditor editor(db); }, {"NOTES.DB", "mixes"});

    // The same in the encrypted tree file of an index.
    const fs::path y = IndexFiles(plainDb, "ByName").at(1).filename();
    auto tree = ReadWholeFile(dir.Path() / y);
    const auto plainTree = ReadWholeFile(plain.Path() / y);
    const auto th = LoadIndexTree(dir.Path() / y).header;
    std::memcpy(tree.data() + th.headerSize, plainTree.data() + th.headerSize, th.BlockSize());
    WriteFileAtomic(dir.Path() / y, tree, Durability::Unsynced);
    Expect([&] { LoadIndexTree(dir.Path() / y); }, {y.string(), "block 1", "mixes encrypted and plain blocks"});
}

TEST(ProtectedBlobFile, PlainOrMixedBlobFilesOfAProtectedTableAreReported) {
    TempDir dir;
    const fs::path db = dir.Path() / "MEMO.DB";
    MakeTable(db, {{"Code", FieldType::Long}, {"Note", FieldType::Memo, 5}}, {{"", {"Code"}, true}},
              {{I(1), A(std::string(2000, 'a'))}, {I(2), A(std::string(3000, 'b'))}, {I(3), A(std::string(200, 'c'))}});
    const auto plainMb = ReadWholeFile(dir.Path() / "MEMO.MB");
    ProtectTable(db, kSampleProtection);
    const auto expected = AllValues(*TableFile::Load(db));
    const auto verifyErrors = [&] {
        std::vector<std::string> errors;
        for (const auto& p : VerifyTable(db))
            if (!p.isNote) errors.push_back(p.text);
        return errors;
    };
    EXPECT_TRUE(verifyErrors().empty());

    // Stored plain as a whole (as pxlib writes it): read as it is, reported, encrypted by the next write.
    WriteFileAtomic(dir.Path() / "MEMO.MB", plainMb, Durability::Unsynced);
    EXPECT_EQ(AllValues(*TableFile::Load(db)), expected);
    ASSERT_EQ(verifyErrors().size(), 1u);
    EXPECT_NE(verifyErrors()[0].find("stored plain"), std::string::npos) << verifyErrors()[0];
    {
        TableEditor editor(db);
        std::string r = editor.BlankRecord();
        editor.SetField(r, 0, Value::Int(4));
        editor.SetField(r, 1, Value::Text(std::string(500, 'd')));
        editor.Append(std::move(r));
        editor.Save();
    }
    EXPECT_TRUE(BlobFile::Load(dir.Path() / "MEMO.MB", kSampleProtection).Encrypted());
    EXPECT_TRUE(verifyErrors().empty());
    EXPECT_EQ(TableFile::Load(db)->Get(3, 1).text, std::string(500, 'd'));

    // One block stored plain in an encrypted file: that memo is refused naming the file.
    auto mb = ReadWholeFile(dir.Path() / "MEMO.MB");
    std::memcpy(mb.data() + 0x1000, plainMb.data() + 0x1000, 0x1000);
    WriteFileAtomic(dir.Path() / "MEMO.MB", mb, Durability::Unsynced);
    Expect([&] { TableFile::Load(db)->Get(0, 1); }, {"MEMO.MB", "mixes encrypted and plain blocks"});
    // Verify names the mixed file and the memo that cannot be read through it.
    const auto errors = verifyErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("MEMO.MB: mixes encrypted and plain blocks: 1 block"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find("MEMO.DB: record 1, field 'Note'"), std::string::npos) << errors[1];
}

}  // namespace
}  // namespace ter5::engine::testing
