// Where the companion program's folder (PathWorkFiles) is looked for. On Linux:
// the user's settings file, the Wine prefix's registry in both views, the
// system-wide files new and old, the default; the registry's own text form and the
// Wine prefix. On Windows: the user's settings file, the registry's 64-bit and
// 32-bit views, the default, with the registry written for real.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "BaseFixtures.h"
#include "base/SettingsFile.h"
#ifdef _WIN32
#include "WindowsTestSupport.h"
#include "base/WindowsPlatform.h"
#else
#include "base/LinuxPlatform.h"
#include "base/WineRegistry.h"
#endif

namespace ter5::base {
namespace {

using engine::PathToUtf8;
using testing::ScratchDir;
using testing::WriteFile;

TEST(SettingsFile, Syntax) {
    const SettingsFile file = SettingsFile::Parse(
        "\xEF\xBB\xBF; comment\r\n# another\r\n[General]\r\npathworkfiles = \" D:\\Prog \"\r\n"
        "WinePrefix=~/.wine-ter\nPathWorkFiles=ignored, the first counts\nbroken line\n");
    EXPECT_EQ(file.Value("PathWorkFiles"), " D:\\Prog ");
    EXPECT_EQ(file.Value("WINEPREFIX"), "~/.wine-ter");
    EXPECT_FALSE(file.Value("Other").has_value());
    EXPECT_FALSE(file.Value("PathWorkFiles", "SOFTWARE\\Terrakon").has_value());
    const ScratchDir scratch;
    EXPECT_FALSE(SettingsFile::Load(scratch.Path() / "missing.conf").Exists());
}

#ifndef _WIN32
// Linux only: the Wine prefix's registry files, the system-wide settings files and
// $XDG_CONFIG_HOME belong to LinuxPlatform, which the Windows build leaves out; the
// Windows lookup is tested against the real registry below.

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
#endif

#ifdef _WIN32
using testing::TerrakonKey;

class WindowsMachineSettingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!registry_.Usable()) GTEST_SKIP() << registry_.Problem();
        options_.userSettings = scratch_.Path() / "config" / "ter5manager.conf";
    }

    SettingLookup Lookup() const { return WindowsPlatform(options_).LookupMachineSetting(kPathWorkFiles); }
    std::string Read() const { return WindowsPlatform(options_).ReadMachineSetting(kPathWorkFiles, "C:\\Ter\\"); }
    static std::string View(const char* bits) {
        return std::string("реестр, раздел HKEY_LOCAL_MACHINE\\SOFTWARE\\Terrakon (") + bits +
               "-разрядное представление)";
    }

    ScratchDir scratch_;
    TerrakonKey registry_;
    WindowsPlatform::Options options_;
};

TEST_F(WindowsMachineSettingTest, SettingsFileThenTheTwoRegistryViewsThenTheDefault) {
    WriteFile(options_.userSettings, "PathWorkFiles=E:\\User\n");
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView64, "D:\\Reg64"));
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView32, "D:\\Reg32"));
    SettingLookup found = Lookup();
    EXPECT_EQ(found.value, "E:\\User");
    EXPECT_EQ(found.origin, "файл настроек " + PathToUtf8(options_.userSettings));

    // Blank values count as none: the next place is asked.
    WriteFile(options_.userSettings, "PathWorkFiles=  \n");
    found = Lookup();
    EXPECT_EQ(found.value, "D:\\Reg64");
    EXPECT_EQ(found.origin, View("64"));
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView64, " "));
    found = Lookup();
    EXPECT_EQ(found.value, "D:\\Reg32");
    EXPECT_EQ(found.origin, View("32"));

    // A 32-bit installer's key alone, really only in the 32-bit view.
    registry_.Remove(TerrakonKey::kView64);
    EXPECT_FALSE(TerrakonKey::Exists(TerrakonKey::kView64));
    EXPECT_EQ(Read(), "D:\\Reg32");
    registry_.Remove(TerrakonKey::kView32);
    found = Lookup();
    EXPECT_FALSE(found.value.has_value());
    EXPECT_EQ(found.searched, (std::vector<std::string>{found.searched[0], View("64"), View("32")}));
    EXPECT_EQ(Read(), "C:\\Ter\\");
}

TEST_F(WindowsMachineSettingTest, CyrillicTextAndExpandableText) {
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView64, "C:\\Программы\\Тер 5\\"));
    EXPECT_EQ(Read(), "C:\\Программы\\Тер 5\\");
    // REG_SZ keeps a reference as written; REG_EXPAND_SZ expands it.
    const testing::ScopedEnvironment root(L"TER5_TEST_ROOT", "D:\\Корень");
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView64, "%TER5_TEST_ROOT%\\Тер"));
    EXPECT_EQ(Read(), "%TER5_TEST_ROOT%\\Тер");
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView64, "%ter5_test_root%\\Тер %Unknown%", REG_EXPAND_SZ));
    EXPECT_EQ(Read(), "D:\\Корень\\Тер %Unknown%");
    // A 32-bit installer's %ProgramFiles% is the folder 32-bit programs are in.
    registry_.Remove(TerrakonKey::kView64);
    const testing::ScopedEnvironment x86(L"ProgramFiles(x86)", "D:\\Программы (x86)");
    ASSERT_TRUE(registry_.SetText(TerrakonKey::kView32, "%ProgramFiles%\\Terrakon", REG_EXPAND_SZ));
    EXPECT_EQ(Read(), "D:\\Программы (x86)\\Terrakon");
}

TEST_F(WindowsMachineSettingTest, NumberIsAnErrorNamingTheValueAndItsPlace) {
    ASSERT_TRUE(registry_.SetNumber(TerrakonKey::kView64, 1));
    try {
        Read();
        ADD_FAILURE() << "a number is no folder";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Параметр PathWorkFiles (" + View("64") + ") имеет недопустимый тип REG_DWORD; нужна строка (REG_SZ)");
    }
    // The settings file comes first: the registry is not read then.
    WriteFile(options_.userSettings, "PathWorkFiles=E:\\User\n");
    EXPECT_EQ(Read(), "E:\\User");
}

// %APPDATA% read as UTF-16: a user folder named in Cyrillic on any system.
TEST(WindowsUserSettingsPath, FollowsAppDataElseTheProfile) {
    {
        const testing::ScopedEnvironment appData(L"APPDATA", "C:\\Users\\Иван\\AppData\\Roaming");
        EXPECT_EQ(PathToUtf8(UserSettingsPath()), "C:\\Users\\Иван\\AppData\\Roaming\\ter5manager\\ter5manager.conf");
    }
    const testing::ScopedEnvironment noAppData(L"APPDATA", "");
    const testing::ScopedEnvironment profile(L"USERPROFILE", "C:\\Users\\Иван");
    EXPECT_EQ(PathToUtf8(UserSettingsPath()), "C:\\Users\\Иван\\AppData\\Roaming\\ter5manager\\ter5manager.conf");
}
#endif

}  // namespace
}  // namespace ter5::base
