#include "Commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>

#include "base/ProgramVersion.h"
#include "engine/EngineError.h"

namespace ter5::tool {
namespace {

constexpr char kProgram[] = "ter5tool";
// Separates a usage line's arguments from its description.
constexpr char kUsageSeparator[] = "  ";
// Width of the help texts and the indent of a command's description in the list.
constexpr std::size_t kTextWidth = 79;
constexpr std::size_t kNameIndent = 2;
// Indent of a command's usage line after its first line, under the program name.
constexpr std::size_t kUsageIndent = 7;
constexpr std::size_t kDescriptionIndent = 6;

std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

const CommandInfo* FindCommand(const std::string& name) {
    for (const auto& c : Registry())
        if (c.name == name) return &c;
    return nullptr;
}

// The arguments and the description of a usage line.
std::pair<std::string, std::string> SplitUsage(const std::string& usage) {
    const std::size_t cut = usage.find(kUsageSeparator);
    if (cut == std::string::npos) return {usage, {}};
    const std::size_t text = usage.find_first_not_of(' ', cut);
    return {usage.substr(0, cut), text == std::string::npos ? std::string() : usage.substr(text)};
}

// `text` broken at spaces into lines of at most kTextWidth code points (a longer
// word stands alone), the first indented by `indent` spaces and the others by
// `nextIndent`, each ended by a line feed.
std::string Wrap(const std::string& text, std::size_t indent, std::size_t nextIndent) {
    const auto width = [](const std::string& s) {
        return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (!line.empty() && indent + width(line) + 1 + width(word) > kTextWidth) {
            out += std::string(indent, ' ') + line + '\n';
            line.clear();
            indent = nextIndent;
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) out += std::string(indent, ' ') + line + '\n';
    return out;
}

void PrintCommandList(std::FILE* out) {
    std::fprintf(out,
                 "usage: %s COMMAND [ARGS]\n"
                 "       %s COMMAND --help\n"
                 "       %s --version\n\n"
                 "Reads, checks and maintains Paradox tables and TER v.5 bases.\n\ncommands:\n",
                 kProgram, kProgram, kProgram);
    auto commands = Registry();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (const auto& c : commands) {
        const auto [arguments, description] = SplitUsage(c.usage);
        std::fprintf(out, "%s%s", Wrap(c.name + " " + arguments, kNameIndent, kNameIndent + 2).c_str(),
                     Wrap(description, kDescriptionIndent, kDescriptionIndent).c_str());
    }
}

void PrintCommandHelp(const CommandInfo& c) {
    const auto [arguments, description] = SplitUsage(c.usage);
    const std::string usage = std::string("usage: ") + kProgram + " " + c.name + " " + arguments;
    std::printf("%s", Wrap(usage, 0, kUsageIndent).c_str());
    if (!description.empty()) std::printf("\n%s", Wrap(description, 0, 0).c_str());
    if (!c.help.empty()) std::printf("\n%s%s", c.help.c_str(), c.help.back() == '\n' ? "" : "\n");
}

// True when an argument before "--" asks for the command's help.
bool AsksForHelp(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--") return false;
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

int Misuse(const std::string& problem) {
    std::fprintf(stderr, "%s: %s (%s --help lists the commands)\n", kProgram, problem.c_str(), kProgram);
    return 2;
}

int RunGuarded(const CommandInfo& c, const std::vector<std::string>& args) {
    try {
        return c.run(args);
    } catch (const std::exception& e) {  // EngineError and the library's argument errors alike
        std::fprintf(stderr, "%s %s: %s\n", kProgram, c.name.c_str(), e.what());
        return 2;
    }
}

}  // namespace

CommandRegistration::CommandRegistration(std::string name, std::string usage, CommandFn run, std::string help) {
    Registry().push_back({std::move(name), std::move(usage), std::move(run), std::move(help)});
}

bool IsOption(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    return arg[1] == '-' || std::isalpha(static_cast<unsigned char>(arg[1]));
}

void RejectOptions(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (IsOption(a)) engine::Fail("", "unknown option '" + a + "'");
}

int RunCommand(const std::vector<std::string>& args) {
    if (args.empty()) {
        PrintCommandList(stderr);
        return 2;
    }
    const std::string& first = args[0];
    if (first == "--help" || first == "-h" || first == "help") {
        if (first != "help" || args.size() == 1) {
            PrintCommandList(stdout);
            return 0;
        }
        const CommandInfo* c = FindCommand(args[1]);
        if (!c) return Misuse("unknown command '" + args[1] + "'");
        PrintCommandHelp(*c);
        return 0;
    }
    if (first == "--version") {
        std::printf("%s %s\n", kProgram, base::kProgramVersion);
        return 0;
    }
    if (IsOption(first)) return Misuse("unknown option '" + first + "'");
    const CommandInfo* c = FindCommand(first);
    if (!c) return Misuse("unknown command '" + first + "'");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (AsksForHelp(rest)) {
        PrintCommandHelp(*c);
        return 0;
    }
    return RunGuarded(*c, rest);
}

}  // namespace ter5::tool
