// The quick-start list ter.lst and the Wine mapping of the paths in it.

#include "base/QuickStartList.h"

#include <gtest/gtest.h>

#include "BaseFixtures.h"
#include "base/LinuxPlatform.h"
#include "base/WinePaths.h"

namespace ter5::base {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

TEST(QuickStartList, PathJoinsAndSqueezesBackslashes) {
    EXPECT_EQ(QuickStartListPath("C:\\Ter"), "C:\\Ter\\ter.lst");
    EXPECT_EQ(QuickStartListPath("D:\\Prog\\"), "D:\\Prog\\ter.lst");
    EXPECT_EQ(QuickStartListPath("D:\\\\Prog\\\\\\"), "D:\\Prog\\ter.lst");
    // A network share loses one of its two leading backslashes.
    EXPECT_EQ(QuickStartListPath("\\\\server\\share"), "\\server\\share\\ter.lst");
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

    ScratchDir scratch_;
    std::filesystem::path prefix_;
    WinePathMapper mapper_;
};

TEST_F(WineTest, DrivesMapThroughDosdevicesIgnoringCase) {
    std::filesystem::create_directories(prefix_ / "drive_c" / "TER");
    std::filesystem::create_directories(prefix_ / "dosdevices");
    std::filesystem::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    WriteFile(prefix_ / "drive_c" / "TER" / "Ter.Lst", "x");
    EXPECT_EQ(mapper_.ToHost("C:\\Ter\\ter.lst"), (prefix_ / "dosdevices" / "c:" / "TER" / "Ter.Lst").string());
    EXPECT_EQ(mapper_.ToHost("c:/ter/"), (prefix_ / "dosdevices" / "c:" / "TER").string());
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

TEST_F(WineTest, ListIsReadFromTheSettingsDirectory) {
    LinuxPlatform::Options options;
    options.settingsFile = scratch_.Path() / "terrakon.conf";
    options.winePrefix = prefix_;
    LinuxPlatform platform(options);
    // Default C:\Ter: no list there yet.
    EXPECT_FALSE(ReadQuickStartList(platform).has_value());
    WriteFile(prefix_ / "drive_c" / "Ter" / "TER.LST", "C:\\Bases\\A\r\n");
    EXPECT_EQ(ReadQuickStartList(platform), (std::vector<std::string>{"C:\\Bases\\A"}));
    // A machine setting with doubled backslashes names another directory.
    WriteFile(options.settingsFile, "[SOFTWARE\\Terrakon]\nPathWorkFiles=D:\\\\Prog\\\\\n");
    WriteFile(prefix_ / "dosdevices" / "d:" / "Prog" / "ter.lst", "D:\\One\nD:\\Two");
    EXPECT_EQ(ReadQuickStartList(platform), (std::vector<std::string>{"D:\\One", "D:\\Two"}));
}

TEST_F(WineTest, MachineSettingFile) {
    LinuxPlatform::Options options;
    options.settingsFile = scratch_.Path() / "terrakon.conf";
    LinuxPlatform platform(options);
    EXPECT_EQ(platform.ReadMachineSetting("PathWorkFiles", "C:\\Ter\\"), "C:\\Ter\\");
    WriteFile(options.settingsFile, "[Other]\nPathWorkFiles=X:\\\n[software\\terrakon]\npathworkfiles =   \n");
    EXPECT_EQ(platform.ReadMachineSetting("PathWorkFiles", "C:\\Ter\\"), "C:\\Ter\\");
    WriteFile(options.settingsFile, "; comment\n[SOFTWARE\\Terrakon]\r\nPathWorkFiles = \" D:\\Prog \"\r\n");
    EXPECT_EQ(platform.ReadMachineSetting("PathWorkFiles", "C:\\Ter\\"), " D:\\Prog ");
}

}  // namespace
}  // namespace ter5::base
