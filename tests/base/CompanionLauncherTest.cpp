// Starting the companion program: the base checks and their messages, the
// executable directory from the machine setting, the order the executables are
// tried in, and the start through Wine on Linux and by CreateProcess on Windows.

#include "base/CompanionLauncher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "BaseFixtures.h"
#ifdef _WIN32
#include "WindowsTestSupport.h"
#include "base/WindowsPlatform.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include "base/LinuxPlatform.h"
#endif

namespace ter5::base {
namespace {

using engine::PathFromUtf8;
using engine::PathToUtf8;
using testing::ScratchDir;
using testing::WriteFile;

#ifndef _WIN32
// Linux only: the start through Wine (a stand-in `wine` script records it) and the
// Wine prefix's drives belong to LinuxPlatform, which the Windows build leaves out;
// the Windows start is tested with a real Windows program below.

// A Wine prefix with a companion directory C:\Ter, a settings file, a base, and
// a fake `wine` on the search path recording its arguments and working directory.
class CompanionTest : public ::testing::Test {
protected:
    void SetUp() override {
        options_.userSettings = scratch_.Path() / "config" / "ter5manager.conf";
        options_.systemSettings = scratch_.Path() / "etc" / "ter5manager.conf";
        options_.legacySettings = scratch_.Path() / "etc" / "terrakon.conf";
        options_.winePrefix = scratch_.Make("prefix");
        options_.searchPath = scratch_.Make("bin").string();
        companion_ = scratch_.Make("prefix/drive_c/Ter");
        base_ = scratch_.Make("bases/Town").string();
        testing::WriteSampleBase(base_);
        record_ = scratch_.Path() / "wine-record.txt";
    }

    void InstallWine() {
        const auto wine = scratch_.Path() / "bin" / "wine";
        WriteFile(wine, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; echo \"$WINEPREFIX\"; } > '" +
                            record_.string() + ".tmp' && mv '" + record_.string() + ".tmp' '" + record_.string() +
                            "'\n");
        ::chmod(wine.c_str(), 0755);
    }

    void AddExecutable(const std::string& name) { WriteFile(companion_ / name, "MZ"); }

    // Launches on `base`, collecting the messages.
    bool Launch(const std::string& base) {
        LinuxPlatform platform(options_);
        CompanionLauncher launcher(platform, [this](const std::string& m) { messages_.push_back(m); });
        return launcher.Launch(base).outcome == LaunchOutcome::Started;
    }

