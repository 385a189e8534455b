// libFuzzer target: any bytes as a Paradox table or index file. The image is read
// as a table (every value decoded and formatted), as an X index (its records), and
// as a B-tree file (.PX/.Y: every level). Each either works or throws EngineError;
// ASan and UBSan catch everything else (out-of-bounds reads, overflows, leaks).

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "engine/EngineError.h"
#include "engine/IndexReader.h"
#include "engine/TableFile.h"
#include "engine/ValueText.h"

namespace {

using namespace ter5::engine;

// Text pages the image is read in, chosen by its length: the default single-byte
// page, a multi-byte page (iconv on every value) and the Latin page.
constexpr int kCodePages[] = {0, 936, 1252};

// Reads every field of every record, as the dump command does.
void ReadTable(const TableFile& table) {
    const auto& fields = table.Fields();
    for (std::size_t i = 0; i < table.RecordCount(); ++i) {
        const std::uint8_t* record = table.Record(i);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            try {
                FormatValueText(fields[f].type, table.Decode(record, f));
            } catch (const EngineError&) {
                // A blob outside the leader needs a .MB file, which a byte image lacks;
                // a date too far from year 1 has no calendar text. Go on with the next.
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    try {
        const int codePage = kCodePages[size % std::size(kCodePages)];
        const auto table = TableFile::FromBytes(bytes, "fuzz.db", codePage);
        ReadTable(*table);
        if (table->Header().IsSecondaryIndex()) ReadIndexRecords(*table);
    } catch (const EngineError&) {
    }
    try {
        const IndexTree tree = ReadIndexTree(bytes, "fuzz.px");
        tree.Leaves();
        tree.EntryCount();
    } catch (const EngineError&) {
    }
    return 0;
}
