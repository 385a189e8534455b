#include "WriteJournal.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <random>
#include <set>
#include <sstream>

#include "FileUtil.h"
#include "PlatformFiles.h"
#include "TableNames.h"

namespace ter5::engine {
namespace {

// "<target>.ter5tmp-<token>-<n>": the writer's temporary files.
constexpr char kTempMarker[] = ".ter5tmp-";
// First lines of the two formats; the previous one has no table, id or checksum.
constexpr char kMagic[] = "ter5journal 2";
constexpr char kPreviousMagic[] = "ter5journal 1";
constexpr char kTableWord[] = "table";
constexpr char kIdWord[] = "write";
constexpr char kReplaceWord[] = "replace";
constexpr char kRemoveWord[] = "remove";
constexpr char kEndWord[] = "end";
// The id: 128 random bits as hexadecimal digits.
constexpr std::size_t kIdDigits = 32;
// FNV-1a, 64 bits (Fowler, Noll, Vo), over every byte before the end line.
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
constexpr std::size_t kChecksumDigits = 16;

std::uint64_t Checksum(const std::string& text) {
    std::uint64_t h = kFnvOffset;
    for (unsigned char c : text) h = (h ^ c) * kFnvPrime;
    return h;
}

std::string Hex(std::uint64_t value, std::size_t digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(digits, '0');
    for (std::size_t i = digits; i-- > 0; value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

bool Digits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HexDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

// Records why a journal is refused.
bool Broken(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}
std::nullopt_t Refused(std::string& why, std::string reason) {
    why = std::move(reason);
    return std::nullopt;
}

// The token of a temporary file name ("<target>.ter5tmp-<token>-<n>") when it is
// the writer's name for a temporary file of `target`.
std::optional<std::string> TokenOf(const std::string& temp, const std::string& target) {
    const std::string prefix = target + kTempMarker;
    if (temp.size() <= prefix.size() || temp.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    const std::string rest = temp.substr(prefix.size());
    const auto dash = rest.rfind('-');
    if (dash == std::string::npos || !Digits(rest.substr(dash + 1))) return std::nullopt;
    const std::string token = rest.substr(0, dash);
    if (!HexDigits(token)) return std::nullopt;
    return token;
}

// Checks the steps of a journal of table `stem`; `id` empty for the previous format,
// whose temporary files carry the writer's process number instead.
bool StepsHold(const WriteJournal& j, const std::string& stem, const std::string& id, std::string& why) {
    if (j.replaces.empty() && j.removes.empty()) return Broken(why, "it names no file");
    std::set<std::string> targets;
    for (const auto& [temp, target] : j.replaces) {
        if (!IsTableFileName(target, stem, true)) return Broken(why, "it would replace " + target + ", which is not a file of this table");
        const auto token = TokenOf(temp, target);
        if (!token || (id.empty() ? !Digits(*token) : *token != id))
            return Broken(why, "it would rename " + temp + ", which is not a temporary file this write made for " + target);
        if (!targets.insert(Upper(target)).second) return Broken(why, "it names " + target + " twice");
    }
    for (const std::string& name : j.removes) {
        if (!IsTableFileName(name, stem, false)) return Broken(why, "it would delete " + name + ", which is not an index or memo file of this table");
        if (!targets.insert(Upper(name)).second) return Broken(why, "it names " + name + " twice");
    }
    return true;
}

// Reads the step lines of a journal from `lines` (the first step onwards).
bool ReadSteps(const std::vector<std::string>& lines, std::size_t from, std::size_t to, WriteJournal& j, std::string& why) {
    for (std::size_t i = from; i < to; ++i) {
        const std::vector<std::string> f = SplitTabs(lines[i]);
        if (f.size() == 3 && f[0] == kReplaceWord && !f[1].empty() && !f[2].empty()) j.replaces.emplace_back(f[1], f[2]);
        else if (f.size() == 2 && f[0] == kRemoveWord && !f[1].empty()) j.removes.push_back(f[1]);
        else return Broken(why, "line " + std::to_string(i + 1) + " is no step of a write");
    }
    return true;
}

std::string StemOf(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

std::string NewWriteId() {
    static std::atomic<std::uint64_t> counter{0};
    std::random_device random;
    std::uint64_t high = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    std::uint64_t low = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    // Should the random device repeat itself (some platforms' do), time, process and
    // a counter still tell writes apart.
    high ^= static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    low ^= (static_cast<std::uint64_t>(CurrentProcessId()) << 32) ^ ++counter;
    return Hex(high, kIdDigits / 2) + Hex(low, kIdDigits / 2);
}

std::string TemporaryName(const std::string& target, const std::string& id, unsigned n) {
    return target + kTempMarker + id + "-" + std::to_string(n);
}

std::optional<std::string> TemporaryTarget(const std::string& name) {
    const auto marker = name.rfind(kTempMarker);
    if (marker == std::string::npos || marker == 0) return std::nullopt;
    const std::string target = name.substr(0, marker);
    if (!TokenOf(name, target)) return std::nullopt;
    return target;
}

std::string FormatJournal(const WriteJournal& j) {
    std::string text = std::string(kMagic) + "\n";
    text += std::string(kTableWord) + "\t" + j.table + "\n";
    text += std::string(kIdWord) + "\t" + j.id + "\n";
    for (const auto& [temp, target] : j.replaces) text += std::string(kReplaceWord) + "\t" + temp + "\t" + target + "\n";
    for (const std::string& name : j.removes) text += std::string(kRemoveWord) + "\t" + name + "\n";
    return text + kEndWord + "\t" + Hex(Checksum(text), kChecksumDigits) + "\n";
}

std::optional<WriteJournal> ParseJournal(const std::string& text, const std::string& tableName, std::string& why) {
    if (text.empty() || text.back() != '\n') return Refused(why, "it does not end with a whole line");
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    const std::string stem = StemOf(tableName);
    WriteJournal j;
    if (lines.front() == kPreviousMagic) {
        if (lines.size() < 2 || lines.back() != kEndWord) return Refused(why, "it has no end line");
        j.table = tableName;
        if (!ReadSteps(lines, 1, lines.size() - 1, j, why) || !StepsHold(j, stem, "", why)) return std::nullopt;
        return j;
    }
    if (lines.front() != kMagic) return Refused(why, "it does not start as a journal of this program");
    const std::vector<std::string> end = SplitTabs(lines.back());
    if (lines.size() < 4 || end.size() != 2 || end[0] != kEndWord) return Refused(why, "it has no end line");
    const std::string body = text.substr(0, text.size() - lines.back().size() - 1);
    if (end[1] != Hex(Checksum(body), kChecksumDigits)) return Refused(why, "its checksum does not match its text");
    const std::vector<std::string> table = SplitTabs(lines[1]);
    const std::vector<std::string> id = SplitTabs(lines[2]);
    if (table.size() != 2 || table[0] != kTableWord || id.size() != 2 || id[0] != kIdWord ||
        id[1].size() != kIdDigits || !HexDigits(id[1]))
        return Refused(why, "it does not name its table and write");
    if (!EqualsNoCase(table[1], tableName)) return Refused(why, "it belongs to the table " + table[1]);
    j.table = table[1];
    j.id = id[1];
    if (!ReadSteps(lines, 3, lines.size() - 1, j, why) || !StepsHold(j, stem, j.id, why)) return std::nullopt;
    return j;
}

}  // namespace ter5::engine
