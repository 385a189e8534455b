#pragma once
// The district the benchmarks open from files: the demo base of 50,000 parcels (about a
// million vertices), written once into <temp>/ter5_bench_bases/district and kept there
// for later runs.

#include <filesystem>

#include "base/DemoBase.h"
#include "engine/FileUtil.h"

namespace ter5::bench {

// Parcels of the district.
inline constexpr std::size_t kDistrictParcels = 50'000;

// The district's base directory, written on first use.
inline std::filesystem::path DistrictBase() {
    static const std::filesystem::path dir = [] {
        const std::filesystem::path d = std::filesystem::temp_directory_path() / "ter5_bench_bases" / "district";
        if (!engine::FindFileNoCase(d, "subter.db")) base::WriteDemoBase(d, {kDistrictParcels, 1});
        return d;
    }();
    return dir;
}

}  // namespace ter5::bench
