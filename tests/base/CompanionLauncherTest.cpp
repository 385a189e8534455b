// Starting the companion program: the base checks and their messages, the
// executable directory from the machine setting, the order the executables are
// tried in, and the start through Wine.

#include "base/CompanionLauncher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "BaseFixtures.h"
#include "base/LinuxPlatform.h"

namespace ter5::base {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

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

}  // namespace
}  // namespace ter5::base
