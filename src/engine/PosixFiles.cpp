// The POSIX side of PlatformFiles.h.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "EngineError.h"
#include "PlatformFiles.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Permission bits a file keeps (no set-id or sticky bits).
constexpr mode_t kPermissionBits = 0777;
// Lock files are only ever locked, never executed.
constexpr mode_t kLockFileBits = 0666;
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

std::string ErrnoText(int error) { return std::strerror(error); }

// Gives a file the group and owner of `like`; what is not allowed is skipped
// (only the superuser may give a file away; a member of the group may set it).
void CopyOwnership(int fd, const FileAttributes& like) {
    if (::fchown(fd, static_cast<uid_t>(like.owner), static_cast<gid_t>(like.group)) == 0) return;
    [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(like.group));
}

// The device and inode of an open file, or its path where they cannot be had.
FileIdentity IdentityOf(int fd, const fs::path& path) {
    FileIdentity identity;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        identity.device = static_cast<std::uint64_t>(st.st_dev);
        identity.inode = static_cast<std::uint64_t>(st.st_ino);
    } else {
        identity.path = path.string();
    }
    return identity;
}

}  // namespace

void LockFile::Close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool LockFile::IsOpen() const { return handle_ >= 0; }

LockFile LockFile::Open(const fs::path& path, const fs::path& like, std::uint64_t byte) {
    LockFile f;
    f.path_ = path;
    f.byte_ = byte;
    const FileAttributes model = like.empty() ? FileAttributes{} : ReadAttributes(like);
    const mode_t mode = model.exists ? (model.mode & kLockFileBits) | S_IRUSR | S_IWUSR : kLockFileBits;
    // O_CLOEXEC: a program we start (the companion) must not inherit our locks.
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    bool created = false;
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        created = fd >= 0;
        if (fd < 0 && errno == EEXIST) fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    f.writable_ = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        f.error_ = ErrnoText(errno);
        return f;
    }
    if (created && model.exists) {
        ::fchmod(fd, mode);  // the umask must not lock other users of a shared base out
        CopyOwnership(fd, model);
    }
    f.identity_ = IdentityOf(fd, path);
    f.handle_ = fd;
    return f;
}

LockFile LockFile::OpenExisting(const fs::path& path, std::uint64_t byte) {
    LockFile f;
    f.path_ = path;
    f.byte_ = byte;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        f.error_ = ErrnoText(errno);
        return f;
    }
    f.identity_ = IdentityOf(fd, path);
    f.handle_ = fd;
    return f;
}

bool LockFile::Lock(Kind kind) {
    if (handle_ < 0) return kind == Kind::None;
    const int fd = static_cast<int>(handle_);
#ifdef F_OFD_SETLK
    struct flock fl {};
    fl.l_type = kind == Kind::Exclusive ? F_WRLCK : kind == Kind::Shared ? F_RDLCK : F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(byte_);
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
#else
    // Without open-file-description locks the whole file is locked: tables of one
    // directory then exclude each other, which is safe if coarse.
    const int op = kind == Kind::Exclusive ? LOCK_EX : kind == Kind::Shared ? LOCK_SH : LOCK_UN;
    return ::flock(fd, op | LOCK_NB) == 0;
#endif
}

FileAttributes ReadAttributes(const fs::path& path) {
    FileAttributes a;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return a;
    a.exists = true;
    a.mode = static_cast<std::uint32_t>(st.st_mode & kPermissionBits);
    a.owner = static_cast<std::uint32_t>(st.st_uid);
    a.group = static_cast<std::uint32_t>(st.st_gid);
    return a;
}

bool IsReadOnlyFile(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & kAnyWriteBit) == 0 || ::access(path.c_str(), W_OK) != 0;
}

void WriteNewFile(const fs::path& path, const std::uint8_t* data, std::size_t size, const FileAttributes& like,
                  const std::string& target, bool sync) {
    // A new file is made with the usual mode (the umask applies); a replacement
    // starts private and takes the old file's mode once it is written.
    const mode_t initial = like.exists ? (S_IRUSR | S_IWUSR) : 0666;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, initial);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EROFS || error == EPERM)
            Fail(target, "Table is read-only (its directory is not writable: " + ErrnoText(error) + ")");
        Fail(target, "cannot create a temporary file: " + ErrnoText(error));
    }
    auto failWith = [&](const std::string& what) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        Fail(target, what + ": " + ErrnoText(error));
    };
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) failWith("write failed");
        done += static_cast<std::size_t>(n);
    }
    if (like.exists) {
        ::fchmod(fd, static_cast<mode_t>(like.mode));
        CopyOwnership(fd, like);
    }
    if (sync && ::fsync(fd) != 0) failWith("write failed");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        Fail(target, "write failed: " + ErrnoText(error));
    }
}

void ReplaceFile(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) Fail(to.string(), "cannot replace the file: " + ErrnoText(errno));
}

void SyncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void SyncFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

long CurrentProcessId() { return static_cast<long>(::getpid()); }

std::uint64_t FileNumber(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

}  // namespace ter5::engine

#endif  // !_WIN32
