// `ter5tool export` as a process: what it prints, its exit codes for bad arguments, and a
// kill -9 in the middle of an export, which leaves an older file of the same name as it
// was; the next export then replaces it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "ExchangeTestBases.h"
#include "base/DemoBase.h"

namespace fs = std::filesystem;

namespace ter5::exchange {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;  // stdout and stderr
};

ToolRun RunTool(const std::string& args) {
    const std::string command = std::string("\"") + TER5_TOOL_PATH + "\" " + args + " 2>&1";
    ToolRun run;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) run.out.append(buf, n);
        run.exitCode = WEXITSTATUS(pclose(p));
    }
    return run;
}

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

TEST(ExportCommand, PrintsLayersAndNotesAndRefusesBadArguments) {
    ter5::testing::ScratchDir scratch;
    testing::WriteExportBase(scratch.Path() / "base");
    const std::string base = Quoted(scratch.Path() / "base");

    const ToolRun ok = RunTool("export " + base + " -o " + Quoted(scratch.Path() / "out.gpkg") +
                               " --layers parcels,sides --crs EPSG:28404");
    EXPECT_EQ(ok.exitCode, 0) << ok.out;
    EXPECT_NE(ok.out.find("out.gpkg: parcels, 5 features"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("out.gpkg: sides, 18 features"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("note: 1 parcel ends in an open ring"), std::string::npos) << ok.out;

    const ToolRun plain = RunTool("export " + base + " -o " + Quoted(scratch.Path() / "out.geojson"));
    EXPECT_EQ(plain.exitCode, 0) << plain.out;
    EXPECT_NE(plain.out.find("note: no reference system given"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("out_vertices.geojson: vertices, 29 features"), std::string::npos) << plain.out;

    const std::pair<std::string, std::string> bad[] = {
        {" -o x.gpkg --bogus", "unknown option '--bogus'"},
        {" -o x.gpkg --layers parcels,roads", "unknown layer 'roads'"},
        {" -o x.gpkg --current-only abc", "--current-only needs a parcel Code, not 'abc'"},
        {" -o x.gpkg --crs", "--crs needs a value"},
        {"", "usage: export BASE -o FILE"},
    };
    for (const auto& [args, message] : bad) {
        const ToolRun run = RunTool("export " + base + args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_NE(run.out.find(message), std::string::npos) << run.out;
    }
}

// Starts `ter5tool export` on its own; returns its process id.
pid_t StartExport(const fs::path& base, const fs::path& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(TER5_TOOL_PATH, TER5_TOOL_PATH, "export", base.c_str(), "-o", output.c_str(), "--layers",
              "parcels,vertices,sides,owners", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool StagingFolderExists(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".out.gpkg.export-")) return true;
    return false;
}

TEST(ExportCommand, KilledMidwayLeavesTheOlderFileAndTheNextExportReplacesIt) {
    GDALAllRegister();
    ter5::testing::ScratchDir scratch;
    base::WriteDemoBase(scratch.Path() / "district", {.parcels = 20000, .seed = 5});
    const fs::path target = scratch.Path() / "out" / "out.gpkg";
    fs::create_directories(target.parent_path());
    { std::ofstream(target) << "older"; }

    const pid_t pid = StartExport(scratch.Path() / "district", target);
    ASSERT_GT(pid, 0);
    // Kill it once it is writing into its staging folder.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!StagingFolderExists(target.parent_path()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the export ended before it could be killed";

    std::ifstream in(target);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "older");

    const ToolRun again = RunTool("export " + Quoted(scratch.Path() / "district") + " -o " + Quoted(target));
    EXPECT_EQ(again.exitCode, 0) << again.out;
    const auto dataset = testing::OpenVector(target);
    ASSERT_TRUE(dataset);
    EXPECT_GT(dataset->GetLayerByName("parcels")->GetFeatureCount(), 19000);
}

// Every output that is not written is an error, and no output name of an export
// writes over a file of the table engine (the table lock above all: replacing it lets
// two writers hold one table at once).
TEST(ExportCommand, AnOutputNotWrittenIsAnErrorAndEngineFilesAreNeverOverwritten) {
    ter5::testing::ScratchDir scratch;
    const fs::path base = scratch.Path() / "base";
    testing::WriteExportBase(base);
    std::ofstream(base / "ter5manager.lock").flush();
    const auto entries = [&](const fs::path& dir) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto before = entries(base);
    const auto lockId = fs::status(base / "ter5manager.lock").type();

    // GDAL's CSV driver makes a folder of a name without ".csv": no file, so no success.
    const ToolRun folder = RunTool("export " + Quoted(base) + " -o " + Quoted(scratch.Path() / "out.lock") +
                                   " --format CSV --layers owners");
    EXPECT_EQ(folder.exitCode, 2) << folder.out;
    EXPECT_NE(folder.out.find("wrote no file of this name for the layer owners"), std::string::npos) << folder.out;
    EXPECT_EQ(folder.out.find("features"), std::string::npos) << folder.out;
    EXPECT_EQ(entries(scratch.Path()), (std::vector<std::string>{"base"}));

    for (const char* name : {"ter5manager.lock", "TER5MANAGER.LOCK", "ter.ter5journal", "POLIGON.DB.ter5tmp-1-1",
                             "PARADOX.LCK", "other.lck"}) {
        const ToolRun run = RunTool("export " + Quoted(base) + " -o " + Quoted(base / name) + " --format CSV --layers owners");
        EXPECT_EQ(run.exitCode, 2) << name << "\n" << run.out;
        EXPECT_NE(run.out.find("an export never writes over it"), std::string::npos) << run.out;
        EXPECT_EQ(entries(base), before) << name;
    }
    EXPECT_EQ(fs::status(base / "ter5manager.lock").type(), lockId);
    EXPECT_EQ(fs::file_size(base / "ter5manager.lock"), 0u);
}

}  // namespace
}  // namespace ter5::exchange
