// Every real table of the test data reads, or fails with the error its state
// calls for; and every value of the tables without blobs equals what pxlib, an
// independent reader, makes of the same file.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"

#ifdef TER5_HAVE_PXLIB
#include <iconv.h>
extern "C" {  // paradox.h declares its functions without C linkage
#include <paradox.h>
}
#endif

namespace ter5::engine {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = TER5_TEST_DATA_DIR;

bool HasExtension(const fs::path& p, const std::string& ext) { return EqualsNoCase(p.extension().string(), ext); }

// Secondary index files (.Xnn, .XGn) are keyed tables of their own.
bool IsSecondaryIndexFile(const fs::path& p) {
    const std::string ext = p.extension().string();
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return ext.size() == 4 && (ext[1] == 'x' || ext[1] == 'X') && (digit(ext[2]) || ext[2] == 'g' || ext[2] == 'G') &&
           digit(ext[3]);
}

// Every .DB and .X file of the data directory, sorted.
std::vector<fs::path> RealTables() {
    std::vector<fs::path> tables;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(kDataDir, ec))
        if (e.is_regular_file() && (HasExtension(e.path(), ".db") || IsSecondaryIndexFile(e.path())))
            tables.push_back(e.path());
    std::sort(tables.begin(), tables.end());
    return tables;
}

