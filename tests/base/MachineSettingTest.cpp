// Where the companion program's folder (PathWorkFiles) and the Wine prefix are
// looked for: the user's settings file, the prefix's registry in both views, the
// system-wide files new and old, the default; and the registry's own text form.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "BaseFixtures.h"
#include "base/LinuxPlatform.h"
#include "base/SettingsFile.h"
#include "base/WineRegistry.h"

namespace ter5::base {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

// A registry file as wineserver saves it.
std::string SystemReg(const std::string& keys) {
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n" + keys;
}

class MachineSettingTest : public ::testing::Test {
protected:
    MachineSettingTest() {
        options_.userSettings = scratch_.Path() / "config" / "ter5manager" / "ter5manager.conf";
        options_.systemSettings = scratch_.Path() / "etc" / "ter5manager.conf";
        options_.legacySettings = scratch_.Path() / "etc" / "terrakon.conf";
        options_.winePrefix = scratch_.Make("prefix");
        registry_ = options_.winePrefix / "system.reg";
    }

    SettingLookup Lookup() const { return LinuxPlatform(options_).LookupMachineSetting(kPathWorkFiles); }
    std::string Read() const { return LinuxPlatform(options_).ReadMachineSetting(kPathWorkFiles, "C:\\Ter\\"); }

    ScratchDir scratch_;
    LinuxPlatform::Options options_;
    std::filesystem::path registry_;
};

TEST_F(MachineSettingTest, FirstPlaceHoldingAValueWins) {
    WriteFile(options_.userSettings, "# mine\nPathWorkFiles = E:\\User\n");
    WriteFile(registry_, SystemReg("[Software\\\\Terrakon] 1796782727\n#time=1dd8\n\"PathWorkFiles\"=\"D:\\\\Reg64\"\n\n"
                                   "[Software\\\\Wow6432Node\\\\Terrakon] 1796782728\n"
                                   "\"PathWorkFiles\"=\"D:\\\\Reg32\"\n"));
    WriteFile(options_.systemSettings, "PathWorkFiles=F:\\System\n");
    WriteFile(options_.legacySettings, "[Other]\nPathWorkFiles=X:\\\n[SOFTWARE\\Terrakon]\nPathWorkFiles=G:\\Old\n");

    SettingLookup found = Lookup();
    EXPECT_EQ(found.value, "E:\\User");
    EXPECT_EQ(found.origin, "файл настроек " + options_.userSettings.string());

    // A blank value counts as none: the next place is asked.
    WriteFile(options_.userSettings, "PathWorkFiles=   \n");
    found = Lookup();
    EXPECT_EQ(found.value, "D:\\Reg64");
    EXPECT_EQ(found.origin, "реестр Wine " + registry_.string() + ", раздел HKEY_LOCAL_MACHINE\\Software\\Terrakon");

    WriteFile(registry_, SystemReg("[Software\\\\Wow6432Node\\\\Terrakon] 1\n\"PathWorkFiles\"=\"D:\\\\Reg32\"\n"));
    EXPECT_EQ(Read(), "D:\\Reg32");
    std::filesystem::remove(registry_);
    EXPECT_EQ(Read(), "F:\\System");
    std::filesystem::remove(options_.systemSettings);
    // The old file counts only in its section.
    EXPECT_EQ(Read(), "G:\\Old");
    std::filesystem::remove(options_.legacySettings);
    found = Lookup();
    EXPECT_FALSE(found.value.has_value());
    EXPECT_EQ(Read(), "C:\\Ter\\");
    EXPECT_EQ(found.searched.size(), 5u);  // user file, two registry views, two system files
}

TEST_F(MachineSettingTest, SettingsFileSyntax) {
    const SettingsFile file = SettingsFile::Parse(
        "\xEF\xBB\xBF; comment\r\n# another\r\n[General]\r\npathworkfiles = \" D:\\Prog \"\r\n"
        "WinePrefix=~/.wine-ter\nPathWorkFiles=ignored, the first counts\nbroken line\n");
    EXPECT_EQ(file.Value("PathWorkFiles"), " D:\\Prog ");
    EXPECT_EQ(file.Value("WINEPREFIX"), "~/.wine-ter");
    EXPECT_FALSE(file.Value("Other").has_value());
    EXPECT_FALSE(file.Value("PathWorkFiles", "SOFTWARE\\Terrakon").has_value());
    EXPECT_FALSE(SettingsFile::Load(scratch_.Path() / "missing.conf").Exists());
}

TEST_F(MachineSettingTest, WineEscapesAndValueForms) {
    // "C:\Программы\Тер 5\", as `wine reg add` saved it; a Latin letter after a
    // Cyrillic one makes Wine write four hex digits; quotes and control escapes.
    WriteFile(registry_,
              SystemReg("[SOFTWARE\\\\TERRAKON] 1796782727\n"
                        "\"Num\"=dword:00000005\n"
                        "\"Other\"=str(2):\"%ProgramFiles%\\\\Ter \\\"x\\\"\"\n"
                        "\"PathWorkFiles\"=\"C:\\\\\\x41f\\x440\\x43e\\x433\\x440\\x430\\x43c\\x43c\\x44b\\\\\\x422"
                        "\\x435\\x440 5\\\\\"\n"
                        "\"Mixed\"=\"\\x0430b\\t\\101\"\n"
                        "\"Hex\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,44,00,72,00,69,00,76,00,\\\n"
                        "  65,00,25,00,5c,00,54,00,00,00\n"
                        "@=\"default\"\n\n"
                        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1\n"
                        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"
                        "\"ProgramFilesDir (x86)\"=\"C:\\\\Program Files (x86)\"\n"));
    EXPECT_EQ(Read(), "C:\\Программы\\Тер 5\\");
    const auto text = [&](const char* name) { return ReadWineRegistryValue(registry_, "Software\\Terrakon", name); };
    EXPECT_EQ(text("mixed")->text, "аb\tA");
    EXPECT_EQ(text("@")->text, "default");
    EXPECT_EQ(text("Other")->type, kRegExpandSz);
    EXPECT_EQ(ExpandWineEnvironment(text("Other")->text, registry_, false), "C:\\Program Files\\Ter \"x\"");
    EXPECT_EQ(ExpandWineEnvironment(text("Other")->text, registry_, true), "C:\\Program Files (x86)\\Ter \"x\"");
    EXPECT_EQ(text("Hex")->text, "%SystemDrive%\\T");
    EXPECT_EQ(ExpandWineEnvironment("%SystemDrive%\\T %unknown% 100%", registry_, false), "C:\\T %unknown% 100%");
    EXPECT_FALSE(text("Missing").has_value());
    EXPECT_FALSE(ReadWineRegistryValue(registry_, "Software\\Other", "PathWorkFiles").has_value());
}

TEST_F(MachineSettingTest, ExpandableValueIsExpandedNumberIsAnError) {
    WriteFile(registry_, SystemReg("[Software\\\\Wow6432Node\\\\Terrakon] 1\n"
                                   "\"PathWorkFiles\"=str(2):\"%ProgramFiles%\\\\Terrakon\"\n"));
    EXPECT_EQ(Read(), "C:\\Program Files (x86)\\Terrakon");
    WriteFile(registry_, SystemReg("[Software\\\\Terrakon] 1\n\"PathWorkFiles\"=dword:00000001\n"));
    try {
        Read();
        ADD_FAILURE() << "a number is no folder";
    } catch (const std::runtime_error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(registry_.string()), std::string::npos) << message;
        EXPECT_NE(message.find("REG_DWORD"), std::string::npos) << message;
    }
}

