#pragma once
// Password-protected copies of tables for the tests: the files of a plain table
// encrypted as the table's own engine stores them once a password is set.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/BlobFile.h"
#include "engine/FileProtection.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "engine/TableHeader.h"

#ifdef TER5_HAVE_PXLIB
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
extern "C" {  // paradox.h declares its functions without C linkage
#include <paradox.h>
}
#endif

namespace ter5::engine::testing {

namespace fs = std::filesystem;

// The protection word of the real samples (tests/data, leonhad+paradoxdriver/encrypt).
inline constexpr std::uint32_t kSampleProtection = 0x0A25E09A;

inline std::string UpperExtension(const fs::path& p) {
    std::string e = p.extension().string();
    for (char& c : e) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return e;
}

inline bool IsIndexExtension(const std::string& e) { return e == ".PX" || (e.size() >= 3 && (e[1] == 'X' || e[1] == 'Y')); }

// Protects the table `db` with `protection`: its .DB and .MB, and its index files
// when `indexes` (the table's own engine does not always encrypt those).
inline void ProtectTable(const fs::path& db, std::uint32_t protection, bool indexes = true) {
    const std::string stem = PathToUtf8(db.stem());
    for (const auto& entry : fs::directory_iterator(db.parent_path())) {
        const fs::path& p = entry.path();
        if (!EqualsNoCase(PathToUtf8(p.stem()), stem)) continue;
        const std::string ext = UpperExtension(p);
        std::vector<std::uint8_t> bytes = ReadWholeFile(p);
        if (ext == ".DB" || (indexes && IsIndexExtension(ext))) ProtectImage(bytes, protection);
        else if (ext == ".MB") EncryptBlobImage(bytes, protection);
        else continue;
        WriteFileAtomic(p, bytes, Durability::Unsynced);
    }
}

// Protects every table of `dir`.
inline void ProtectTables(const fs::path& dir, std::uint32_t protection, bool indexes = true) {
    for (const auto& entry : fs::directory_iterator(dir))
        if (UpperExtension(entry.path()) == ".DB") ProtectTable(entry.path(), protection, indexes);
}

// The protection word in the header of `file` (0: plain).
inline std::uint32_t ProtectionOf(const fs::path& file) {
    const auto bytes = ReadWholeFile(file);
    return ParseHeader(bytes.data(), bytes.size(), PathToUtf8(file)).encryption;
}

// True when `text` (bytes as stored) appears anywhere in `file`.
inline bool FileHolds(const fs::path& file, const std::string& text) {
    const auto bytes = ReadWholeFile(file);
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

#ifdef TER5_HAVE_PXLIB
// pxlib, which finds the key in the header as our engine does, reads every record of
// the table `db` as our engine does: the first `bytes` bytes of each (all of them
// when 0; blob fields are no business of pxlib's, which cannot open a .MB).
inline void ExpectPxlibReadsTheRecords(const fs::path& db, std::size_t bytes = 0) {
    const auto table = TableFile::Load(db);
    if (bytes == 0) bytes = table->Header().recordSize;
    pxdoc_t* doc = PX_new();
    FILE* file = std::fopen(db.string().c_str(), "rb");  // PX_open_file wants write access
    ASSERT_TRUE(doc && file && PX_open_fp(doc, file) >= 0);
    EXPECT_EQ(PX_get_num_records(doc), static_cast<int>(table->RecordCount()));
    std::vector<char> record(static_cast<std::size_t>(PX_get_recordsize(doc)));
    for (std::size_t i = 0; i < table->RecordCount(); ++i) {
        ASSERT_NE(PX_get_record(doc, static_cast<int>(i), record.data()), nullptr) << "record " << i;
        EXPECT_EQ(std::memcmp(record.data(), table->Record(i), bytes), 0) << "record " << i;
    }
    PX_close(doc);
    PX_delete(doc);
    std::fclose(file);
}
#endif

}  // namespace ter5::engine::testing