    // The lines the fake wine wrote, once it has written them.
    std::vector<std::string> WineRecord() {
        for (int i = 0; i < 400 && !std::filesystem::exists(record_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(record_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    ScratchDir scratch_;
    LinuxPlatform::Options options_;
    std::filesystem::path companion_;
    std::string base_;
    std::filesystem::path record_;
    std::vector<std::string> messages_;
};

TEST_F(CompanionTest, FirstPresentExecutableStartsThroughWineInTheBase) {
    InstallWine();
    AddExecutable("ter5kx.EXE");  // any case
    AddExecutable("Mbook.exe");
    EXPECT_TRUE(Launch(base_));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(WineRecord(), (std::vector<std::string>{std::filesystem::canonical(base_).string(),
                                                      "C:\\Ter\\Ter5Kx.exe", options_.winePrefix.string()}));
}

TEST_F(CompanionTest, ExecutablesAreTriedInTheirOrder) {
    LinuxPlatform platform(options_);
    CompanionLauncher launcher(platform, [](const std::string&) {});
    EXPECT_FALSE(launcher.FindExecutable().has_value());
    const std::vector<std::string> reversed = {"Mbook.exe", "Ter5Rc.exe", "Ter5LtKx.exe",
                                               "Ter5Kx.exe", "Ter5Lt.exe", "Ter5.exe"};
    for (const std::string& name : reversed) {
        AddExecutable(name);
        EXPECT_EQ(launcher.FindExecutable(), "C:\\Ter\\" + name);
    }
}

TEST_F(CompanionTest, ExecutableDirectoryFromTheMachineSetting) {
    LinuxPlatform platform(options_);
    CompanionLauncher launcher(platform, [](const std::string&) {});
    EXPECT_EQ(launcher.ExecutableDirectory(), "C:\\Ter\\");
    for (const char* value : {"D:\\Prog", "D:\\Prog\\"}) {
        WriteFile(options_.userSettings, std::string("PathWorkFiles=") + value + "\n");
        EXPECT_EQ(launcher.ExecutableDirectory(), "D:\\Prog\\");
    }
    // A network share keeps both of its leading backslashes here.
    WriteFile(options_.userSettings, "PathWorkFiles=\\\\srv\\ter\n");
    EXPECT_EQ(launcher.ExecutableDirectory(), "\\\\srv\\ter\\");
    WriteFile(companion_.parent_path().parent_path() / "dosdevices" / "unc" / "srv" / "ter" / "Ter5.exe", "MZ");
    EXPECT_EQ(launcher.FindExecutable(), "\\\\srv\\ter\\Ter5.exe");
}

TEST_F(CompanionTest, MissingDirectoryGivesBothMessagesAndStartsNothing) {
    InstallWine();
    AddExecutable("Ter5.exe");
    const std::string missing = scratch_.Str() + "/bases/Gone";
    EXPECT_FALSE(Launch(missing));
    EXPECT_EQ(messages_, (std::vector<std::string>{
                             "Не найден выбранный каталог " + missing + " !",
                             "В каталое " + missing + " не найдены рабочие базы нанных программы TER v.5 !"}));
    // Two of the three tables: only the second message.
    messages_.clear();
    std::filesystem::remove(std::filesystem::path(base_) / "POLIGON.DB");
    EXPECT_FALSE(Launch(base_));
    EXPECT_EQ(messages_, (std::vector<std::string>{CompanionLauncher::TablesMissingMessage(base_)}));
    EXPECT_FALSE(std::filesystem::exists(record_));
}

// None of the six present would look like success: the message names the folder
// searched (as set and where it lies) and where it is set.
TEST_F(CompanionTest, MissingExecutableAndMissingWineAreReported) {
    InstallWine();
    EXPECT_FALSE(Launch(base_));
    ASSERT_EQ(messages_.size(), 1u);
    const std::string& text = messages_[0];
    EXPECT_EQ(text.rfind("Программа TER v.5 не найдена: в каталоге C:\\Ter\\ (" + companion_.string() + ")", 0), 0u)
        << text;
    EXPECT_NE(text.find("Ter5.exe, Ter5Lt.exe, Ter5Kx.exe, Ter5LtKx.exe, Ter5Rc.exe, Mbook.exe"), std::string::npos);
    EXPECT_NE(text.find("взят по умолчанию"), std::string::npos) << text;
    EXPECT_NE(text.find("PathWorkFiles в файле настроек " + options_.userSettings.string()), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(record_));

    // A folder set in the settings file is named with its origin.
    messages_.clear();
    WriteFile(options_.userSettings, "PathWorkFiles=D:\\Prog\n");
    EXPECT_FALSE(Launch(base_));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("в каталоге D:\\Prog\\"), std::string::npos) << messages_[0];
    EXPECT_NE(messages_[0].find("Этот каталог задан: файл настроек " + options_.userSettings.string()),
              std::string::npos)
        << messages_[0];

    messages_.clear();
    std::filesystem::remove(options_.userSettings);
    std::filesystem::remove(scratch_.Path() / "bin" / "wine");
    AddExecutable("Ter5.exe");
    EXPECT_FALSE(Launch(base_));  // no wine on the search path
    EXPECT_EQ(messages_, (std::vector<std::string>{CompanionLauncher::WineMissingMessage()}));
}

TEST_F(CompanionTest, FailedStartIsReported) {
    // A "wine" that exists but cannot be executed.
    WriteFile(scratch_.Path() / "bin" / "wine", "#!/nonexistent/interpreter\n");
    ::chmod((scratch_.Path() / "bin" / "wine").c_str(), 0755);
    AddExecutable("Ter5.exe");
    EXPECT_FALSE(Launch(base_));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].rfind("Невозможно запустить программу C:\\Ter\\Ter5.exe", 0), 0u) << messages_[0];
}

// Wine ending at once with an error (it could not open the program) is a failed start,
// not a silent one.
TEST_F(CompanionTest, WineEndingWithAnErrorIsReported) {
    WriteFile(scratch_.Path() / "bin" / "wine", "#!/bin/sh\nexit 53\n");
    ::chmod((scratch_.Path() / "bin" / "wine").c_str(), 0755);
    AddExecutable("Ter5.exe");
    EXPECT_FALSE(Launch(base_));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("Wine завершился с кодом 53"), std::string::npos) << messages_[0];
}

// Under a locale that is not installed Wine would read the program's path as ASCII and
// fail on "C:\Программы": it is given a UTF-8 character type instead.
TEST_F(CompanionTest, WineGetsAUtf8CharacterType) {
    const auto wine = scratch_.Path() / "bin" / "wine";
    WriteFile(wine, "#!/bin/sh\n{ echo \"$LC_ALL\"; echo \"$1\"; } > '" + record_.string() + ".tmp' && /bin/mv '" +
                        record_.string() + ".tmp' '" + record_.string() + "'\n");
    ::chmod(wine.c_str(), 0755);
    WriteFile(options_.userSettings, "PathWorkFiles=C:\\Программы\\Тер\n");
    WriteFile(options_.winePrefix / "drive_c" / "Программы" / "Тер" / "Ter5.exe", "MZ");
    const char* saved = std::getenv("LC_ALL");
    const std::string previous = saved ? saved : "";
    ::setenv("LC_ALL", "xx_XX.UTF-8", 1);
    const bool started = Launch(base_);
    if (saved) ::setenv("LC_ALL", previous.c_str(), 1);
    else ::unsetenv("LC_ALL");
    EXPECT_TRUE(started);
    EXPECT_EQ(WineRecord(), (std::vector<std::string>{"C.UTF-8", "C:\\Программы\\Тер\\Ter5.exe"}));
}

#endif

#ifdef _WIN32
// A companion directory and a base whose paths hold Cyrillic letters and blanks,
// and the settings file naming the directory.
class WindowsCompanionTest : public ::testing::Test {
protected:
    void SetUp() override {
        options_.userSettings = scratch_.Path() / "config" / "ter5manager.conf";
        companion_ = scratch_.Make("Программы Тер");
        base_ = scratch_.Make("Базы/Село 1");
        testing::WriteSampleBase(base_);
        WriteFile(options_.userSettings, "PathWorkFiles=" + PathToUtf8(companion_) + "\n");
    }

