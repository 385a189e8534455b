// The cost of looking for other programs that hold a table, which every exclusive
// use pays (FindFileHolders over the table's files), and of a whole exclusive hold
// (the lock, the scan and tidying), on a demo base in a temporary directory:
//   HolderScan       - the scan of every process this user may inspect; the
//                      counter "processes" says how many there were
//   ExclusiveHold    - TableLock on POLIGON.DB, exclusive, taken and let go
//   SharedHold       - the same, shared (what opening a base costs: no scan)

#include <benchmark/benchmark.h>

#include <dirent.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/DemoBase.h"
#include "engine/FileHolders.h"
#include "engine/TableLock.h"

namespace {

namespace fs = std::filesystem;
using namespace ter5::engine;

const fs::path& DemoBase() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("ter5-bench-holders-" + std::to_string(std::rand()));
        ter5::base::WriteDemoBase(d, ter5::base::DemoOptions{200, 1});
        return d;
    }();
    return dir;
}

int ProcessCount() {
    int n = 0;
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* e = ::readdir(proc)) n += e->d_name[0] >= '1' && e->d_name[0] <= '9';
        ::closedir(proc);
    }
    return n;
}

void HolderScan(benchmark::State& state) {
    const auto files = TableFilesToGuard(DemoBase() / "POLIGON.DB");
    for (auto _ : state) benchmark::DoNotOptimize(FindFileHolders(files));
    state.counters["processes"] = ProcessCount();
    state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(HolderScan)->Unit(benchmark::kMillisecond);

void ExclusiveHold(benchmark::State& state) {
    for (auto _ : state) TableLock lock(DemoBase() / "POLIGON.DB", TableLock::Mode::Exclusive);
}
BENCHMARK(ExclusiveHold)->Unit(benchmark::kMillisecond);

void SharedHold(benchmark::State& state) {
    for (auto _ : state) TableLock lock(DemoBase() / "POLIGON.DB", TableLock::Mode::Shared);
}
BENCHMARK(SharedHold)->Unit(benchmark::kMillisecond);

}  // namespace
