#include "FileHolders.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

#include "FileUtil.h"
#include "PlatformFiles.h"

#ifdef __linux__
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#endif

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Extensions of a table's own files another program keeps open with it.
bool IsGuardedCompanion(const std::string& extension) {
    std::string e;
    for (char c : extension) e += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (e == ".DB" || e == ".PX" || e == ".MB") return true;
    return e.size() == 4 && (e[1] == 'X' || e[1] == 'Y') &&
           (e[2] == 'G' || std::isxdigit(static_cast<unsigned char>(e[2]))) && std::isxdigit(static_cast<unsigned char>(e[3]));
}

#ifdef __linux__

// The name a process goes by: a Windows program under Wine shows its .exe name.
std::string ProgramName(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "process " + std::to_string(pid) : name;
}

// Wine's own background programs, which are never what holds a base.
constexpr const char* kWineSystemPrograms[] = {"services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
                                               "rpcss.exe",    "explorer.exe",   "conhost.exe",  "start.exe",
                                               "wineboot.exe", "winemenubuilder.exe"};

std::string Environment(long pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string entry;
    while (std::getline(in, entry, '\0'))
        if (entry.rfind(name + "=", 0) == 0) return entry.substr(name.size() + 1);
    return {};
}

// Under Wine the files a Windows program opens are held by the wineserver of its
// prefix. The program the user knows is the Windows one: the server's other
// processes, but for Wine's own background programs.
std::vector<std::pair<long, std::string>> WineProgramsOf(long serverPid) {
    std::vector<std::pair<long, std::string>> programs;
    const std::string prefix = Environment(serverPid, "WINEPREFIX");
    DIR* proc = ::opendir("/proc");
    if (!proc) return programs;
    while (const dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == serverPid) continue;
        std::error_code ec;
        const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
        const std::string exeName = exe.filename().string();
        if (ec || exeName.rfind("wine", 0) != 0 || exeName.rfind("wineserver", 0) == 0) continue;
        if (Environment(pid, "WINEPREFIX") != prefix) continue;
        const std::string name = ProgramName(pid);
        if (std::any_of(std::begin(kWineSystemPrograms), std::end(kWineSystemPrograms),
                        [&](const char* system) { return EqualsNoCase(name, system); }))
            continue;
        programs.emplace_back(pid, name);
    }
    ::closedir(proc);
    return programs;
}

// Names the Windows program behind a wineserver holder, when there is one.
void NameWinePrograms(std::vector<FileHolder>& holders) {
    std::vector<FileHolder> named;
    for (const FileHolder& h : holders) {
        if (h.program.rfind("wineserver", 0) != 0) {
            named.push_back(h);
            continue;
        }
        const auto programs = WineProgramsOf(h.pid);
        if (programs.empty()) named.push_back(h);
        for (const auto& [pid, name] : programs) named.push_back({pid, name, h.file, h.locked});
    }
    holders = std::move(named);
}

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator<(const Identity& o) const { return device != o.device ? device < o.device : inode < o.inode; }
};

// Processes with one of `wanted` open, from their /proc/<pid>/fd links.
void ScanOpenFiles(const std::map<Identity, fs::path>& wanted, std::vector<FileHolder>& holders) {
    const long self = CurrentProcessId();
    DIR* proc = ::opendir("/proc");
    if (!proc) return;
    while (const dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        const std::string fdDir = std::string("/proc/") + e->d_name + "/fd";
        const int dirFd = ::open(fdDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) continue;  // another user's process: not ours to inspect
        DIR* fds = ::fdopendir(dirFd);
        if (!fds) {
            ::close(dirFd);
            continue;
        }
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.') continue;
            struct stat st {};
            if (::fstatat(dirFd, f->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
            const auto it = wanted.find({st.st_dev, st.st_ino});
            if (it == wanted.end()) continue;
            holders.push_back({pid, ProgramName(pid), it->second, false});
            break;  // one file names the process
        }
        ::closedir(fds);
    }
    ::closedir(proc);
}

// A lock another process holds on `file`, found by asking whether a write lock
// on all of it could be had.
void TestLock(const fs::path& file, std::vector<FileHolder>& holders) {
    // Not waiting on the open, and only regular files: a FIFO named PARADOX.LCK
    // would block a plain open for reading until someone writes to it.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    const bool asked = ::fcntl(fd, F_GETLK, &fl) == 0;
    ::close(fd);  // we hold no POSIX lock on these files, so closing releases none
    if (!asked || fl.l_type == F_UNLCK) return;
    const long pid = fl.l_pid > 0 ? static_cast<long>(fl.l_pid) : 0;
    if (pid == CurrentProcessId()) return;
    holders.push_back({pid, pid ? ProgramName(pid) : std::string(), file, true});
}

#endif  // __linux__

}  // namespace

