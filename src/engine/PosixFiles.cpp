// The POSIX side of PlatformFiles.h.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "EngineError.h"
#include "FaultHook.h"
#include "FreshMemory.h"
#include "FileUtil.h"
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

// Runs `call` unless the test hook fails it: its result, or -1 with errno set.
template <typename Call>
int Run(SystemCall which, const fs::path& file, Call&& call) {
    if (const int injected = InjectedError(which, file)) {
        errno = injected;
        return -1;
    }
    return call();
}

// "0640".
std::string OctalMode(std::uint32_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & kPermissionBits));
    return text;
}

// What a file that is not a regular one is, for messages.
std::string KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// Opens `path` without ever waiting: a FIFO opened for reading would wait for a
// writer. O_NONBLOCK is cleared again once the file is known to be regular.
int OpenNonBlocking(const fs::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Extended attributes the system itself governs (a security label, a trusted
// attribute): the system gives a new file its own, and a plain user may not set them.
bool SystemGoverned(const std::string& name, int error) {
    const bool namespaced = name.rfind("security.", 0) == 0 || name.rfind("trusted.", 0) == 0;
    return namespaced && (error == EPERM || error == EACCES || error == ENOTSUP);
}

#ifdef __linux__
// The names of the extended attributes of `path`, each NUL-terminated; empty when it
// has none or its file system keeps none.
bool ListAttributes(const fs::path& path, std::vector<char>& names) {
    for (;;) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0) return errno == ENOTSUP;
        names.resize(static_cast<std::size_t>(size));
        if (size == 0) return true;
        const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;  // ERANGE: one was added meanwhile
    }
}
#endif

// Gives the new file `fd` (`path`) every extended attribute of `source`: POSIX ACLs
// (system.posix_acl_access) grant users and groups their access, and a replaced file
// without them would lock those users out. Throws naming `target`.
void CopyExtendedAttributes([[maybe_unused]] int fd, [[maybe_unused]] const fs::path& path,
                            [[maybe_unused]] const fs::path& source, [[maybe_unused]] const std::string& target) {
#ifdef __linux__
    if (source.empty()) return;
    std::vector<char> names;
    if (!ListAttributes(source, names))
        Fail(target, "cannot read the extended attributes of " + PathToUtf8(source) + ": " + ErrnoText(errno));
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (name.empty()) continue;
        std::vector<char> value;
        ssize_t size = ::getxattr(source.c_str(), name.c_str(), nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::getxattr(source.c_str(), name.c_str(), value.data(), value.size());
        }
        if (size < 0) {
            if (errno == ENODATA) continue;  // removed meanwhile
            Fail(target, "cannot read the extended attribute " + name + ": " + ErrnoText(errno));
        }
        const int result = Run(SystemCall::CopyAttribute, path, [&] {
            return ::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(size), 0);
        });
        if (result != 0 && !SystemGoverned(name, errno))
            Fail(target, "cannot give the new file the extended attribute " + name + " of the file it replaces: " +
                             ErrnoText(errno));
    }
#endif
}

// Gives the new file `fd` (`path`) the group, owner, mode and extended attributes of
// `like`. Only the superuser may give a file away, so another owner is no error; a
// group or mode that cannot be kept is (the group's members would lose their access),
// and so is every attribute. Throws naming `target`.
void KeepAttributes(int fd, const fs::path& path, const FileAttributes& like, const std::string& target) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) Fail(target, "cannot read the new file's attributes: " + ErrnoText(errno));
    const auto owner = static_cast<uid_t>(like.owner);
    const auto group = static_cast<gid_t>(like.group);
    if (now.st_uid != owner || now.st_gid != group) {
        const bool whole = Run(SystemCall::Chown, path, [&] { return ::fchown(fd, owner, group); }) == 0;
        if (!whole && now.st_gid != group &&
            Run(SystemCall::Chown, path, [&] { return ::fchown(fd, static_cast<uid_t>(-1), group); }) != 0)
            Fail(target, "cannot give the new file the group " + std::to_string(like.group) +
                             " of the file it replaces: " + ErrnoText(errno));
    }
    if (Run(SystemCall::Chmod, path, [&] { return ::fchmod(fd, static_cast<mode_t>(like.mode)); }) != 0)
        Fail(target, "cannot give the new file the mode " + OctalMode(like.mode) + " of the file it replaces: " +
                         ErrnoText(errno));
    CopyExtendedAttributes(fd, path, like.source, target);
}

// Gives a file the group and owner of `like`; what is not allowed is skipped
// (only the superuser may give a file away; a member of the group may set it).
void CopyOwnership(int fd, const FileAttributes& like) {
    if (::fchown(fd, static_cast<uid_t>(like.owner), static_cast<gid_t>(like.group)) == 0) return;
    [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(like.group));
}

