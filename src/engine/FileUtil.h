#pragma once
// File-system helpers of the engine: case-insensitive name lookup (bases copied
// from Windows keep any mix of cases), whole-file reads and atomic replacement.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::engine {

// A path from UTF-8 text (command-line arguments, settings, names built as text).
// On Windows a narrow string given to std::filesystem is read in the ANSI code
// page, which cannot hold every name; UTF-8 goes through char8_t instead.
std::filesystem::path PathFromUtf8(std::string_view utf8);

// The UTF-8 text of a path, for messages and for names compared or stored as
// text; never in the ANSI code page. Use the path itself to open a file.
std::string PathToUtf8(const std::filesystem::path& path);

// The entry of `dir` whose name equals `name` ignoring ASCII case; an exact match
// wins over other spellings. nullopt when there is none.
std::optional<std::filesystem::path> FindFileNoCase(const std::filesystem::path& dir, const std::string& name);

// `path` itself if it exists, else the same name in another case in its directory.
std::optional<std::filesystem::path> ResolveNoCase(const std::filesystem::path& path);

// Every entry of `dir` whose name starts with `stem` + "." ignoring case.
std::vector<std::filesystem::path> ListCompanions(const std::filesystem::path& dir, const std::string& stem);

// Reads a whole regular file (never waiting on a FIFO of that name). Throws
// EngineError naming the file when it cannot be read or is no regular file.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// Reads at most `maxBytes` from the start of a file (a header). Throws EngineError
// naming the file when it cannot be read.
std::vector<std::uint8_t> ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes);

// A file read at chosen offsets, without buffering, for readers that take a few
// blocks of a large file at a time (one system call per read on POSIX systems).
// Holds the file open until it dies; the file may be renamed, replaced or deleted
// meanwhile (on Windows too), and this object reads the file it opened.
class RandomAccessFile {
public:
    // Opens `path` for reading. Throws EngineError naming the file when it cannot.
    explicit RandomAccessFile(const std::filesystem::path& path);
    ~RandomAccessFile();
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

    // The file's size in bytes when it was opened.
    std::uint64_t Size() const { return size_; }
    // Reads up to `count` bytes from `offset` into `buffer`; returns how many were
    // read, fewer only at the end of the file. Throws EngineError on a read error.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;

private:
    void Close();

#ifdef _WIN32
    std::intptr_t handle_ = 0;   // the HANDLE
#else
    std::intptr_t handle_ = -1;  // the file descriptor
#endif
    std::uint64_t size_ = 0;
    std::string name_;  // UTF-8, for messages
};

// Whether a replaced file is forced to disk before it takes the old one's place.
enum class Durability {
    Synced,    // fsync before the rename: after a crash the file is the old one or the new one
    Unsynced,  // no fsync: for derived files, rewritten often, that may be lost in a crash
};

// Writes `data` to a temporary file beside `path`, syncs it (unless Unsynced) and
// renames it over `path`, keeping its mode and ownership; a synced write syncs the
// directory afterwards. On failure the original is untouched and EngineError is
// thrown. For single files outside tables (pictures, exports); table files go
// through FileTransaction.
void WriteFileAtomic(const std::filesystem::path& path, const std::vector<std::uint8_t>& data,
                     Durability durability = Durability::Synced);

// ASCII case-insensitive equality of two names.
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace ter5::engine
