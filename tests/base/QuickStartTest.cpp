// The quick-start list ter.lst, where it is read from, and the Wine mapping of the
// paths in it.

#include "base/QuickStartList.h"

#include <gtest/gtest.h>

#include "BaseFixtures.h"
#include "base/WinePaths.h"
#ifdef _WIN32
#include "base/WindowsPlatform.h"
#else
#include "base/LinuxPlatform.h"
#endif

namespace ter5::base {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

TEST(QuickStartList, PathJoinsAndSqueezesBackslashes) {
    EXPECT_EQ(QuickStartListPath("C:\\Ter"), "C:\\Ter\\ter.lst");
    EXPECT_EQ(QuickStartListPath("D:\\Prog\\"), "D:\\Prog\\ter.lst");
    EXPECT_EQ(QuickStartListPath("D:\\\\Prog\\\\\\"), "D:\\Prog\\ter.lst");
    // A network share keeps its two leading backslashes, as the executables do.
    EXPECT_EQ(QuickStartListPath("\\\\server\\share"), "\\\\server\\share\\ter.lst");
    EXPECT_EQ(QuickStartListPath("\\\\\\server\\\\share\\"), "\\\\server\\share\\ter.lst");
}

TEST(QuickStartList, LinesAreWindows1251WithoutTheirLineEnds) {
    // "C:\Базы\Город" in Windows-1251, CRLF line ends, an empty line, a last line without end.
    const std::string bytes = "C:\\\xC1\xE0\xE7\xFB\\\xC3\xEE\xF0\xEE\xE4\r\n\r\nD:\\Work \r\nE:\\Last";
    EXPECT_EQ(ParseQuickStartList(bytes),
              (std::vector<std::string>{"C:\\Базы\\Город", "", "D:\\Work ", "E:\\Last"}));
    // The final line end opens no further line; a bare LF ends a line as well.
    EXPECT_EQ(ParseQuickStartList("A\nB\r\n"), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(ParseQuickStartList("").empty());
}

TEST(QuickStartList, CaptionLosesAcceleratorMarks) {
    EXPECT_EQ(QuickStartDirectory("C:\\Bases\\&Town"), "C:\\Bases\\Town");
    EXPECT_EQ(QuickStartDirectory("&&A&"), "A");
}

class WineTest : public ::testing::Test {
protected:
    WineTest() : prefix_(scratch_.Make("prefix")), mapper_(prefix_) {}
#ifdef _WIN32
    void SetUp() override {
        GTEST_SKIP() << "the Wine path mapping serves the Linux platform layer only; Windows paths are used as they are";
    }
#endif

    ScratchDir scratch_;
    std::filesystem::path prefix_;
    WinePathMapper mapper_;
};

TEST_F(WineTest, DrivesMapThroughDosdevicesIgnoringCase) {
    std::filesystem::create_directories(prefix_ / "drive_c" / "TER");
    std::filesystem::create_directories(prefix_ / "dosdevices");
    std::filesystem::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    WriteFile(prefix_ / "drive_c" / "TER" / "Ter.Lst", "x");
    // The drive link is resolved: the path is shown where a file manager finds it.
    EXPECT_EQ(mapper_.ToHost("C:\\Ter\\ter.lst"), (prefix_ / "drive_c" / "TER" / "Ter.Lst").string());
    EXPECT_EQ(mapper_.ToHost("c:/ter/"), (prefix_ / "drive_c" / "TER").string());
    // What does not exist is kept as written.
    EXPECT_EQ(mapper_.ToHost("D:\\Bases\\Town"), (prefix_ / "dosdevices" / "d:" / "Bases" / "Town").string());
    EXPECT_EQ(mapper_.ToHost("\\\\server\\share\\b"), (prefix_ / "dosdevices" / "unc" / "server" / "share" / "b").string());
}

TEST_F(WineTest, DriveCWithoutDosdevicesLinkAndHostPaths) {
    std::filesystem::create_directories(prefix_ / "drive_c" / "Ter");
    EXPECT_EQ(mapper_.ToHost("C:\\Ter"), (prefix_ / "drive_c" / "Ter").string());
    EXPECT_EQ(mapper_.ToHost("/home/user/bases"), "/home/user/bases");
    EXPECT_EQ(mapper_.ToHost("/opt/ter\\ter.lst"), "/opt/ter/ter.lst");
    EXPECT_TRUE(WinePathMapper::IsWindowsPath("z:\\"));
    EXPECT_FALSE(WinePathMapper::IsWindowsPath("/c:"));
}

// A real prefix's links: c: relative to drive_c, z: to the root, d: to a folder of
// its own. Host paths are named from the drive nearest to them, as Wine names them.
TEST_F(WineTest, DriveLinksResolvedBothWays) {
    const auto dosdevices = prefix_ / "dosdevices";
    const auto data = scratch_.Make("data");
    std::filesystem::create_directories(prefix_ / "drive_c" / "Bases" / "Село");
    std::filesystem::create_directories(dosdevices);
    std::filesystem::create_directory_symlink("../drive_c", dosdevices / "c:");
    std::filesystem::create_directory_symlink(data, dosdevices / "d:");
    EXPECT_EQ(mapper_.ToHost("C:\\Bases\\Село"), (prefix_ / "drive_c" / "Bases" / "Село").string());
    EXPECT_EQ(mapper_.ToHost("d:\\Town"), (data / "Town").string());
    EXPECT_EQ(mapper_.ToWindows((prefix_ / "drive_c" / "Bases" / "Село").string()), "C:\\Bases\\Село");
    EXPECT_EQ(mapper_.ToWindows((dosdevices / "c:" / "Bases").string()), "C:\\Bases");
    EXPECT_EQ(mapper_.ToWindows((prefix_ / "drive_c").string()), "C:\\");
    EXPECT_EQ(mapper_.ToWindows((data / "Town").string()), "D:\\Town");
    // Outside every drive: Wine's own form for a Unix path.
    EXPECT_EQ(mapper_.ToWindows("/etc/ter5"), "\\\\?\\unix\\etc\\ter5");
    // With z: at the root, everything else is on Z:; D: stays the nearer drive.
    std::filesystem::create_directory_symlink("/", dosdevices / "z:");
    EXPECT_EQ(mapper_.ToWindows("/etc/ter5"), "Z:\\etc\\ter5");
    EXPECT_EQ(mapper_.ToWindows((data / "Town").string()), "D:\\Town");
    EXPECT_EQ(mapper_.ToHost("Z:\\etc\\ter5"), "/etc/ter5");
}

#ifndef _WIN32
// Linux only (LinuxPlatform and its Wine prefix are not in the Windows build; the
// Windows reading is the next test).
TEST_F(WineTest, ListIsReadFromTheSettingsDirectory) {
    LinuxPlatform::Options options;
    options.userSettings = scratch_.Path() / "ter5manager.conf";
    options.winePrefix = prefix_;
    LinuxPlatform platform(options);
    // Default C:\Ter: no list there yet.
    EXPECT_FALSE(ReadQuickStartList(platform).has_value());
    WriteFile(prefix_ / "drive_c" / "Ter" / "TER.LST", "C:\\Bases\\A\r\n");
    EXPECT_EQ(ReadQuickStartList(platform), (std::vector<std::string>{"C:\\Bases\\A"}));
    // A machine setting with doubled backslashes names another directory.
    WriteFile(options.userSettings, "PathWorkFiles=D:\\\\Prog\\\\\n");
    WriteFile(prefix_ / "dosdevices" / "d:" / "Prog" / "ter.lst", "D:\\One\nD:\\Two");
    EXPECT_EQ(ReadQuickStartList(platform), (std::vector<std::string>{"D:\\One", "D:\\Two"}));
    // A companion program on a network share keeps its list beside its executables.
    WriteFile(options.userSettings, "PathWorkFiles=\\\\srv\\ter\n");
    WriteFile(prefix_ / "dosdevices" / "unc" / "srv" / "ter" / "ter.lst", "\\\\srv\\bases\\A");
    EXPECT_EQ(ReadQuickStartList(platform), (std::vector<std::string>{"\\\\srv\\bases\\A"}));
}
#endif

#ifdef _WIN32
// The list in the folder the setting names, doubled backslashes and all, in a folder
// with a Cyrillic name.
TEST(WindowsQuickStart, ListIsReadFromTheCompanionDirectory) {
    const ScratchDir scratch;
    const auto companion = scratch.Make("Программы Тер");
    WindowsPlatform platform({scratch.Path() / "ter5manager.conf"});
    WriteFile(scratch.Path() / "ter5manager.conf",
              "PathWorkFiles=" + engine::PathToUtf8(companion) + "\\\\\n");
    EXPECT_FALSE(ReadQuickStartList(platform).has_value());
    WriteFile(companion / "TER.LST", "C:\\\xC1\xE0\xE7\xFB\\A\r\nD:\\B");
    EXPECT_EQ(ReadQuickStartList(platform), (std::vector<std::string>{"C:\\Базы\\A", "D:\\B"}));
}
#endif

}  // namespace
}  // namespace ter5::base