    void AddStandin(const std::filesystem::path& file) { std::filesystem::copy_file(testing::CompanionStandin(), file); }

    LaunchReport Launch(const std::string& base) {
        WindowsPlatform platform(options_);
        CompanionLauncher launcher(platform, [this](const std::string& m) { messages_.push_back(m); });
        return launcher.Launch(base);
    }

    ScratchDir scratch_;
    WindowsPlatform::Options options_;
    std::filesystem::path companion_;
    std::filesystem::path base_;
    std::vector<std::string> messages_;
};

// Ter5Kx.exe before Mbook.exe, found in any case, started in the base by its own path:
// the command line is that path in quotes, and "...\Программы.exe" in front of the
// blank is not started in its place.
TEST_F(WindowsCompanionTest, FirstPresentExecutableStartsInTheBase) {
    AddStandin(companion_ / "ter5kx.EXE");
    AddStandin(companion_ / "Mbook.exe");
    AddStandin(scratch_.Path() / PathFromUtf8("Программы.exe"));
    // The directory tree names directories with slashes.
    std::string treePath = PathToUtf8(base_);
    std::replace(treePath.begin(), treePath.end(), '\\', '/');
    const LaunchReport report = Launch(treePath);
    EXPECT_EQ(report.outcome, LaunchOutcome::Started);
    EXPECT_TRUE(messages_.empty()) << messages_.front();
    EXPECT_EQ(report.program, PathToUtf8(companion_) + "\\Ter5Kx.exe");
    EXPECT_EQ(report.hostProgram, PathToUtf8(companion_) + "\\ter5kx.EXE");
    EXPECT_EQ(report.companionDirectory, PathToUtf8(base_));
    const auto record = testing::StartRecord(companion_);
    ASSERT_EQ(record.size(), 2u) << "the stand-in did not start";
    EXPECT_EQ(record[0], PathToUtf8(base_));
    EXPECT_EQ(record[1], "\"" + report.program + "\"");
    EXPECT_FALSE(std::filesystem::exists(scratch_.Path() / "started.txt"));
}

// None of the six present: the message names the folder searched and where it is
// set (on Windows the folder is the same for both programs, so it is named once).
TEST_F(WindowsCompanionTest, MissingExecutableNamesTheFolderAndTheSettingsFile) {
    EXPECT_EQ(Launch(PathToUtf8(base_)).outcome, LaunchOutcome::ExecutableMissing);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0],
              "Программа TER v.5 не найдена: в каталоге " + PathToUtf8(companion_) +
                  "\\ нет ни одного из файлов Ter5.exe, Ter5Lt.exe, Ter5Kx.exe, Ter5LtKx.exe, Ter5Rc.exe, Mbook.exe.\n"
                  "Этот каталог задан: файл настроек " + PathToUtf8(options_.userSettings) +
                  ".\nУкажите каталог программы TER v.5 параметром PathWorkFiles в файле настроек " +
                  PathToUtf8(options_.userSettings) + ".");
}

TEST_F(WindowsCompanionTest, MissingBaseAndRefusedStartAreReported) {
    const std::string missing = PathToUtf8(scratch_.Path() / PathFromUtf8("Базы/Нет"));
    AddStandin(companion_ / "Ter5.exe");
    EXPECT_EQ(Launch(missing).outcome, LaunchOutcome::BaseMissing);
    EXPECT_EQ(messages_, (std::vector<std::string>{CompanionLauncher::DirectoryMissingMessage(missing),
                                                   CompanionLauncher::TablesMissingMessage(missing)}));
    EXPECT_FALSE(std::filesystem::exists(companion_ / "started.txt"));

    // A file that is no program: Windows refuses it and says why.
    messages_.clear();
    std::filesystem::remove(companion_ / "Ter5.exe");
    WriteFile(companion_ / "Ter5.exe", "MZ");
    EXPECT_EQ(Launch(PathToUtf8(base_)).outcome, LaunchOutcome::StartFailed);
    ASSERT_EQ(messages_.size(), 1u);
    const std::string prefix = "Невозможно запустить программу " + PathToUtf8(companion_) + "\\Ter5.exe : ";
    EXPECT_EQ(messages_[0].rfind(prefix, 0), 0u) << messages_[0];
    EXPECT_GT(messages_[0].size(), prefix.size()) << "the reason is missing";
}
#endif

}  // namespace
}  // namespace ter5::base