std::vector<fs::path> TableFilesToGuard(const fs::path& tablePath) {
    std::vector<fs::path> files;
    const fs::path dir = tablePath.parent_path();
    const std::string stem = PathToUtf8(tablePath.stem());
    for (const fs::path& p : ListCompanions(dir, stem))
        if (EqualsNoCase(PathToUtf8(p.stem()), stem) && IsGuardedCompanion(PathToUtf8(p.extension()))) files.push_back(p);
    for (const char* name : kEngineLockFiles)
        if (auto found = FindFileNoCase(dir, name)) files.push_back(*found);
    if (auto found = FindFileNoCase(dir, stem + kTableLockExtension)) files.push_back(*found);
    return files;
}

#ifndef _WIN32
std::vector<FileHolder> FindFileHolders(const std::vector<fs::path>& files) {
    std::vector<FileHolder> holders;
#ifdef __linux__
    std::map<Identity, fs::path> wanted;
    for (const fs::path& f : files) {
        struct stat st {};
        if (::stat(f.c_str(), &st) == 0) wanted[{st.st_dev, st.st_ino}] = f;
    }
    if (wanted.empty()) return holders;
    ScanOpenFiles(wanted, holders);
    for (const auto& [id, file] : wanted) TestLock(file, holders);
    NameWinePrograms(holders);
    // One entry per process: a lock whose owner the system does not name (an
    // open-file-description lock) belongs to the process found with the file open.
    for (auto it = holders.begin(); it != holders.end();) {
        const auto owner = std::find_if(holders.begin(), holders.end(),
                                        [&](const FileHolder& h) { return h.pid != 0 && h.file == it->file; });
        if (it->pid == 0 && it->locked && owner != holders.end()) {
            owner->locked = true;
            it = holders.erase(it);
        } else {
            ++it;
        }
    }
    std::map<long, FileHolder*> first;
    for (FileHolder& h : holders)
        if (h.pid != 0 && !first.emplace(h.pid, &h).second && h.file == first[h.pid]->file && h.locked)
            first[h.pid]->locked = true;
    std::set<long> seen;
    std::erase_if(holders, [&seen](const FileHolder& h) { return h.pid != 0 && !seen.insert(h.pid).second; });
#else
    (void)files;
#endif
    return holders;
}
#endif  // !_WIN32

std::vector<FileHolder> HeldEngineLockFiles(const fs::path& directory) {
    std::vector<fs::path> files;
    for (const char* name : kEngineLockFiles)
        if (auto found = FindFileNoCase(directory, name)) files.push_back(*found);
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (EqualsNoCase(PathToUtf8(it->path().extension()), kTableLockExtension) &&
            std::none_of(files.begin(), files.end(), [&](const fs::path& f) { return f.filename() == it->path().filename(); }))
            files.push_back(it->path());
    }
    return FindFileHolders(files);
}

std::string DescribeHolders(const std::vector<FileHolder>& holders) {
    if (holders.empty()) return {};
    const FileHolder& h = holders.front();
    std::string text = " (held by ";
    text += h.program.empty() ? std::string("another program") : h.program;
    if (h.pid) text += ", process " + std::to_string(h.pid);
    text += h.locked ? ", which locks " : ", which has open ";
    text += PathToUtf8(h.file.filename());
    if (holders.size() > 1) text += "; and " + std::to_string(holders.size() - 1) + " more";
    return text + ")";
}

}  // namespace ter5::engine
