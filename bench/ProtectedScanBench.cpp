// Scanning a password-protected table against the same table plain: the vertex
// table of the district demo base (50,000 parcels, about a million vertices), read
// and decoded field by field as `ter5tool scan` does. The protected copy is the
// plain file encrypted with the protection word of the real samples, as the
// table's own engine stores it once a password is set.
//   PlainDistrictScan      - load and decode the plain POLIGON.DB
//   ProtectedDistrictScan  - the same for the protected copy (decryption included)
//   DecryptDistrictBlocks  - the decryption of the file's blocks alone
// With TER5_BENCH_TABLE_DIR set the tables are kept there (plain/, protected/), for
// whole-process measures such as `ter5tool scan`.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "base/DemoBase.h"
#include "engine/FieldCodec.h"
#include "engine/FileProtection.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"

namespace fs = std::filesystem;
using namespace ter5;

namespace {

constexpr std::size_t kParcels = 50'000;
// The protection word of the samples in tests/data (leonhad+paradoxdriver/encrypt).
constexpr std::uint32_t kProtection = 0x0A25E09A;

struct DistrictTables {
    fs::path plain;
    fs::path encrypted;
};

const DistrictTables& Tables() {
    static const DistrictTables tables = [] {
        const char* kept = std::getenv("TER5_BENCH_TABLE_DIR");
        const fs::path root = kept && *kept ? fs::path(kept) : fs::temp_directory_path() / "ter5_protected_bench";
        if (!engine::FindFileNoCase(root / "plain", base::kVertexTableFile)) base::WriteDemoBase(root / "plain", {kParcels, 1});
        DistrictTables t{*engine::FindFileNoCase(root / "plain", base::kVertexTableFile),
                         root / "protected" / base::kVertexTableFile};
        std::vector<std::uint8_t> bytes = engine::ReadWholeFile(t.plain);
        engine::ProtectImage(bytes, kProtection);
        fs::create_directories(t.encrypted.parent_path());
        engine::WriteFileAtomic(t.encrypted, bytes, engine::Durability::Unsynced);
        return t;
    }();
    return tables;
}

// Loads the table and decodes every field of every record; returns the sum of the values.
double Scan(const fs::path& path) {
    const auto table = engine::TableFile::Load(path);
    engine::Value v;
    double sum = 0;
    for (const auto& block : table->Blocks()) {
        const std::uint8_t* record = table->Record(block.firstRecord);
        for (std::size_t r = 0; r < block.count; ++r, record += table->Header().recordSize)
            for (const auto& f : table->Fields()) {
                engine::DecodeFieldInto(f, record + f.offset, table->Codec(), v);
                sum += v.number;
            }
    }
    return sum;
}

void PlainDistrictScan(benchmark::State& state) {
    const fs::path path = Tables().plain;
    for (auto _ : state) benchmark::DoNotOptimize(Scan(path));
}
BENCHMARK(PlainDistrictScan)->Unit(benchmark::kMillisecond);

void ProtectedDistrictScan(benchmark::State& state) {
    const fs::path path = Tables().encrypted;
    if (Scan(path) != Scan(Tables().plain)) state.SkipWithError("the protected copy reads otherwise");
    for (auto _ : state) benchmark::DoNotOptimize(Scan(path));
}
BENCHMARK(ProtectedDistrictScan)->Unit(benchmark::kMillisecond);

void DecryptDistrictBlocks(benchmark::State& state) {
    const std::vector<std::uint8_t> stored = engine::ReadWholeFile(Tables().encrypted);
    const engine::TableHeader header = engine::ParseHeader(stored.data(), stored.size(), "POLIGON.DB");
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint8_t> bytes = stored;
        state.ResumeTiming();
        engine::DecryptBlocks(bytes, header);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stored.size()));
}
BENCHMARK(DecryptDistrictBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