TEST_F(MachineSettingTest, WinePrefixFromOptionsThenSettingsThenHome) {
    const auto other = scratch_.Make("other-prefix");
    WriteFile(other / "system.reg", SystemReg("[Software\\\\Terrakon] 1\n\"PathWorkFiles\"=\"D:\\\\Other\"\n"));
    WriteFile(options_.userSettings, "WinePrefix=" + other.string() + "\n");
    // An explicit prefix ($WINEPREFIX) comes first.
    EXPECT_EQ(LinuxPlatform(options_).WinePrefix(), options_.winePrefix);
    options_.winePrefix.clear();
    EXPECT_EQ(LinuxPlatform(options_).WinePrefix(), other);
    EXPECT_EQ(Read(), "D:\\Other");
    // "~/" is the home directory; without any setting the prefix is ~/.wine.
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    ::setenv("HOME", scratch_.Str().c_str(), 1);
    WriteFile(options_.userSettings, "WinePrefix=~/other-prefix\n");
    EXPECT_EQ(LinuxPlatform(options_).WinePrefix(), other);
    std::filesystem::remove(options_.userSettings);
    EXPECT_EQ(LinuxPlatform(options_).WinePrefix(), scratch_.Path() / ".wine");
    ::setenv("HOME", home.c_str(), 1);
}

TEST(UserSettingsPath, FollowsXdgConfigHome) {
    const ScratchDir scratch;
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", scratch.Str().c_str(), 1);
    EXPECT_EQ(UserSettingsPath(), scratch.Path() / "ter5manager" / "ter5manager.conf");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    EXPECT_EQ(UserSettingsPath().filename(), "ter5manager.conf");
    EXPECT_EQ(UserSettingsPath().parent_path().parent_path().filename(), ".config");
    if (saved) ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace ter5::base
