#include "FileUtil.h"

#include <algorithm>
#include <limits>
#include <random>

#include "EngineError.h"
#include "PlatformFiles.h"


namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string PathToUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<fs::path> FindFileNoCase(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    const fs::path base = dir.empty() ? fs::path(".") : dir;
#ifndef _WIN32
    // Windows names ignore case: there the entry is looked up for its spelling on disk.
    if (fs::exists(base / PathFromUtf8(name), ec)) return dir.empty() ? PathFromUtf8(name) : dir / PathFromUtf8(name);
#endif
    std::optional<fs::path> found;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = PathToUtf8(it->path().filename());
        if (EqualsNoCase(entry, name)) {
            found = dir.empty() ? PathFromUtf8(entry) : dir / PathFromUtf8(entry);
            break;
        }
    }
    return found;
}

std::optional<fs::path> ResolveNoCase(const fs::path& path) {
#ifndef _WIN32
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
#endif
    return FindFileNoCase(path.parent_path(), PathToUtf8(path.filename()));
}

std::vector<fs::path> ListCompanions(const fs::path& dir, const std::string& stem) {
    std::vector<fs::path> result;
    std::error_code ec;
    const std::string prefix = stem + ".";
    const fs::path base = dir.empty() ? fs::path(".") : dir;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = PathToUtf8(it->path().filename());
        if (entry.size() > prefix.size() && EqualsNoCase(entry.substr(0, prefix.size()), prefix))
            result.push_back(dir.empty() ? PathFromUtf8(entry) : dir / PathFromUtf8(entry));
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
    return ReadRegularFile(path, std::numeric_limits<std::uint64_t>::max());
}

std::vector<std::uint8_t> ReadFilePrefix(const fs::path& path, std::size_t maxBytes) { return ReadRegularFile(path, maxBytes); }

void WriteFileAtomic(const fs::path& path, const std::vector<std::uint8_t>& data, Durability durability) {
    static std::mt19937_64 rng{std::random_device{}()};
    const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const fs::path tmp = dir / PathFromUtf8(PathToUtf8(path.filename()) + ".ter5tmp-" +
                                            std::to_string(CurrentProcessId()) + "-" + std::to_string(rng() % 1000000));
    WriteNewFile(tmp, data.data(), data.size(), ReadAttributes(path), PathToUtf8(path), durability == Durability::Synced);
    try {
        ReplaceFile(tmp, path);
    } catch (...) {
        std::error_code ec;
        fs::remove(tmp, ec);
        throw;
    }
    if (durability == Durability::Synced) SyncDirectory(dir);
}

}  // namespace ter5::engine
