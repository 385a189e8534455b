#include "base/QuickStartList.h"

#include <system_error>

#include "base/PathNames.h"
#include "base/Platform.h"
#include "engine/FileUtil.h"
#include "engine/TextCodec.h"

namespace fs = std::filesystem;

namespace ter5::base {

std::string QuickStartListPath(const std::string& pathWorkFiles) {
    const std::string path = pathWorkFiles + "\\ter.lst";
    // A network path's leading "\\" stays: squeezed, it would name a folder of the
    // current drive, and the list of a companion program run from a share would
    // never be found where its executables are.
    std::string squeezed;
    squeezed.reserve(path.size());
    for (char c : path) {
        if (c == '\\' && !squeezed.empty() && squeezed.back() == '\\') continue;
        squeezed += c;
    }
    return path.starts_with("\\\\") ? "\\" + squeezed : squeezed;
}

std::vector<std::string> ParseQuickStartList(std::string_view windows1251) {
    static const engine::TextCodec codec(1251);
    std::vector<std::string> lines;
    std::string_view rest = windows1251;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(codec.Decode(line));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::vector<std::string>> ReadQuickStartList(const Platform& platform) {
    const std::string setting = platform.ReadMachineSetting(kPathWorkFiles, "C:\\Ter");
    const std::string host = platform.HostPath(QuickStartListPath(setting));
    const auto file = engine::ResolveNoCase(PathFromUtf8(host));
    std::error_code ec;
    if (!file || !fs::is_regular_file(*file, ec)) return std::nullopt;
    const std::vector<std::uint8_t> bytes = engine::ReadWholeFile(*file);  // EngineError on read failure
    return ParseQuickStartList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string QuickStartDirectory(const std::string& caption) {
    std::string directory;
    for (char c : caption)
        if (c != '&') directory += c;
    return directory;
}

}  // namespace ter5::base
