// Living beside programs that know nothing of our lock: a process with a table's
// file open, one holding a lock on the original engine's lock file, and the same
// from a real Windows program under Wine. Every write is busy and changes no byte;
// reading goes on; once the holder has gone the writes succeed; a lock file that
// nobody holds is left over from a crash and is left alone.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "DataSetTestSupport.h"
#include "ProcessSupport.h"

namespace ter5::engine::testing {
namespace {

// What a test does to a base: writes through the command line, and a read.
struct BaseUnderTest {
    fs::path dir;
    fs::path templates;
    fs::path csv;

    static std::string Q(const fs::path& p) { return "'" + PathToUtf8(p) + "'"; }
    std::vector<std::string> Writes() const {
        return {"append " + Q(dir / "ter.db") + " " + Q(csv),
                "index add " + Q(dir / "ter.db") + " --secondary byFamily Family",
                "reindex " + Q(dir) + " --group 'TER v.5' --table ter.db --templates " + Q(templates)};
    }
    std::string Read() const { return "dump " + Q(dir / "ter.db"); }
};

class CoexistenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        base.dir = root.Path() / "Село";
        base.templates = root.Path() / "templates";
        base.csv = root.Path() / "new.csv";
        ASSERT_EQ(RunTool("demo " + BaseUnderTest::Q(base.dir) + " --parcels 40"), 0);
        ASSERT_EQ(RunTool("templates " + BaseUnderTest::Q(base.templates)), 0);
        std::ofstream(base.csv) << "Code,Family\n990001,Новый владелец\n";
    }
    // Every write is busy naming `program`, and nothing changed; reading works.
    void ExpectBusy(const std::string& program, const std::string& pid) {
        const auto before = Snapshot(base.dir);
        for (const std::string& write : base.Writes()) {
            std::string out;
            EXPECT_NE(RunTool(write, &out), 0) << write;
            EXPECT_NE(out.find("Table is busy (held by " + program + ", process " + pid), std::string::npos)
                << write << "\n" << out;
        }
        EXPECT_EQ(Snapshot(base.dir), before);
        std::string out;
        EXPECT_EQ(RunTool(base.Read(), &out), 0) << out;
    }
    void ExpectWritesWork() {
        for (const std::string& write : base.Writes()) {
            std::string out;
            EXPECT_EQ(RunTool(write, &out), 0) << write << "\n" << out;
        }
        std::string out;
        EXPECT_EQ(RunTool("verify " + BaseUnderTest::Q(base.dir), &out), 0) << out;
    }

    TempDir root;
    BaseUnderTest base;
};

TEST_F(CoexistenceTest, ALinuxProcessWithTheTableOpenOrTheEngineLockFileLockedMakesWritesBusy) {
#ifdef _WIN32
    GTEST_SKIP() << "holds the files with POSIX opens and open-file-description locks; on Windows the "
                    "Windows holder program's tests below hold them";
#endif
    {
        Holder holder("open", base.dir / "ter.db");
        ASSERT_TRUE(holder.Held());
        ExpectBusy("table_holder", std::to_string(holder.Pid()));
    }
    const fs::path lockFile = base.dir / "PARADOX.LCK";
    std::ofstream(lockFile) << std::string(256, 'L');
    const auto lockBytes = ReadWholeFile(lockFile);
    {
        Holder holder("ofd-lock", lockFile);
        ASSERT_TRUE(holder.Held());
        ExpectBusy("table_holder", std::to_string(holder.Pid()));
        std::string out;
        EXPECT_EQ(RunTool("verify " + BaseUnderTest::Q(base.dir / "ter.db"), &out), 0) << out;
        EXPECT_NE(out.find("PARADOX.LCK: held by table_holder"), std::string::npos) << out;
    }
    // Nobody holds it now: left over from a crash, it stops nothing and stays as it is.
    ExpectWritesWork();
    EXPECT_EQ(ReadWholeFile(lockFile), lockBytes);
}

// --- The same against a Windows program under Wine ----------------------------------

// The Wine programs and the Windows holder, or why they are missing. CI sets
// TER5_REQUIRE_WINE so that a missing Wine fails there instead of skipping.
struct WineSetUp {
    std::string wine;
    std::string prefix;
    std::string missing;
};

WineSetUp& Wine() {
    static WineSetUp w;
    return w;
}

