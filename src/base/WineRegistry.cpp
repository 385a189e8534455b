#include "base/WineRegistry.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "base/PathNames.h"
#include "engine/FileUtil.h"
#include "engine/Utf8.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

// Value types of the saved forms other than strings (winnt.h).
constexpr int kRegBinary = 3;
constexpr int kRegDword = 4;
// Longest \x and octal escapes, digits (wineserver's parser reads no more).
constexpr std::size_t kMaxHexDigits = 4;
constexpr std::size_t kMaxOctalDigits = 3;
// Keys holding what Wine puts into a program's environment.
constexpr const char* kEnvironmentKey = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kProfileListKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<char16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = engine::kReplacementCharacter;
        }
        engine::AppendUtf8(c, out);
    }
    return out;
}

// Unescapes saved text from `pos` up to the unescaped `end` character (or the end of
// the text), as UTF-16 code units; `pos` is left on that character.
std::vector<char16_t> UnescapeUnits(std::string_view text, std::size_t& pos, char end = '"') {
    static const std::string_view kLetters = "abtnvfre";
    static const char16_t kControls[] = {7, 8, 9, 10, 11, 12, 13, 27};
    std::vector<char16_t> units;
    while (pos < text.size() && text[pos] != end) {
        const char c = text[pos++];
        if (c != '\\' || pos >= text.size()) {
            // ASCII as it stands; stray UTF-8 bytes (never written by Wine) are decoded.
            std::size_t at = pos - 1;
            const char32_t cp = engine::NextCodePointOrReplacement(text, at);
            pos = at;
            if (cp >= 0x10000) {
                units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                units.push_back(static_cast<char16_t>(cp));
            }
            continue;
        }
        const char e = text[pos++];
        if (e == 'x') {
            unsigned value = 0;
            std::size_t digits = 0;
            while (digits < kMaxHexDigits && pos < text.size() && HexDigit(text[pos]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexDigit(text[pos++]));
                ++digits;
            }
            units.push_back(digits ? static_cast<char16_t>(value) : u'x');
        } else if (e >= '0' && e <= '7') {
            unsigned value = static_cast<unsigned>(e - '0');
            for (std::size_t digits = 1; digits < kMaxOctalDigits && pos < text.size() && text[pos] >= '0' &&
                                         text[pos] <= '7';
                 ++digits)
                value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
            units.push_back(static_cast<char16_t>(value));
        } else if (const auto letter = kLetters.find(e); letter != std::string_view::npos) {
            units.push_back(kControls[letter]);
        } else {
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(e)));  // \\ \" and the rest
        }
    }
    return units;
}

// hex(n): data as bytes ("41,00,42,00"); line continuations already joined.
std::vector<std::uint8_t> HexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return bytes;
}

// A UTF-16LE string of hex(1): or hex(2): data, without its terminating null.
std::string Utf16LeText(const std::vector<std::uint8_t>& bytes) {
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        units.push_back(unit);
    }
    return Utf16ToUtf8(units);
}

// The saved form after "=": a string, str(n):, hex(n):, hex: or dword:.
RegistryValue ParseData(std::string_view data) {
    RegistryValue value;
    std::size_t pos = 0;
    if (data.starts_with("\"")) {
        pos = 1;
        value.text = Utf16ToUtf8(UnescapeUnits(data, pos));
        return value;
    }
    if (data.starts_with("str(")) {
        value.type = std::atoi(std::string(data.substr(4)).c_str());
        pos = data.find('"');
        if (pos != std::string_view::npos && (value.type == kRegSz || value.type == kRegExpandSz)) {
            ++pos;
            value.text = Utf16ToUtf8(UnescapeUnits(data, pos));
        }
        return value;
    }
    if (data.starts_with("hex(")) {
        value.type = std::atoi(std::string(data.substr(4)).c_str());
        if (value.type == kRegSz || value.type == kRegExpandSz) {
            const auto colon = data.find(':');
            value.text = Utf16LeText(HexBytes(colon == std::string_view::npos ? "" : data.substr(colon + 1)));
        }
        return value;
    }
    value.type = data.starts_with("dword:") ? kRegDword : kRegBinary;
    return value;
}

// The key path of a "[...] timestamp" line, unescaped; nullopt for other lines.
std::optional<std::string> KeyOfLine(std::string_view line) {
    if (!line.starts_with("[")) return std::nullopt;
    std::size_t pos = 1;
    const std::vector<char16_t> units = UnescapeUnits(line, pos, ']');
    if (pos >= line.size()) return std::nullopt;
    return Utf16ToUtf8(units);
}

