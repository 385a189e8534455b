// libFuzzer target: any bytes as a table file in a scratch directory, then every
// command's engine path on it — read, verify, open as a data set, append, add a
// secondary and a primary index, reindex, rebuild. Each either works or throws
// EngineError; ASan and UBSan catch everything else.
//
// Beside the table, chosen by a hash of the input, the directory holds what other
// hands leave in a shared base: a planted journal (text that names other files,
// a journal of another table, a damaged one, the input itself), the table's
// second block taken off the chain with its records, a memo file cut short after
// a memo was written, and FIFOs or a folder under the names of lock files and the
// journal. A decoy table OTHER.DB sits there too. After every write path:
// - OTHER.DB is as it was (no journal renames or deletes another table's file);
// - a journal this program did not write for T.DB is as it was (never replayed,
//   never deleted), and T.DB too;
// - a table whose records lie off its chain or whose blob references do not hold
//   is as it was (no write dropped or cross-linked anything);
// and nothing hangs (a FIFO never blocks an open; libFuzzer's -timeout reports a hang).

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "../tests/engine/PlantedJournals.h"
#include "../tests/engine/WritePaths.h"
#include "engine/ByteIo.h"
#include "engine/FileUtil.h"
#include "engine/TableChecks.h"
#include "engine/TableLock.h"
#include "engine/WriteJournal.h"