#ifndef _WIN32
std::string Which(const std::string& program) {
    std::string out;
    std::FILE* pipe = ::popen(("command -v " + program + " 2>/dev/null").c_str(), "r");
    if (!pipe) return {};
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ::pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// The Windows spelling of a path under Wine's drive Z:, which is the root.
std::string WindowsPath(const fs::path& p) {
    std::string s = "Z:" + fs::absolute(p).string();
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}
#endif

class WineCoexistenceTest : public CoexistenceTest {
protected:
#ifdef _WIN32
    // On Windows (or inside Wine) the holder runs beside us as it is.
    static void SetUpTestSuite() {
        if (std::string(TER5_WINHOLDER_PATH).empty() || !fs::exists(TER5_WINHOLDER_PATH))
            Wine().missing = "the Windows holder program was not built";
    }
    static void TearDownTestSuite() {}
#else
    static void SetUpTestSuite() {
        WineSetUp& w = Wine();
        w.wine = Which("wine");
        if (std::string(TER5_WINHOLDER_PATH).empty() || !fs::exists(TER5_WINHOLDER_PATH))
            w.missing = "the Windows holder program was not built (no MinGW-w64 cross compiler)";
        else if (w.wine.empty())
            w.missing = "Wine is not installed";
        if (!w.missing.empty()) return;
        // A fresh prefix for this run, made before the first program starts.
        w.prefix = (fs::temp_directory_path() / ("ter5-wine-" + std::to_string(::getpid()))).string();
        const std::string env = "WINEPREFIX='" + w.prefix + "' WINEDEBUG=-all ";
        if (std::system((env + "wineboot -i >/dev/null 2>&1").c_str()) != 0) w.missing = "wineboot -i failed";
    }
    static void TearDownTestSuite() {
        WineSetUp& w = Wine();
        if (w.prefix.empty()) return;
        std::system(("WINEPREFIX='" + w.prefix + "' wineserver -k >/dev/null 2>&1").c_str());
        std::error_code ec;
        fs::remove_all(w.prefix, ec);
    }
#endif
    void SetUp() override {
        if (!Wine().missing.empty()) {
            if (std::getenv("TER5_REQUIRE_WINE")) FAIL() << Wine().missing;
            GTEST_SKIP() << Wine().missing;
        }
        CoexistenceTest::SetUp();
    }
    // winholder.exe holding `file` ("open" or "lock") until the end of the scope.
    std::unique_ptr<Child> HoldUnderWine(const std::string& mode, const fs::path& file) {
#ifdef _WIN32
        auto child = std::make_unique<Child>(std::vector<std::string>{TER5_WINHOLDER_PATH, mode, PathToUtf8(file)});
#else
        auto child = std::make_unique<Child>(
            std::vector<std::string>{Wine().wine, TER5_WINHOLDER_PATH, mode, WindowsPath(file)},
            std::vector<std::string>{"WINEPREFIX=" + Wine().prefix, "WINEDEBUG=-all"});
#endif
        EXPECT_TRUE(child->WaitForLine("held")) << mode << " " << file;
        return child;
    }
};

TEST_F(WineCoexistenceTest, ATableAWindowsProgramHasOpenIsBusyForEveryWrite) {
    {
        auto holder = HoldUnderWine("open", base.dir / "ter.db");
        ExpectBusy("winholder.exe", "");
        holder->Release();
        EXPECT_EQ(holder->Wait(), 0);
    }
    ExpectWritesWork();
}

TEST_F(WineCoexistenceTest, AWindowsProgramHoldingTheEngineLockFileMakesTheDirectoryBusy) {
    const fs::path lockFile = base.dir / "PARADOX.LCK";
    std::ofstream(lockFile) << std::string(256, 'L');
    const auto lockBytes = ReadWholeFile(lockFile);
    {
        auto holder = HoldUnderWine("lock", lockFile);
        ExpectBusy("winholder.exe", "");
        std::string out;
        EXPECT_EQ(RunTool("verify " + BaseUnderTest::Q(base.dir / "ter.db"), &out), 0) << out;
        EXPECT_NE(out.find("PARADOX.LCK: held by winholder.exe"), std::string::npos) << out;
        holder->Release();
        EXPECT_EQ(holder->Wait(), 0);
    }
    ExpectWritesWork();
    EXPECT_EQ(ReadWholeFile(lockFile), lockBytes);
}

}  // namespace
}  // namespace ter5::engine::testing
