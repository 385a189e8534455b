// `ter5tool open`, run as a process in an environment of its own: the companion
// program found through the settings (on Linux through the Wine prefix's registry),
// the working directory as the program sees it, the start (through a stand-in for
// Wine on Linux, of a real Windows program on Windows), and the exit statuses.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "BaseFixtures.h"
#ifdef _WIN32
#include "../support/ProcessRun.h"
#include "WindowsTestSupport.h"
#else
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace ter5::base {
namespace {

using engine::PathToUtf8;
using testing::ScratchDir;
using testing::WriteFile;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The output of one run, standard output and error apart.
std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

#ifndef _WIN32
// Linux only: the Wine prefix, its registry file and a `wine` script on the search
// path are the Linux platform layer's; the Windows command is tested below.
class OpenCommandTest : public ::testing::Test {
protected:
    OpenCommandTest() {
        prefix_ = scratch_.Make("prefix");
        std::filesystem::create_directories(prefix_ / "drive_c" / "Bases");
        std::filesystem::create_directories(prefix_ / "dosdevices");
        std::filesystem::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
        base_ = prefix_ / "drive_c" / "Bases" / "Село";
        testing::WriteSampleBase(base_);
        scratch_.Make("bin");
    }

    // Runs ter5tool with the settings, prefix and search path of the scratch directory.
    ToolRun Tool(const std::string& args) {
        const auto err = scratch_.Path() / "stderr.txt";
        const std::string command = "env XDG_CONFIG_HOME='" + scratch_.Str() + "/config' WINEPREFIX='" +
                                    prefix_.string() + "' TER5_MACHINE_SETTINGS='" + scratch_.Str() +
                                    "/etc.conf' PATH='" + scratch_.Str() + "/bin' '" + TER5_TOOL_PATH +
                                    "' " + args + " 2>'" + err.string() + "'";
        ToolRun run;
        if (FILE* p = popen(command.c_str(), "r")) {
            char buffer[4096];
            while (std::size_t n = std::fread(buffer, 1, sizeof buffer, p)) run.out.append(buffer, n);
            const int status = pclose(p);
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        run.err = ReadText(err);
        return run;
    }

    // The companion program installed in "C:\Программы\Тер" by a 32-bit installer.
    void Install() {
        WriteFile(prefix_ / "system.reg",
                  "WINE REGISTRY Version 2\n\n[Software\\\\Wow6432Node\\\\Terrakon] 1796782728\n"
                  "\"PathWorkFiles\"=\"C:\\\\\\x41f\\x440\\x43e\\x433\\x440\\x430\\x43c\\x43c\\x44b\\\\\\x422"
                  "\\x435\\x440\"\n");
        WriteFile(prefix_ / "drive_c" / "Программы" / "Тер" / "Ter5Lt.exe", "MZ");
    }

    ScratchDir scratch_;
    std::filesystem::path prefix_;
    std::filesystem::path base_;
};

TEST_F(OpenCommandTest, DryRunShowsProgramAndDirectoryAsTheCompanionSeesThem) {
    Install();
    const ToolRun run = Tool("open '" + base_.string() + "' --dry-run");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "program: C:\\Программы\\Тер\\Ter5Lt.exe\nfile: " +
                           (prefix_ / "drive_c" / "Программы" / "Тер" / "Ter5Lt.exe").string() +
                           "\ndirectory: C:\\Bases\\Село\n");
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST_F(OpenCommandTest, StartsThroughWineInTheBase) {
    Install();
    const auto record = scratch_.Path() / "wine.txt";
    const auto wine = scratch_.Path() / "bin" / "wine";
    WriteFile(wine, "#!/bin/sh\n{ pwd; echo \"$1\"; echo \"$WINEPREFIX\"; } > '" + record.string() + ".tmp' && /bin/mv '" +
                        record.string() + ".tmp' '" + record.string() + "'\n");
    ::chmod(wine.c_str(), 0755);
    const ToolRun run = Tool("open '" + base_.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    for (int i = 0; i < 400 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::ifstream in(record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{base_.string(), "C:\\Программы\\Тер\\Ter5Lt.exe", prefix_.string()}));
}

TEST_F(OpenCommandTest, ExitStatusesTellWhatWentWrong) {
    // None of the executables: 1, and the folder searched is named.
    ToolRun run = Tool("open '" + base_.string() + "' --dry-run");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("в каталоге C:\\Ter\\ (" + (prefix_ / "drive_c" / "Ter").string() + ")"),
              std::string::npos)
        << run.err;

    Install();
    // Wine missing: an error.
    run = Tool("open '" + base_.string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Wine не найден"), std::string::npos) << run.err;
    // No base there, an unknown option, no base named.
    run = Tool("open '" + (prefix_ / "drive_c").string() + "' --dry-run");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("не найдены рабочие базы"), std::string::npos) << run.err;
    run = Tool("open '" + base_.string() + "' --now");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unknown option '--now'"), std::string::npos) << run.err;
    EXPECT_EQ(Tool("open").status, 2);
}

#endif

#ifdef _WIN32
// A settings file under a %APPDATA% of the test's own naming the companion
// directory, and a base, both with Cyrillic names and blanks.
class WindowsOpenCommandTest : public ::testing::Test {
protected:
    WindowsOpenCommandTest() {
        companion_ = scratch_.Make("Программы Тер");
        base_ = scratch_.Make("Базы/Село 1");
        testing::WriteSampleBase(base_);
        WriteFile(scratch_.Path() / "AppData" / "ter5manager" / "ter5manager.conf",
                  "PathWorkFiles=" + PathToUtf8(companion_) + "\n");
    }

    ToolRun Tool(std::vector<std::string> args) {
        const testing::ScopedEnvironment appData(L"APPDATA", PathToUtf8(scratch_.Path() / "AppData"));
        const auto err = scratch_.Path() / "stderr.txt";
        args.insert(args.begin(), TER5_TOOL_PATH);
        ToolRun run;
        run.status = ter5::testing::RunArgv(args, {}, &run.out, &err);
        run.err = ReadText(err);
        return run;
    }

    ScratchDir scratch_;
    std::filesystem::path companion_;
    std::filesystem::path base_;
};

TEST_F(WindowsOpenCommandTest, ShowsAndStartsTheProgramInTheBase) {
    std::filesystem::copy_file(testing::CompanionStandin(), companion_ / "Ter5Lt.exe");
    const std::string program = PathToUtf8(companion_) + "\\Ter5Lt.exe";
    ToolRun run = Tool({"open", PathToUtf8(base_), "--dry-run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "program: " + program + "\nfile: " + program + "\ndirectory: " + PathToUtf8(base_) + "\n");
    EXPECT_FALSE(std::filesystem::exists(companion_ / "started.txt"));

    run = Tool({"open", PathToUtf8(base_)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(testing::StartRecord(companion_), (std::vector<std::string>{PathToUtf8(base_), "\"" + program + "\""}));
}

TEST_F(WindowsOpenCommandTest, ExitStatusesTellWhatWentWrong) {
    ToolRun run = Tool({"open", PathToUtf8(base_), "--dry-run"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("в каталоге " + PathToUtf8(companion_) + "\\ нет ни одного"), std::string::npos) << run.err;
    run = Tool({"open", PathToUtf8(companion_), "--dry-run"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("В каталое " + PathToUtf8(companion_) + " не найдены рабочие базы"), std::string::npos)
        << run.err;
}
#endif

}  // namespace
}  // namespace ter5::base