// A gtest-friendly name: "leonhad_paradoxdriver_db_AREACODES_DB".
std::string CaseName(const fs::path& p) {
    std::string name = fs::relative(p, kDataDir).string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

bool HeaderSaysEncrypted(const fs::path& p) {
    const auto bytes = ReadWholeFile(p);
    return ParseHeader(bytes.data(), bytes.size(), p.string()).IsEncrypted();
}

class RealTable : public ::testing::TestWithParam<fs::path> {};

TEST(RealTables, DataDirectoryHoldsTheTables) {
    const auto tables = RealTables();
    EXPECT_GE(tables.size(), 40u) << "test data missing under " << kDataDir;
    // Exactly the tables of encrypt/ are password-protected.
    std::vector<std::string> encrypted;
    for (const auto& t : tables)
        if (HeaderSaysEncrypted(t)) encrypted.push_back(t.filename().string());
    EXPECT_EQ(encrypted, (std::vector<std::string>{"encrypted.db", "encrypted35.db", "encryptedmemo.db"}));
}

// Loads and decodes every field of every record, blobs included; password-protected
// tables too.
TEST_P(RealTable, ReadsOrRefusesClearly) {
    const fs::path& path = GetParam();
    const auto table = TableFile::Load(path);
    for (std::size_t i = 0; i < table->RecordCount(); ++i)
        for (std::size_t f = 0; f < table->Fields().size(); ++f) EXPECT_NO_THROW(table->Get(i, f)) << i << ", " << f;
    if (table->RecordCount() == table->Header().numRecords) {
        EXPECT_TRUE(table->Notes().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(All, RealTable, ::testing::ValuesIn(RealTables()),
                         [](const auto& info) { return CaseName(info.param); });

TEST(RealTables, CountMismatchIsANoteNotAnError) {
    // Its header counts 4 records while its only block is empty.
    const auto table = TableFile::Load(kDataDir / "t232006+Individual-dictionary" / "synch1.db");
    EXPECT_EQ(table->RecordCount(), 0u);
    EXPECT_EQ(table->Header().numRecords, 4u);
    ASSERT_FALSE(table->Notes().empty());
    EXPECT_NE(table->Notes()[0].find('4'), std::string::npos);
    EXPECT_EQ(table->Header().sortOrderId, "ancyrr");
    EXPECT_EQ(table->Codec().CodePage(), 1251);
}

#ifdef TER5_HAVE_PXLIB

// Code-page bytes → UTF-8 straight through iconv, for pxlib's raw field names.
std::string IconvToUtf8(const std::string& bytes, int codePage) {
    const std::string from = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv for " + from + ">";
    std::string out(bytes.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok) return "<not convertible>";
    out.resize(out.size() - outLeft);
    return out;
}

// True when UTF-8 text holds a C1 control, which is how the engine keeps a byte
// the code page leaves undefined; iconv refuses such bytes.
bool HasC1Control(const std::string& utf8) {
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i)
        if (static_cast<unsigned char>(utf8[i]) == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            return true;
    return false;
}

// pxlib writes every BCD digit as nibble + '0', ':' and above for invalid nibbles,
// keeps the sign of a zero and ends a number without decimals in '.'. This gives
// the engine's form: digits from the first invalid nibble on read as 0.
std::string NormalizePxlibBcd(std::string s) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.erase(0, 1);
    bool invalid = false;
    for (char& c : s) {
        if (c == '.') continue;
        if (c > '9') invalid = true;
        if (invalid) c = '0';
    }
    if (!s.empty() && s.back() == '.') s.pop_back();
    const std::size_t point = std::min(s.find('.'), s.size());
    std::size_t lead = 0;
    while (lead + 1 < point && s[lead] == '0') ++lead;
    s.erase(0, lead);
    if (s.find_first_not_of("0.") == std::string::npos) negative = false;
    return negative ? "-" + s : s;
}

// One pxlib document, closed with the scope.
class PxTable {
public:
    explicit PxTable(const fs::path& path) {
        doc_ = PX_new3(&PxTable::OnError, nullptr, nullptr, nullptr, this);
        file_ = std::fopen(path.c_str(), "rb");  // PX_open_file wants write access
        if (!doc_ || !file_ || PX_open_fp(doc_, file_) < 0) errors_ += "cannot open with pxlib; ";
        else open_ = true;
    }
    ~PxTable() {
        if (doc_) PX_delete(doc_);
        if (file_) std::fclose(file_);
    }
    PxTable(const PxTable&) = delete;
    PxTable& operator=(const PxTable&) = delete;

    bool Open() const { return open_; }
    pxdoc_t* Doc() const { return doc_; }
    const std::string& Errors() const { return errors_; }

    // Text fields come out as UTF-8, read in `codePage` like the engine's codec.
    bool SetTextPage(int codePage) {
        doc_->px_head->px_doscodepage = codePage;
        return PX_set_targetencoding(doc_, "UTF-8") == 0;
    }

    // Frees a value pxlib allocated.
    void Free(void* p) const {
        if (p) doc_->free(doc_, p);
    }

private:
    static void OnError(pxdoc_t*, int level, const char* message, void* self) {
        if (level != PX_Warning) static_cast<PxTable*>(self)->errors_ += std::string(message) + "; ";
    }

    pxdoc_t* doc_ = nullptr;
    std::FILE* file_ = nullptr;
    bool open_ = false;
    std::string errors_;
};

// Compares one field of a record pxlib read itself with the engine's value.
// Returns false for a NULL, true for a value both readers gave.
bool ExpectSameValue(const PxTable& px, const FieldDesc& f, char* data, const Value& ours) {
    // All zero bytes are NULL for every type. pxlib 0.6.8 tests a 4-byte integer for
    // zero by reading 8 bytes, so its answer for such a field depends on the stack.
    if (std::all_of(data, data + f.length, [](char c) { return c == 0; })) {
        EXPECT_TRUE(ours.IsNull());
        return false;
    }
    EXPECT_FALSE(ours.IsNull());
    pxdoc_t* doc = px.Doc();
    switch (f.type) {
        case FieldType::Alpha: {
            char* text = nullptr;
            const int r = PX_get_data_alpha(doc, data, f.length, &text);
            if (r == 0) EXPECT_TRUE(ours.IsNull());
            else if (r < 0) EXPECT_TRUE(HasC1Control(ours.text)) << "pxlib cannot convert '" << ours.text << "'";
            else EXPECT_EQ(ours.text, std::string(text));
            px.Free(text);
            return true;
        }
        case FieldType::Short: {
            short v = 0;
            if (PX_get_data_short(doc, data, f.length, &v) > 0) EXPECT_EQ(ours.integer, v);
            else EXPECT_TRUE(ours.IsNull());
            return true;
        }
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time: {
            long v = 0;
            if (PX_get_data_long(doc, data, f.length, &v) > 0) EXPECT_EQ(ours.integer, v);
            else EXPECT_TRUE(ours.IsNull());
            return true;
        }
        case FieldType::Number:
        case FieldType::Money:
        case FieldType::Timestamp: {
            double v = 0;
            if (PX_get_data_double(doc, data, f.length, &v) > 0)
                EXPECT_EQ(std::bit_cast<std::uint64_t>(ours.number), std::bit_cast<std::uint64_t>(v)) << ours.number << " vs " << v;
            else EXPECT_TRUE(ours.IsNull());
            return true;
        }
        case FieldType::Logical: {
            char v = 0;
            if (PX_get_data_byte(doc, data, f.length, &v) > 0) EXPECT_EQ(ours.boolean, v != 0);
            else EXPECT_TRUE(ours.IsNull());
            return true;
        }
        case FieldType::Bytes: {
            char* bytes = nullptr;
            // pxlib calls a value NULL when its first byte is zero; the engine only when all are.
            if (PX_get_data_bytes(doc, data, f.length, &bytes) > 0)
                EXPECT_EQ(ours.text, std::string(bytes, static_cast<std::size_t>(f.length)));
            else EXPECT_TRUE(ours.IsNull() || ours.text[0] == '\0');
            px.Free(bytes);
            return true;
        }
        case FieldType::Bcd: {
            char* text = nullptr;
            const int r = PX_get_data_bcd(doc, reinterpret_cast<unsigned char*>(data), f.size, &text);
            if (r > 0) EXPECT_EQ(ours.text, NormalizePxlibBcd(text)) << "pxlib: " << text;
            else EXPECT_TRUE(ours.IsNull());
            px.Free(text);
            return true;
        }
        default:
            ADD_FAILURE() << "blob field in a table compared with pxlib";
            return false;
    }
}

// Compares the whole table read in `codePage` (0: the engine's default) with pxlib.
// Adds the number of non-NULL values compared to `compared`.
void CompareWithPxlib(const fs::path& path, int codePage, std::size_t& compared) {
    const auto table = TableFile::Load(path, codePage);
    const auto& fields = table->Fields();
    PxTable px(path);
    ASSERT_TRUE(px.Open()) << px.Errors();
    const int page = table->Codec().CodePage();
    ASSERT_TRUE(px.SetTextPage(page)) << px.Errors();
    SCOPED_TRACE("code page " + std::to_string(page));

    ASSERT_EQ(PX_get_num_fields(px.Doc()), static_cast<int>(fields.size()));
    const pxfield_t* pxFields = PX_get_fields(px.Doc());
    for (std::size_t f = 0; f < fields.size(); ++f) {
        EXPECT_EQ(static_cast<std::uint8_t>(pxFields[f].px_ftype), static_cast<std::uint8_t>(fields[f].type)) << f;
        EXPECT_EQ(pxFields[f].px_flen, fields[f].length) << f;
        EXPECT_EQ(IconvToUtf8(pxFields[f].px_fname, page), fields[f].name) << f;
    }
    ASSERT_EQ(PX_get_num_records(px.Doc()), static_cast<int>(table->RecordCount()));

    std::vector<char> record(static_cast<std::size_t>(PX_get_recordsize(px.Doc())));
    for (std::size_t i = 0; i < table->RecordCount(); ++i) {
        ASSERT_NE(PX_get_record(px.Doc(), static_cast<int>(i), record.data()), nullptr) << "record " << i << ": " << px.Errors();
        for (std::size_t f = 0; f < fields.size(); ++f) {
            SCOPED_TRACE("record " + std::to_string(i) + ", field " + fields[f].name);
            compared += ExpectSameValue(px, fields[f], record.data() + fields[f].offset, table->Decode(table->Record(i), f));
        }
    }
}

TEST_P(RealTable, ValuesEqualPxlib) {
    const fs::path& path = GetParam();
    const auto table = TableFile::Load(path);
    const auto& fields = table->Fields();
    // pxlib aborts when it opens an existing .MB file.
    if (std::any_of(fields.begin(), fields.end(), [](const FieldDesc& f) { return IsBlobType(f.type); }))
        GTEST_SKIP() << "has blob fields";
    if (table->RecordCount() != table->Header().numRecords) GTEST_SKIP() << "header count disagrees with the blocks";
    std::size_t compared = 0;
    CompareWithPxlib(path, 0, compared);
    if (table->RecordCount() > 0) {
        EXPECT_GT(compared, 0u);
    }
    // Where the header names another real page, read the text in that page too.
    const int headerPage = table->Header().codePage;
    if (headerPage != 0 && headerPage != table->Codec().CodePage()) CompareWithPxlib(path, headerPage, compared);
}

#endif  // TER5_HAVE_PXLIB

}  // namespace
}  // namespace ter5::engine
