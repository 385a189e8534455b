#include "ConsoleHost.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

#ifdef _WIN32
#include <io.h>
#define TER5_ISATTY _isatty
#define TER5_FILENO _fileno
#else
#include <unistd.h>
#define TER5_ISATTY isatty
#define TER5_FILENO fileno
#endif

namespace ter5::templates {
namespace {

// Width of the bar in characters, and the width of the line that erases it.
constexpr int kBarWidth = 40;
constexpr int kLineWidth = 72;
constexpr double kPercent = 100.0;
// Prefix of the command options.
constexpr char kOptionPrefix[] = "--";

}  // namespace

ConsoleHost::ConsoleHost(base::TDM& dm, std::string targetDirectory, std::FILE* bar)
    : dm_(dm), target_(std::move(targetDirectory)), bar_(bar), terminal_(bar && TER5_ISATTY(TER5_FILENO(bar))) {}

void ConsoleHost::OpenBaseDirectory(const std::string& directory) { dm_.OpenBaseDirectory(directory, true); }

void ConsoleHost::ShowProgress(double upper, double /*lower*/) {
    fraction_ = std::clamp(upper, 0.0, 1.0);
    Draw();
}

void ConsoleHost::RefreshStatusBar() {
    fraction_ = 0.0;
    Erase();
}

void ConsoleHost::ShowMessage(const std::string& text) {
    Erase();
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    ++messages_;
}

void ConsoleHost::ShowNote(const std::string& text) {
    Erase();
    std::printf("%s\n(--force rebuilds them as well)\n", text.c_str());
    std::fflush(stdout);
}

void ConsoleHost::SetPosition(std::size_t position) {
    position_ = position;
    if (position == 0)
        Erase();
    else
        Draw();
}

void ConsoleHost::Draw() {
    if (!terminal_) return;
    const int filled = static_cast<int>(std::lround(fraction_ * kBarWidth));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(bar_, "\r[%s] %3.0f%%", bar.c_str(), fraction_ * kPercent);
    if (maximum_ > 0) std::fprintf(bar_, "  table %zu/%zu", std::min(position_ + 1, maximum_), maximum_);
    std::fflush(bar_);
    drawn_ = true;
}

void ConsoleHost::Erase() {
    if (!terminal_ || !drawn_) return;
    std::fprintf(bar_, "\r%*s\r", kLineWidth, "");
    std::fflush(bar_);
    drawn_ = false;
}

CommandOptions ParseCommandOptions(const std::vector<std::string>& args, const CommandSyntax& syntax) {
    const auto fail = [](const std::string& problem) { throw std::invalid_argument(problem); };
    CommandOptions options;
    bool onlyPaths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool shortOption = arg.size() > 1 && arg[0] == '-' && std::isalpha(static_cast<unsigned char>(arg[1]));
        if (!onlyPaths && shortOption) fail("unknown option '" + arg + "'");
        if (onlyPaths || arg.rfind(kOptionPrefix, 0) != 0) {
            options.paths.push_back(arg);
            continue;
        }
        if (arg == kOptionPrefix) {
            onlyPaths = true;
            continue;
        }
        std::string name = arg.substr(2), value;
        const bool inlineValue = name.find('=') != std::string::npos;
        if (inlineValue) {
            value = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
        }
        if (name == "recursive" && syntax.recursive && !inlineValue) {
            options.recursive = true;
            continue;
        }
        if (name == "force" && syntax.force && !inlineValue) {
            options.force = true;
            continue;
        }
        const bool known = name == "group" || name == "templates" || (name == "table" && syntax.table);
        if (!known) fail("unknown option '--" + name + "'");
        if (!inlineValue) {
            if (i + 1 >= args.size()) fail("--" + name + " needs a value");
            value = args[++i];
        }
        (name == "group" ? options.group : name == "table" ? options.table : options.templates) = value;
    }
    if (options.group.empty()) fail("--group NAME is required");
    if (options.templates.empty()) fail("--templates needs a directory");
    if (options.paths.size() < syntax.minPaths) fail("a base directory is required");
    if (syntax.maxPaths > 0 && options.paths.size() > syntax.maxPaths) fail("too many base directories");
    return options;
}

}  // namespace ter5::templates
