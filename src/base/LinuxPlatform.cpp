#ifndef _WIN32

#include "base/LinuxPlatform.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

extern char** environ;

#include "base/PathNames.h"
#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

std::string StripLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

// The raw value of `name` in section `section` of an INI file; nullopt when absent.
std::optional<std::string> ReadIniValue(const fs::path& file, const std::string& section, const std::string& name) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = StripLineEnd(line);
        const std::string trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
        if (trimmed.front() == '[' && trimmed.back() == ']') {
            inSection = engine::EqualsNoCase(TrimBlanks(trimmed.substr(1, trimmed.size() - 2)), section);
            continue;
        }
        if (!inSection) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (!engine::EqualsNoCase(TrimBlanks(line.substr(0, eq)), name)) continue;
        std::string value = TrimBlanks(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

}  // namespace

LinuxPlatform::Options LinuxPlatform::DefaultOptions() {
    Options options;
    const char* settings = std::getenv("TER5_MACHINE_SETTINGS");
    options.settingsFile = settings && *settings ? fs::path(settings) : fs::path("/etc/terrakon.conf");
    options.winePrefix = WinePathMapper::DefaultPrefix();
    const char* path = std::getenv("PATH");
    options.searchPath = path ? path : "/usr/local/bin:/usr/bin:/bin";
    return options;
}

LinuxPlatform::LinuxPlatform() : LinuxPlatform(DefaultOptions()) {}

LinuxPlatform::LinuxPlatform(Options options)
    : options_(std::move(options)), mapper_(options_.winePrefix) {}

std::string LinuxPlatform::ReadMachineSetting(const std::string& name, const std::string& defaultText) const {
    const auto value = ReadIniValue(options_.settingsFile, kMachineSettingKey, name);
    if (!value || TrimBlanks(*value).empty()) return defaultText;
    return *value;
}

std::string LinuxPlatform::HostPath(const std::string& path) const {
    return mapper_.ToHost(path);
}

std::string LinuxPlatform::FindWine() const {
    std::string::size_type start = 0;
    const std::string& search = options_.searchPath;
    while (start <= search.size()) {
        auto end = search.find(':', start);
        if (end == std::string::npos) end = search.size();
        const std::string dir = search.substr(start, end - start);
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / "wine";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

StartResult LinuxPlatform::StartProgram(const std::string& program, const std::string& workingDirectory) {
    const std::string wine = FindWine();
    if (wine.empty()) return {StartStatus::LauncherMissing, {}};

    // The grandchild reports a failed chdir or exec through this pipe; a successful
    // exec closes it (close-on-exec) and the parent reads end of file.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {StartStatus::Failed, std::strerror(errno)};
    // Everything the child needs is prepared here: after fork only system calls follow.
    const std::string prefixEntry = "WINEPREFIX=" + options_.winePrefix.string();
    std::vector<const char*> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "WINEPREFIX=", 11) != 0) environment.push_back(*entry);
    }
    environment.push_back(prefixEntry.c_str());
    environment.push_back(nullptr);
    // Windows paths go to Wine as they are, so the program sees the path it expects.
    const std::string target = WinePathMapper::IsWindowsPath(program) ? program : mapper_.ToHost(program);
    const char* argv[] = {"wine", target.c_str(), nullptr};

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return {StartStatus::Failed, std::strerror(error)};
    }
    if (child == 0) {
        // Detach: the intermediate child exits at once, so the companion program is
        // never our child and leaves no zombie behind.
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        int error = 0;
        if (::chdir(workingDirectory.c_str()) != 0) {
            error = errno;
        } else {
            ::execve(wine.c_str(), const_cast<char* const*>(argv),
                     const_cast<char* const*>(environment.data()));
            error = errno;
        }
        [[maybe_unused]] auto written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof error)) return {StartStatus::Failed, std::strerror(error)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {StartStatus::Failed, "the process could not be created"};
    return {StartStatus::Started, {}};
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<LinuxPlatform>();
}

}  // namespace ter5::base

#endif
