#pragma once
// The demo base: a realistic district written as the three tables of a base, with
// the indexes the program opens them by. It serves the first start of the program,
// screenshots, manual testing and benchmarks; the same seed gives the same files.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/IndexCatalog.h"
#include "engine/TableWriter.h"

namespace ter5::base {

// File names of a base's tables as the companion program creates them (they are
// looked up ignoring case).
inline constexpr char kOwnerTableFile[] = "ter.db";
inline constexpr char kParcelTableFile[] = "subter.db";
inline constexpr char kVertexTableFile[] = "POLIGON.DB";
// The vertex table's index on Ter;PutNumber, by which parcels read their outlines.
inline constexpr char kVertexOrderIndex[] = "TerPut";

// The largest demo base: the vertex table must stay within a table's block limit.
inline constexpr std::size_t kMaxDemoParcels = 200'000;

struct DemoOptions {
    std::size_t parcels = 500;  // 0 writes the three tables empty
    std::uint64_t seed = 1;
};

// What a demo base holds.
struct DemoSummary {
    std::size_t parcels = 0;
    std::size_t owners = 0;
    std::size_t vertices = 0;
};

// A table of a base: its fields and indexes.
struct BaseTableDef {
    const char* fileName;
    std::vector<engine::FieldDef> fields;
    std::vector<engine::IndexDef> indexes;
};

// ter.db, subter.db and POLIGON.DB in that order: every field the program reads,
// primary keys on Code and the vertex table's case-insensitive index TerPut.
std::vector<BaseTableDef> BaseTableDefs();

// Creates `dir` when needed and writes the three tables of a demo base into it,
// replacing tables of those names (whatever their letter case) with their index
// files. Throws EngineError naming the directory for a parcel count above
// kMaxDemoParcels or a directory that cannot be created; engine errors propagate.
DemoSummary WriteDemoBase(const std::filesystem::path& dir, const DemoOptions& options);

}  // namespace ter5::base
