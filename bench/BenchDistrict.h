#pragma once
// The district the benchmarks open from files: the demo base of 50,000 parcels (about a
// million vertices), written once into <temp>/ter5_bench_bases/district, beside an empty
// directory that a benchmark selects to close the base again.

#include <filesystem>
#include <string>

#include "base/DemoBase.h"
#include "engine/FileUtil.h"

namespace ter5::bench {

// Parcels of the district.
inline constexpr std::size_t kDistrictParcels = 50'000;

// The directory holding the district and the empty directory.
inline const std::filesystem::path& BenchBasesDirectory() {
    static const std::filesystem::path dir = [] {
        const std::filesystem::path d = std::filesystem::temp_directory_path() / "ter5_bench_bases";
        std::filesystem::create_directories(d / "empty");
        if (!engine::FindFileNoCase(d / "district", "subter.db")) base::WriteDemoBase(d / "district", {kDistrictParcels, 1});
        return d;
    }();
    return dir;
}

inline std::filesystem::path DistrictBase() { return BenchBasesDirectory() / "district"; }

// The demo base of `parcels` parcels (seed 1, as `ter5tool demo` writes it), written once.
inline std::filesystem::path DemoBase(std::size_t parcels) {
    if (parcels == kDistrictParcels) return DistrictBase();
    const std::filesystem::path dir = BenchBasesDirectory() / ("demo" + std::to_string(parcels));
    if (!engine::FindFileNoCase(dir, "subter.db")) base::WriteDemoBase(dir, {parcels, 1});
    return dir;
}

}  // namespace ter5::bench
