#pragma once
// Shared pieces of the repair tests: copies of real tables and of a demo base, the
// damage done to a copy, the records of a table as raw bytes, and pxlib as an
// independent reader of a repaired table.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/ByteIo.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/TableFile.h"

#ifdef TER5_HAVE_PXLIB
extern "C" {  // paradox.h declares its functions without C linkage
#include <paradox.h>
}
#endif

namespace ter5::templates::testing {

namespace fs = std::filesystem;

inline const fs::path kRealData = TER5_TEST_DATA_DIR;

// Copies every file of the table `stem` of `from` into `to`.
inline void CopyTable(const fs::path& from, const std::string& stem, const fs::path& to) {
    for (const fs::path& f : engine::ListCompanions(from, stem))
        if (engine::EqualsNoCase(engine::PathToUtf8(f.stem()), stem)) {
            fs::copy_file(f, to / f.filename());
            fs::permissions(to / f.filename(), fs::perms::owner_write, fs::perm_options::add);
        }
}

// Every file of `dir` (not folders, not the lock file) with its bytes.
inline std::map<std::string, std::vector<std::uint8_t>> Files(const fs::path& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && e.path().filename() != "ter5manager.lock")
            files[engine::PathToUtf8(e.path().filename())] = engine::ReadWholeFile(e.path());
    return files;
}

// A record of a table: its raw bytes and the block it was read from.
struct RawRecord {
    std::string bytes;
    std::uint32_t block = 0;
};

// The records of a sound table in chain order.
inline std::vector<RawRecord> RawRecords(const fs::path& table) {
    const auto t = engine::TableFile::Load(table);
    std::vector<RawRecord> records;
    for (std::size_t i = 0; i < t->RecordCount(); ++i)
        records.push_back({std::string(reinterpret_cast<const char*>(t->Record(i)), t->Header().recordSize),
                           t->Blocks()[t->BlockOfRecord(i)].number});
    return records;
}

// Changes bytes of a file in place.
inline void Patch(const fs::path& file, const std::function<void(std::vector<std::uint8_t>&)>& change) {
    std::vector<std::uint8_t> bytes = engine::ReadWholeFile(file);
    change(bytes);
    engine::WriteFileAtomic(file, bytes);
}

// Where block `n` of a table file starts.
inline std::size_t BlockStart(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    return engine::ReadU16(bytes.data() + engine::format::kHeaderSize) +
           (n - 1) * bytes[engine::format::kBlockSizeKb] * engine::format::kBlockUnit;
}

#ifdef TER5_HAVE_PXLIB
// The raw records pxlib reads from `table`; empty with `error` set when it cannot.
inline std::vector<std::string> PxlibRecords(const fs::path& table, std::string& error) {
    std::vector<std::string> records;
    pxdoc_t* doc = PX_new();
    std::FILE* file = std::fopen(table.c_str(), "rb");
    if (!doc || !file || PX_open_fp(doc, file) < 0) {
        error = "pxlib cannot open " + table.string();
    } else {
        const int count = PX_get_num_records(doc);
        const int size = doc->px_head->px_recordsize;
        std::string buffer(static_cast<std::size_t>(size), '\0');
        for (int i = 0; i < count; ++i) {
            if (!PX_get_record(doc, i, buffer.data())) {
                error = "pxlib cannot read record " + std::to_string(i + 1);
                break;
            }
            records.push_back(buffer);
        }
    }
    if (doc) PX_delete(doc);
    if (file) std::fclose(file);
    return records;
}
#endif

}  // namespace ter5::templates::testing
