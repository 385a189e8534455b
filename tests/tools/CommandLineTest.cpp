// --help, --version and wrong options of ter5tool and ter5manager, run as a user
// runs them: as processes, with their exit codes, standard output and standard
// error apart. The desktop program is run without a display, as on a server or
// over ssh, where --help and --version must still answer.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/ProcessRun.h"

namespace {

namespace fs = std::filesystem;

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs `program` with `args` (each quoted for the shell) under `environment`
// ("env" arguments, e.g. "-u DISPLAY").
#ifdef _WIN32
// The same on Windows: started with CreateProcessW, errors through a file.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& = "") {
    static int runs = 0;  // a file per run: Windows may not have let go of the last one yet
    const fs::path errFile = fs::temp_directory_path() /
                             ("ter5-cli-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs) + ".err");
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult run;
    run.exitCode = ter5::testing::RunArgv(argv, {}, &run.out, &errFile);
    run.err = ReadFile(errFile);
    std::string lf;  // text-mode errors end lines with CR LF
    for (std::size_t i = 0; i < run.err.size(); ++i)
        if (!(run.err[i] == '\r' && i + 1 < run.err.size() && run.err[i + 1] == '\n')) lf += run.err[i];
    run.err = lf;
    std::error_code ec;
    fs::remove(errFile, ec);
    return run;
}
#else
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& environment = "") {
    const fs::path errFile = fs::temp_directory_path() / ("ter5-cli-" + std::to_string(::getpid()) + ".err");
    std::string command = "env " + environment + " '" + program + "'";
    for (const auto& a : args) command += " '" + a + "'";
    command += " 2>'" + errFile.string() + "'";
    ProcessResult run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.err = ReadFile(errFile);
    fs::remove(errFile);
    return run;
}
#endif

ProcessResult Tool(const std::vector<std::string>& args) { return RunProgram(TER5_TOOL_PATH, args); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Columns of a line of UTF-8 text.
std::size_t Columns(const std::string& line) {
    std::size_t n = 0;
    for (char c : line) n += (c & 0xC0) != 0x80;
    return n;
}

// The command names of `ter5tool --help`: the lines under "commands:" indented by two.
std::vector<std::string> ListedCommands(const std::string& help) {
    std::vector<std::string> names;
    bool inList = false;
    for (const auto& line : Lines(help)) {
        if (line == "commands:") inList = true;
        else if (inList && line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != ' ')
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

TEST(ToolCommandLine, VersionAndCommandList) {
    const ProcessResult version = Tool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("ter5tool ") + TER5_PROJECT_VERSION + "\n");
    EXPECT_EQ(std::string(TER5_PROJECT_VERSION), "1.0.0.2");

    const ProcessResult help = Tool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.err.empty()) << help.err;
    EXPECT_EQ(Tool({"-h"}).out, help.out);
    EXPECT_EQ(Tool({"help"}).out, help.out);
    const auto commands = ListedCommands(help.out);
    for (const char* expected : {"append", "create", "demo", "dump", "geometry", "import", "index", "info", "pick",
                                 "reindex", "render", "scan", "search", "sql", "templates", "verify"})
        EXPECT_NE(std::find(commands.begin(), commands.end(), expected), commands.end()) << expected;
    for (const auto& line : Lines(help.out)) EXPECT_LE(Columns(line), 79u) << line;

    // No command at all is a mistake: the list goes to standard error.
    const ProcessResult none = Tool({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.out.empty());
    EXPECT_EQ(none.err, help.out);
}

TEST(ToolCommandLine, EveryCommandHasHelpAndRefusesUnknownOptions) {
    const auto commands = ListedCommands(Tool({"--help"}).out);
    ASSERT_FALSE(commands.empty());
    for (const auto& name : commands) {
        SCOPED_TRACE(name);
        const ProcessResult help = Tool({name, "--help"});
        EXPECT_EQ(help.exitCode, 0) << help.err;
        EXPECT_TRUE(StartsWith(help.out, "usage: ter5tool " + name + " ")) << help.out;
        EXPECT_EQ(Tool({name, "-h"}).out, help.out);
        EXPECT_EQ(Tool({"help", name}).out, help.out);
        EXPECT_EQ(Tool({name, "x", "--help"}).out, help.out);  // wherever it stands
        for (const auto& line : Lines(help.out)) EXPECT_LE(Columns(line), 79u) << line;

        // Nothing is read or written for a wrong option: x does not exist.
        for (const std::string option : {"--no-such-option", "-q"}) {
            const ProcessResult wrong = Tool({name, "x", option});
            EXPECT_EQ(wrong.exitCode, 2);
#ifndef TER5_HAVE_EXPORT
            // A build without GDAL says so first, whatever the options.
            if (name == "export") {
                EXPECT_TRUE(StartsWith(wrong.err, "ter5tool export: this build has no GIS export")) << wrong.err;
                continue;
            }
#endif
            EXPECT_TRUE(StartsWith(wrong.err, "ter5tool " + name + ": unknown option '" + option + "'")) << wrong.err;
        }
    }
}

TEST(ToolCommandLine, MistakesAreNamedAndValuesThatLookLikeOptionsAreValues) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string error;  // a piece of standard error
    };
    const fs::path missing = fs::temp_directory_path() / "ter5-cli-no-such-base";
    const std::vector<Case> cases = {
        {{"--bogus"}, 2, "ter5tool: unknown option '--bogus'"},
        {{"nosuch"}, 2, "ter5tool: unknown command 'nosuch'"},
        {{"help", "nosuch"}, 2, "ter5tool: unknown command 'nosuch'"},
        // Negative coordinates are numbers, not options: the missing base is the error.
        {{"pick", missing.string(), "-5", "-0.25"}, 2, "not a base"},
        // The search text follows its kind, even when it starts with a dash.
        {{"search", missing.string(), "--owner", "-ова"}, 2, missing.string()},
        {{"search", missing.string(), "ова"}, 2, "no search kind given"},
        {{"index", "add", "t.db", "--primary", "A", "--secondary", "S", "B"}, 2, "either --primary or --secondary"},
        {{"index", "remove", "t.db", "--primary", "A"}, 2, "the only action is 'add'"},
        {{"create", missing.string()}, 2, "ter5tool create: --group NAME is required"},
        {{"dump", "--encoding"}, 2, "--encoding needs a code page"},
        {{"demo", (missing / "d").string(), "--parcels", "many"}, 2, "--parcels needs a whole number, not 'many'"},
    };
    for (const auto& c : cases) {
        const ProcessResult run = Tool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0] << " " << run.err;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.args[0] << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists(missing));
}

