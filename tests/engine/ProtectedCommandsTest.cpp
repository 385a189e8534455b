// The command line on a password-protected base: every command that reads prints
// what it prints on the same base unprotected, `info` says the tables are
// protected, and the writes (append, index add, reindex) keep every file protected
// with its own word while the contents follow the plain twin's.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "DataSetTestSupport.h"
#include "ProcessSupport.h"
#include "ProtectionSupport.h"
#include "engine/TableFile.h"

namespace ter5::engine::testing {
namespace {

std::string Q(const fs::path& p) { return "'" + PathToUtf8(p) + "'"; }

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

// The lines of `text` that do not hold `part`.
std::string Without(const std::string& text, const std::string& part) {
    std::istringstream in(text);
    std::string out, line;
    while (std::getline(in, line))
        if (line.find(part) == std::string::npos) out += line + "\n";
    return out;
}

std::string FilesOf(const fs::path& dir) {
    std::string all;
    for (const auto& [name, bytes] : Snapshot(dir)) all += name + ":" + std::string(bytes.begin(), bytes.end()) + "\n";
    return all;
}

class ProtectedCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        plain = root.Path() / "plain";
        guarded = root.Path() / "guarded";
        ASSERT_EQ(RunTool("demo " + Q(plain) + " --parcels 30"), 0);
        fs::copy(plain, guarded);
        ProtectTables(guarded, kSampleProtection);
        ASSERT_EQ(ProtectionOf(guarded / "ter.db"), kSampleProtection);
        ASSERT_EQ(RunTool("templates " + Q(root.Path() / "templates")), 0);
    }

    // Runs `command` with {B} standing for the base and {O} for an output directory
    // of the base's own; returns exit code, output and written files with the base
    // directory's name taken out.
    std::string Run(const std::string& command, const fs::path& base) {
        const fs::path out = root.Path() / ("out-" + base.filename().string());
        fs::remove_all(out);
        fs::create_directories(out);
        std::string line = command, output;
        ReplaceAll(line, "{B}", PathToUtf8(base));
        ReplaceAll(line, "{O}", PathToUtf8(out));
        const int code = RunTool(line, &output);
        std::string result = "exit " + std::to_string(code) + "\n" + output + FilesOf(out);
        for (std::string dir : {PathToUtf8(base), PathToUtf8(base.lexically_normal().make_preferred())})
            ReplaceAll(result, dir, "{B}");
        for (std::string dir : {PathToUtf8(out), PathToUtf8(out.lexically_normal().make_preferred())})
            ReplaceAll(result, dir, "{O}");
        return result;
    }

    // The same command on both bases prints the same.
    void ExpectSame(const std::string& command) {
        EXPECT_EQ(Run(command, guarded), Run(command, plain)) << command;
    }

    // The first value of `field` the table's dump shows.
    std::string FirstValue(const std::string& table, const std::string& field) {
        const auto t = TableFile::Load(plain / table);
        return FormatValueText(t->Fields()[static_cast<std::size_t>(t->RequireField(field))].type,
                               t->Get(0, static_cast<std::size_t>(t->RequireField(field))));
    }

    TempDir root;
    fs::path plain, guarded;
};

TEST_F(ProtectedCommandsTest, EveryReadingCommandPrintsWhatItPrintsOnThePlainBase) {
    const std::string owner = FirstValue("ter.db", "Family").substr(0, 4);
    const std::string cadastral = FirstValue("subter.db", "IdentificationCode");
    const std::vector<std::string> commands{
        "dump '{B}/ter.db'", "dump '{B}/subter.db'", "scan '{B}/POLIGON.DB'", "dump '{B}/POLIGON.XG0'",
        "sql '{B}' \"select Family, Poligon from ter where Family like '%a%' order by Family\"", "verify '{B}'",
        "geometry '{B}'", "search '{B}' --owner '" + owner + "'", "search '{B}' --cadastral '" + cadastral + "'",
        "render '{B}' -o '{O}/map.svg'", "export '{B}' -o '{O}/base.geojson'", "export '{B}' -o '{O}/base.csv'"};
    for (const std::string& command : commands) ExpectSame(command);

    // info: the same, and each file says it is password-protected.
    const std::string info = Run("info '{B}' '{B}/POLIGON.PX'", guarded);
    EXPECT_EQ(Without(info, "password-protected"), Run("info '{B}' '{B}/POLIGON.PX'", plain));
    std::size_t said = 0;
    for (std::size_t at = info.find("protection       password-protected"); at != std::string::npos;
         at = info.find("protection       password-protected", at + 1))
        ++said;
    EXPECT_EQ(said, 4u) << info;  // three tables and the .PX
}

TEST_F(ProtectedCommandsTest, WritesKeepTheBaseProtected) {
    const fs::path csv = root.Path() / "new.csv";
    std::ofstream(csv) << "Code,Family\n990001,Тайный владелец\n990002,Secret Owner\n";
    const std::vector<std::string> writes{"append '{B}/ter.db' " + Q(csv),
                                          "index add '{B}/ter.db' --secondary byFamily Family",
                                          "reindex '{B}' --group 'TER v.5' --templates " + Q(root.Path() / "templates"),
                                          "index add '{B}/POLIGON.DB' --secondary Ter Ter"};
    for (const std::string& command : writes) ExpectSame(command);
    ExpectSame("dump '{B}/ter.db'");
    ExpectSame("verify '{B}'");
    ExpectSame("geometry '{B}'");

    // Every table and index file still carries the word; the data shows no plain text.
    for (const auto& [name, bytes] : Snapshot(guarded)) {
        const std::string ext = UpperExtension(name);
        if (ext == ".DB" || IsIndexExtension(ext)) {
            EXPECT_EQ(ProtectionOf(guarded / name), kSampleProtection) << name;
        }
    }
    EXPECT_FALSE(FileHolds(guarded / "ter.db", "Secret Owner"));
    EXPECT_TRUE(FileHolds(plain / "ter.db", "Secret Owner"));

#ifdef TER5_HAVE_PXLIB
    ExpectPxlibReadsTheRecords(guarded / "ter.db");
#endif
}

}  // namespace
}  // namespace ter5::engine::testing