// The device and inode of the lock file open as `fd`; nullopt, the file closed and
// `error` saying why, when it is no regular file: a lock on anything but a regular
// file of our own is no lock.
std::optional<FileIdentity> RegularFileIdentity(int fd, std::string& error) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = ::fstat(fd, &st) != 0 ? ErrnoText(errno) : "it is " + KindOf(st.st_mode) + ", not a regular file";
        ::close(fd);
        return std::nullopt;
    }
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
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
    // Never waiting on the open: a FIFO of that name must not hang every command.
    int fd = OpenNonBlocking(path, O_RDWR);
    bool created = false;
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        created = fd >= 0;
        if (fd < 0 && errno == EEXIST) fd = OpenNonBlocking(path, O_RDWR);
    }
    f.writable_ = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd = OpenNonBlocking(path, O_RDONLY);
    if (fd < 0) {
        f.error_ = ErrnoText(errno);
        return f;
    }
    const std::optional<FileIdentity> identity = RegularFileIdentity(fd, f.error_);
    if (!identity) {
        f.writable_ = false;
        return f;
    }
    if (created && model.exists) {
        ::fchmod(fd, mode);  // the umask must not lock other users of a shared base out
        CopyOwnership(fd, model);
    }
    f.identity_ = *identity;
    f.handle_ = fd;
    return f;
}

LockFile LockFile::OpenExisting(const fs::path& path, std::uint64_t byte) {
    LockFile f;
    f.path_ = path;
    f.byte_ = byte;
    const int fd = OpenNonBlocking(path, O_RDONLY);
    if (fd < 0) {
        f.error_ = ErrnoText(errno);
        return f;
    }
    const std::optional<FileIdentity> identity = RegularFileIdentity(fd, f.error_);
    if (!identity) return f;
    f.identity_ = *identity;
    f.handle_ = fd;
    return f;
}

bool LockFile::StillNamed() const {
    if (handle_ < 0) return false;
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && static_cast<std::uint64_t>(st.st_dev) == identity_.device &&
           static_cast<std::uint64_t>(st.st_ino) == identity_.inode;
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
    a.source = path;
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
        try {
            KeepAttributes(fd, path, like, target);
        } catch (...) {
            ::close(fd);
            ::unlink(path.c_str());
            throw;
        }
    }
    if (sync && Run(SystemCall::SyncFile, path, [&] { return ::fsync(fd); }) != 0) failWith("write failed");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        Fail(target, "write failed: " + ErrnoText(error));
    }
}

void ReplaceFile(const fs::path& from, const fs::path& to) {
    if (Run(SystemCall::Rename, to, [&] { return ::rename(from.c_str(), to.c_str()); }) != 0)
        Fail(PathToUtf8(to), "cannot replace the file: " + ErrnoText(errno));
}

void SyncDirectory(const fs::path& dir) {
    const fs::path name = dir.empty() ? fs::path(".") : dir;
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // a directory we may write but not read: nothing to flush it with
    const int result = Run(SystemCall::SyncDirectory, name, [&] { return ::fsync(fd); });
    const int error = errno;
    ::close(fd);
    // EINVAL, EROFS, ENOTSUP: a file system that cannot flush a directory at all.
    if (result != 0 && error != EINVAL && error != EROFS && error != ENOTSUP && error != EBADF)
        Fail(PathToUtf8(name), "cannot flush the directory to disk: " + ErrnoText(error));
}

void SyncFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) ::fsync(fd);
    ::close(fd);
}

std::vector<std::uint8_t> ReadRegularFile(const fs::path& path, std::uint64_t maxBytes) {
    const int fd = OpenNonBlocking(path, O_RDONLY);
    if (fd < 0) Fail(PathToUtf8(path), "cannot open: " + ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const std::string what = ::fstat(fd, &st) != 0 ? ErrnoText(errno) : "it is " + KindOf(st.st_mode) + ", not a regular file";
        ::close(fd);
        Fail(PathToUtf8(path), "cannot read: " + what);
    }
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes)));
    BackFreshMemory(data.data(), data.capacity());
    std::uint8_t buffer[1 << 16];
    while (data.size() < maxBytes) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, maxBytes - data.size()));
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            Fail(PathToUtf8(path), "read error: " + ErrnoText(error));
        }
        if (n == 0) break;
        data.insert(data.end(), buffer, buffer + n);
    }
    ::close(fd);
    return data;
}

long CurrentProcessId() { return static_cast<long>(::getpid()); }

std::uint64_t FileNumber(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

}  // namespace ter5::engine

#endif  // !_WIN32
