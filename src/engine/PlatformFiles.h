#pragma once
// What the engine needs of the operating system's files beyond std::filesystem:
// lock files, writing a file that keeps another file's attributes and durable
// renames. (Who else has a table open: FileHolders.h.) PosixFiles.cpp implements it for Linux
// (and other POSIX systems), WindowsFiles.cpp for Windows.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

// Identifies a file independent of the path spelling that reached it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string path;  // used where the platform gives no inode
    auto operator<=>(const FileIdentity&) const = default;
};

// An open lock file and the lock this process holds on one byte of it (none,
// shared or exclusive). The lock belongs to the open file, not to the process, so
// two LockFile objects on one file and byte exclude each other like two
// processes do; locks on different bytes are independent.
class LockFile {
public:
    enum class Kind { None, Shared, Exclusive };

    LockFile() = default;
    LockFile(LockFile&& other) noexcept;
    LockFile& operator=(LockFile&& other) noexcept;
    ~LockFile();

    // Opens (creating when missing) the lock file `path`, for writing where
    // allowed, else for reading. A new file takes the mode and group of `like`
    // when that exists. Never throws: IsOpen() is false and Error() says why when
    // the file can be neither opened nor made.
    static LockFile Open(const std::filesystem::path& path, const std::filesystem::path& like, std::uint64_t byte);

    bool IsOpen() const;
    bool Writable() const { return writable_; }
    const std::filesystem::path& Path() const { return path_; }
    const std::string& Error() const { return error_; }
    FileIdentity Identity() const { return identity_; }

    // Sets this open file's lock without waiting: true when it is held as asked
    // (Kind::None always succeeds). A failed change keeps the lock held before.
    bool Lock(Kind kind);

    // True while the name Path() still leads to the file this object has open. A
    // lock file deleted or replaced by another (a user's `rm`, a copy put back)
    // leaves our lock on a file nobody else opens any more: a holder finding this
    // false holds nothing.
    bool StillNamed() const;

private:
    void Close();

    std::intptr_t handle_ = -1;  // fd on POSIX, HANDLE on Windows
    bool writable_ = false;
    std::filesystem::path path_;
    std::string error_;
    FileIdentity identity_;
    std::uint64_t byte_ = 0;
    Kind held_ = Kind::None;  // what Lock last set (Windows changes locks in steps)
};

// Mode and ownership a replacement file keeps.
struct FileAttributes {
    bool exists = false;
    std::uint32_t mode = 0;  // permission bits (POSIX), file attributes (Windows)
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::filesystem::path source;  // the file they were read from: its extended attributes go too
};

// The attributes of `path`; exists = false when it is missing.
FileAttributes ReadAttributes(const std::filesystem::path& path);

// True when `path` exists and must not be written: no write permission bit set
// (also for the superuser), no write access for this user, or the read-only
// attribute on Windows.
bool IsReadOnlyFile(const std::filesystem::path& path);

// Creates `path` (which must not exist) with `data`, gives it `like`'s mode, group
// (and owner where allowed) and extended attributes (POSIX ACLs among them) when
// like.exists, and flushes it to disk unless `sync` is false. Throws EngineError
// naming `target` (the file it will replace) when any of that fails, a mode or
// group that cannot be given included; the partial file is removed then.
void WriteNewFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size,
                  const FileAttributes& like, const std::string& target, bool sync = true);

// Renames `from` over `to` (same directory), replacing it. Throws EngineError.
void ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a directory's entries to disk, so that renames and deletions in it
// survive a power cut. A file system that cannot flush a directory is no error;
// an error of the flush itself (EIO) throws EngineError naming the directory.
void SyncDirectory(const std::filesystem::path& dir);

// Flushes a file's contents to disk. Missing files, and files that are neither
// regular files nor directories (a FIFO is never opened), are ignored.
void SyncFile(const std::filesystem::path& path);

// Reads at most `maxBytes` from the start of the regular file `path`. Never blocks
// on opening: a FIFO, device or socket under that name is refused unread. Throws
// EngineError naming the file when it is not a regular file or cannot be read.
std::vector<std::uint8_t> ReadRegularFile(const std::filesystem::path& path, std::uint64_t maxBytes);

// The number of this process.
long CurrentProcessId();

// The number of the file `path` on its volume (the inode; Windows' file index),
// which a rename over the file changes; 0 when it cannot be had.
std::uint64_t FileNumber(const std::filesystem::path& path);

#ifdef _WIN32
// The system's text for a Windows error code, in UTF-8, with the code.
std::string SystemErrorText(unsigned long code);
#endif

}  // namespace ter5::engine
