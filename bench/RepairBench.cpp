// Repair of a damaged vertex table: the district demo base (50,000 parcels, about
// a million vertices in POLIGON.DB, keyed, with the TerPut index), one block in
// the middle of its chain zeroed, repaired by `ter5tool repair` as a user runs it.
//   RepairDamagedVertexTable - wall time of the process; its peak resident set
//                              (peak_rss_mb, and peak_rss_ratio over the table's
//                              size, table_mb), the program at rest (rest_rss_mb,
//                              `ter5tool --version`) and what the repair adds to it
//                              over the table's size (repair_mb_ratio); records
//                              recovered out of the records of the undamaged blocks
//                              (recovered, expected)
//   RepairInProcess          - RepairTable alone, in this process
// The base is written once per run into a temporary directory; each iteration
// repairs a fresh damaged copy of the vertex table.

#ifndef _WIN32
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <string>

#include "base/DemoBase.h"
#include "engine/ByteIo.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/TableFile.h"
#include "engine/TableRepair.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace ter5;

constexpr std::size_t kDistrictParcels = 50'000;
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;
constexpr double kKilobytesPerMegabyte = 1024.0;

// The district base and what its vertex table holds outside the damaged block.
class District {
public:
    static const District& Get() {
        static const District district;
        return district;
    }
    fs::path Base() const { return dir_ / "base"; }
    std::uintmax_t TableBytes() const { return fs::file_size(Base() / base::kVertexTableFile); }
    std::size_t Damaged() const { return damaged_; }
    std::size_t Expected() const { return expected_; }

    // A copy of the vertex table family in `to` with the damaged block zeroed.
    void DamagedCopy(const fs::path& to) const {
        fs::remove_all(to);
        fs::create_directories(to);
        for (const fs::path& f : engine::ListCompanions(Base(), "POLIGON")) fs::copy_file(f, to / f.filename());
        const fs::path table = to / base::kVertexTableFile;
        std::vector<std::uint8_t> bytes = engine::ReadWholeFile(table);
        const std::size_t blockSize = bytes[engine::format::kBlockSizeKb] * engine::format::kBlockUnit;
        const std::size_t at = engine::ReadU16(bytes.data() + engine::format::kHeaderSize) + (damaged_ - 1) * blockSize;
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + blockSize), 0);
        engine::WriteFileAtomic(table, bytes);
    }

private:
    District() {
        dir_ = fs::temp_directory_path() / ("ter5-repair-bench-" + std::to_string(std::random_device{}()));
        base::WriteDemoBase(Base(), base::DemoOptions{kDistrictParcels, 1});
        const auto table = engine::TableFile::Load(Base() / base::kVertexTableFile);
        // The block in the middle of the chain.
        const auto& blocks = table->Blocks();
        const auto& middle = blocks[blocks.size() / 2];
        damaged_ = middle.number;
        expected_ = table->RecordCount() - middle.count;
    }
    ~District() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
    std::size_t damaged_ = 0;
    std::size_t expected_ = 0;
};

// The peak resident set of a running process, in kB (0 once it has ended). Read
// from the process itself: a child's rusage also counts the memory of this
// process, which it shared until its exec.
double PeakKb(pid_t pid) {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!f) return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atof(line + 6);
    std::fclose(f);
    return kb;
}

// Runs ter5tool with `args`, watching its peak memory every millisecond; its exit code.
int RunTool(const std::vector<std::string>& args, double& peakKb) {
    std::vector<char*> argv;
    std::vector<std::string> all{TER5_TOOL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        peakKb = std::max(peakKb, PeakKb(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RepairDamagedVertexTable(benchmark::State& state) {
    const District& district = District::Get();
    const fs::path work = district.Base().parent_path() / "work";
    double peakKb = 0;
    std::size_t recovered = 0;
    for (auto _ : state) {
        state.PauseTiming();
        district.DamagedCopy(work);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        double peak = 0;
        const int code = RunTool({"repair", engine::PathToUtf8(work / base::kVertexTableFile), "--backup",
                                  engine::PathToUtf8(work / "backup")},
                                 peak);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        if (code != 1) state.SkipWithError("the repair did not report a loss");
        peakKb = std::max(peakKb, peak);
        recovered = engine::TableFile::Load(work / base::kVertexTableFile)->RecordCount();
        state.ResumeTiming();
    }
    // The program at rest: what any command of it takes before it reads a table.
    double restKb = 0;
    RunTool({"--version"}, restKb);
    const double tableMb = static_cast<double>(district.TableBytes()) / kBytesPerMegabyte;
    state.counters["table_mb"] = tableMb;
    state.counters["peak_rss_mb"] = peakKb / kKilobytesPerMegabyte;
    state.counters["peak_rss_ratio"] = peakKb / kKilobytesPerMegabyte / tableMb;
    state.counters["rest_rss_mb"] = restKb / kKilobytesPerMegabyte;
    state.counters["repair_mb_ratio"] = (peakKb - restKb) / kKilobytesPerMegabyte / tableMb;
    state.counters["recovered"] = static_cast<double>(recovered);
    state.counters["expected"] = static_cast<double>(district.Expected());
}
BENCHMARK(RepairDamagedVertexTable)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void RepairInProcess(benchmark::State& state) {
    const District& district = District::Get();
    const fs::path work = district.Base().parent_path() / "work-in-process";
    for (auto _ : state) {
        state.PauseTiming();
        district.DamagedCopy(work);
        engine::RepairOptions options;
        options.backupFolder = work / "backup" / "POLIGON";
        state.ResumeTiming();
        const engine::TableRepairReport report = engine::RepairTable(work / base::kVertexTableFile, options);
        if (report.outcome != engine::TableRepairReport::Outcome::RepairedWithLosses) state.SkipWithError(report.error.c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * district.Expected()));
}
BENCHMARK(RepairInProcess)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
#endif