#ifdef TER5_MANAGER_PATH

// No display and no window system chosen: what a shell on a server offers.
constexpr char kNoDisplay[] = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";

ProcessResult Manager(const std::vector<std::string>& args) { return RunProgram(TER5_MANAGER_PATH, args, kNoDisplay); }

TEST(ManagerCommandLine, HelpAndVersionWithoutADisplay) {
    const ProcessResult version = Manager({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, std::string("ter5manager ") + TER5_PROJECT_VERSION + "\n");
    EXPECT_EQ(Manager({"-v"}).out, version.out);
#ifndef _WIN32
    // Qt's own options are the application object's, and no mistake.
    EXPECT_EQ(Manager({"-platform", "offscreen", "--version"}).out, version.out);
    EXPECT_EQ(Manager({"--style=fusion", "-reverse", "--version"}).out, version.out);
#endif

    const ProcessResult help = Manager({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_TRUE(StartsWith(help.out, "usage: ter5manager [--show]")) << help.out;
    for (const char* option : {"--show", "--help", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
#ifndef _WIN32
    EXPECT_NE(help.out.find("ter5manager-start"), std::string::npos);
#endif
    EXPECT_EQ(Manager({"-h"}).out, help.out);
    for (const auto& line : Lines(help.out)) EXPECT_LE(Columns(line), 79u) << line;
}

TEST(ManagerCommandLine, MistakesEndWithExitCode2AndNoDisplayIsSaid) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"--bogus"}, "ter5manager: unknown option '--bogus'"},
        {{"-x"}, "ter5manager: unknown option '-x'"},
        {{"--show", "somewhere"}, "ter5manager: unexpected argument 'somewhere'"},
#ifdef _WIN32
        {{"-platform"}, "ter5manager: unknown option '--platform'"},
#else
        {{"-platform"}, "ter5manager: Missing value after '-platform'"},
#endif
    };
    for (const auto& [args, error] : mistakes) {
        const ProcessResult run = Manager(args);
        EXPECT_EQ(run.exitCode, 2) << args[0];
        EXPECT_TRUE(StartsWith(run.err, error)) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
#ifndef _WIN32
    // A start without any display ends at once with a message, not with Qt's abort.
    const ProcessResult start = Manager({"--show"});
    EXPECT_EQ(start.exitCode, 1);
    EXPECT_NE(start.err.find("no display"), std::string::npos) << start.err;
#endif
}

#endif

}  // namespace