// Calls `visit` with each value line ("name"=data) of the keys `wanted` (compared
// without regard to case) and the key it belongs to; stops when `visit` returns true.
void ScanRegistry(const fs::path& file, const std::vector<std::string>& wanted,
                  const std::function<bool(const std::string& key, std::string_view line)>& visit) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!fs::exists(file, ec)) return;
        throw std::runtime_error("Невозможно прочитать реестр Wine " + PathToUtf8(file) + ": " + std::strerror(errno));
    }
    const std::string* current = nullptr;
    std::string line;
    std::string pending;  // a hex value continued over several lines
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!pending.empty()) {
            pending += line;
            if (!pending.empty() && pending.back() == '\\') {
                pending.pop_back();
                continue;
            }
            line.swap(pending);
            pending.clear();
        } else if (line.starts_with("[")) {
            current = nullptr;
            if (const auto key = KeyOfLine(line)) {
                for (const std::string& w : wanted)
                    if (engine::EqualsNoCase(*key, w)) current = &w;
            }
            continue;
        } else if (current && (line.starts_with("\"") || line.starts_with("@")) && line.back() == '\\' &&
                   line.find("=hex") != std::string::npos) {
            pending = line.substr(0, line.size() - 1);
            continue;
        }
        if (current && (line.starts_with("\"") || line.starts_with("@")) && visit(*current, line)) return;
    }
}

// Splits a value line into its unescaped name and its data.
std::pair<std::string, std::string_view> SplitValueLine(std::string_view line) {
    if (line.starts_with("@=")) return {"", line.substr(2)};
    std::size_t pos = 1;
    const std::string name = Utf16ToUtf8(UnescapeUnits(line, pos));
    const std::size_t equals = pos + 1;  // past the closing quote
    if (equals >= line.size() || line[equals] != '=') return {name, {}};
    return {name, line.substr(equals + 1)};
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string DecodeWineRegistryString(std::string_view escaped) {
    std::size_t pos = 0;
    return Utf16ToUtf8(UnescapeUnits(escaped, pos));
}

std::optional<RegistryValue> ReadWineRegistryValue(const fs::path& file, std::string_view key, std::string_view name) {
    const std::string wantedName = name == "@" ? std::string() : std::string(name);
    std::optional<RegistryValue> found;
    ScanRegistry(file, {std::string(key)}, [&](const std::string&, std::string_view line) {
        const auto [valueName, data] = SplitValueLine(line);
        if (!engine::EqualsNoCase(valueName, wantedName)) return false;
        found = ParseData(data);
        return true;
    });
    return found;
}

std::string ExpandWineEnvironment(const std::string& text, const fs::path& systemReg, bool wow64) {
    if (text.find('%') == std::string::npos) return text;
    // Variables by lower-case name: first what Wine derives itself, then the
    // Session Manager's, which may refer to the former.
    std::map<std::string, std::string> variables = {
        {"systemdrive", "C:"},
        {"systemroot", "C:\\windows"},
        {"windir", "C:\\windows"},
        {"programfiles", wow64 ? "C:\\Program Files (x86)" : "C:\\Program Files"},
        {"programfiles(x86)", "C:\\Program Files (x86)"},
        {"programw6432", "C:\\Program Files"},
        {"commonprogramfiles", wow64 ? "C:\\Program Files (x86)\\Common Files" : "C:\\Program Files\\Common Files"},
        {"commonprogramfiles(x86)", "C:\\Program Files (x86)\\Common Files"},
        {"commonprogramw6432", "C:\\Program Files\\Common Files"},
        {"programdata", "C:\\ProgramData"},
        {"allusersprofile", "C:\\ProgramData"},
        {"public", "C:\\users\\Public"},
    };
    std::map<std::string, std::string> sessionManager;
    ScanRegistry(systemReg, {kEnvironmentKey, kCurrentVersionKey, kProfileListKey},
                 [&](const std::string& key, std::string_view line) {
                     const auto [name, data] = SplitValueLine(line);
                     const RegistryValue value = ParseData(data);
                     if (value.type != kRegSz && value.type != kRegExpandSz) return false;
                     const std::string lower = Lower(name);
                     if (key == kEnvironmentKey) {
                         sessionManager[lower] = value.text;
                     } else if (key == kCurrentVersionKey) {
                         if (lower == (wow64 ? "programfilesdir (x86)" : "programfilesdir"))
                             variables["programfiles"] = value.text;
                         if (lower == "programfilesdir (x86)") variables["programfiles(x86)"] = value.text;
                         if (lower == "programfilesdir") variables["programw6432"] = value.text;
                         if (lower == (wow64 ? "commonfilesdir (x86)" : "commonfilesdir"))
                             variables["commonprogramfiles"] = value.text;
                     } else if (lower == "programdata") {
                         variables["programdata"] = variables["allusersprofile"] = value.text;
                     }
                     return false;
                 });
    const auto expandOnce = [&variables](const std::string& in) {
        std::string out;
        std::size_t pos = 0;
        while (pos < in.size()) {
            const std::size_t open = in.find('%', pos);
            const std::size_t close = open == std::string::npos ? open : in.find('%', open + 1);
            if (close == std::string::npos) {
                out += in.substr(pos);
                break;
            }
            out += in.substr(pos, open - pos);
            const auto it = variables.find(Lower(in.substr(open + 1, close - open - 1)));
            if (it != variables.end()) {
                out += it->second;
                pos = close + 1;
            } else {
                out += '%';  // not a variable: the second % may open the next one
                pos = open + 1;
            }
        }
        return out;
    };
    for (const auto& [name, value] : sessionManager) variables.emplace(name, expandOnce(value));
    return expandOnce(text);
}

}  // namespace ter5::base