namespace {

namespace fs = std::filesystem;
using namespace ter5::engine;
using Bytes = std::vector<std::uint8_t>;

// What is planted beside the table, as bits of the input's hash.
constexpr unsigned kPlantJournal = 1u << 0;
constexpr unsigned kPlantOffChain = 1u << 1;
constexpr unsigned kPlantShortMemo = 1u << 2;
constexpr unsigned kPlantFifos = 1u << 3;
// Longest input taken as journal text.
constexpr std::size_t kMaxJournalText = 4096;

// A directory of this process's own, in memory where the system has one: every
// write syncs its files.
fs::path ScratchDirectory() {
    std::error_code ec;
    const fs::path parent = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = parent / ("ter5-fuzz-write-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

std::uint64_t Hash(const std::uint8_t* data, std::size_t size) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

void WriteBytes(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::optional<Bytes> Read(const fs::path& path) {
    try {
        return ReadWholeFile(path);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "fuzz_write: %s\n", what.c_str());
    std::abort();
}

// Takes the second block of the chain off it and puts it on the free list with its
// records, every header counter agreeing, as far as the bytes allow.
void UnlinkSecondBlock(Bytes& b) {
    if (b.size() < 0x58) return;
    const std::size_t headerSize = ReadU16(b.data() + 2);
    const std::size_t blockSize = b[5] * 1024u;
    const auto at = [&](std::size_t n) -> std::uint8_t* {
        const std::size_t offset = headerSize + (n - 1) * blockSize;
        return n != 0 && blockSize != 0 && offset + 6 <= b.size() ? b.data() + offset : nullptr;
    };
    std::uint8_t* first = at(ReadU16(b.data() + 0x0E));
    if (!first) return;
    const std::uint16_t second = ReadU16(first);
    std::uint8_t* secondBlock = at(second);
    if (!secondBlock) return;
    const std::uint16_t third = ReadU16(secondBlock);
    WriteU16(first, third);
    if (std::uint8_t* thirdBlock = at(third)) WriteU16(thirdBlock + 2, ReadU16(b.data() + 0x0E));
    WriteU16(secondBlock, ReadU16(b.data() + 0x4D));
    WriteU16(b.data() + 0x4D, second);
    WriteU16(b.data() + 0x0A, static_cast<std::uint16_t>(ReadU16(b.data() + 0x0A) - 1));
}

// A journal text that is not this program's journal for T.DB, or the input's own.
std::string PlantedJournal(std::uint64_t hash, const std::uint8_t* data, std::size_t size) {
    const std::string id = "0123456789abcdef0123456789abcdef";
    const WriteJournal other = testing::OneStepJournal("OTHER.DB", id, "OTHER.PX");
    std::string damaged = FormatJournal(testing::OneStepJournal("T.DB", id, "T.PX"));
    damaged[(hash >> 20) % damaged.size()] ^= 0x20;
    switch ((hash >> 8) % 6) {
        case 0: return "replace\tOTHER.DB\tT.DB\n";
        case 1: return "ter5journal 1\nremove\tT.DB\nremove\tOTHER.DB\nend\n";
        case 2: return "ter5journal 1\nreplace\tOTHER.DB\tT.DB\nend\n";
        case 3: return FormatJournal(other);
        case 4: return damaged;
        default: return std::string(reinterpret_cast<const char*>(data), std::min(size, kMaxJournalText));
    }
}

// Writes a memo into the table (when it has a memo field) and cuts its .MB short.
void CutMemoFile(const fs::path& table, std::uint64_t hash) {
    testing::Try([&] {
        TableEditor editor(table);
        for (std::size_t f = 0; f < editor.Fields().size(); ++f) {
            if (editor.Fields()[f].type != FieldType::Memo) continue;
            std::string record = editor.BlankRecord();
            editor.SetField(record, f, Value::Text(std::string(300 + hash % 5000, 'm')));
            editor.Append(std::move(record));
            editor.Save();
            break;
        }
    });
    const fs::path mb = table.parent_path() / "T.MB";
    std::error_code ec;
    const auto size = fs::file_size(mb, ec);
    if (!ec && size > 0) fs::resize_file(mb, (hash >> 32) % size, ec);
}

void MakeFifos(const fs::path& dir, std::uint64_t hash) {
    const char* const names[] = {"PARADOX.LCK", "T.LCK", "PDOXUSRS.LCK", kLockFileName, "T.ter5journal", "T.MB"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        if ((hash >> (40 + i)) & 1) ::mkfifo((dir / names[i]).c_str(), 0644);
    std::error_code ignored;  // a FIFO of that name made above stays
    if ((hash >> 48) & 1) fs::create_directory(dir / kLockFileName, ignored);
}

// True when T.DB's records lie off its chain or its blob references do not hold.
bool LosesRecordsOnRewrite(const fs::path& table) {
    try {
        const auto t = TableFile::Load(table);
        return !OffChainRecordErrors(*t).empty() || !BlobReferenceErrors(*t).empty();
    } catch (const EngineError&) {
        return false;  // unreadable: every write refuses it anyway
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path dir = ScratchDirectory();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
    const std::uint64_t hash = Hash(data, size);
    const unsigned plants = static_cast<unsigned>(hash);
    const fs::path table = dir / "T.DB";
    Bytes bytes(data, data + size);
    if (plants & kPlantOffChain) UnlinkSecondBlock(bytes);
    WriteBytes(table, bytes.data(), bytes.size());
    const std::string decoy = "a table of someone else's";
    WriteBytes(dir / "OTHER.DB", decoy.data(), decoy.size());
    if (plants & kPlantShortMemo) CutMemoFile(table, hash);

    std::optional<std::string> foreign;  // a journal that must stay as it is
    if (plants & kPlantJournal) {
        const std::string text = PlantedJournal(hash, data, size);
        WriteBytes(dir / "T.ter5journal", text.data(), text.size());
        std::string why;
        if (!ParseJournal(text, "T.DB", why)) foreign = text;
    }
    if (plants & kPlantFifos) MakeFifos(dir, hash);
    const bool damaged = LosesRecordsOnRewrite(table);
    const std::optional<Bytes> before = Read(table);

    testing::RunEveryWritePath(table);

    if (Read(dir / "OTHER.DB") != Bytes(decoy.begin(), decoy.end())) Broken("OTHER.DB was changed or deleted");
    if (foreign && Read(dir / "T.ter5journal") != Bytes(foreign->begin(), foreign->end()))
        Broken("a journal this program did not write was replayed or deleted");
    if ((foreign || damaged) && Read(table) != before)
        Broken(foreign ? "T.DB was written beside a foreign journal" : "a write went through a table that loses records");
    return 0;
}
