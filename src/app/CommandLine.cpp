#include "app/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/ProgramCommandLine.h"

namespace ter5::app {
namespace {

constexpr char kProgram[] = "ter5manager";

// Options QGuiApplication and QApplication read from the command line themselves
// (Qt's QGuiApplication and QApplication documentation), with and without a value.
const char* const kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                       "qwindowgeometry", "geometry", "qwindowicon", "icon",
                                       "qwindowtitle", "title", "display", "name",
                                       "style", "stylesheet", "session", "qmljsdebugger"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    std::vector<std::string> words;
    for (qsizetype i = 1; i < arguments.size(); ++i) words.push_back(arguments[i].toStdString());
    const base::ProgramCommand command = base::ParseProgramArguments(words, {kQtValueOptions, kQtFlagOptions});
    CommandLine result;
    switch (command.action) {
        case base::ProgramCommand::Action::Start: result.action = CommandLine::Action::Start; break;
        case base::ProgramCommand::Action::PrintHelp: result.action = CommandLine::Action::PrintHelp; break;
        case base::ProgramCommand::Action::PrintVersion: result.action = CommandLine::Action::PrintVersion; break;
        case base::ProgramCommand::Action::Fail: result.action = CommandLine::Action::Fail; break;
    }
    result.show = command.show;
    result.platformGiven = std::find(command.given.begin(), command.given.end(), "platform") != command.given.end();
    result.error = QString::fromStdString(command.error);
    return result;
}

QString CommandLineHelp() {
    return QString::fromStdString(base::ProgramHelpText(
        " [Qt options]",
        "Qt's own options are accepted too, e.g. -platform offscreen, -style fusion,\n"
        "-reverse.\n"
        "\n"
        "The program works in the directory it is started in: the template tables and\n"
        "the cursor files are there. ter5manager-start (the desktop menu's entry)\n"
        "starts it in the per-user data directory, $XDG_DATA_HOME/ter5manager\n"
        "(~/.local/share/ter5manager), and the program fills that directory from the\n"
        "installed copies on its first start.\n"));
}

QString VersionText() { return QString::fromStdString(base::ProgramVersionText()); }

std::optional<int> AnswerCommandLine(const CommandLine& commandLine) {
    switch (commandLine.action) {
        case CommandLine::Action::Start:
            return std::nullopt;
        case CommandLine::Action::PrintHelp:
            std::fputs(CommandLineHelp().toLocal8Bit().constData(), stdout);
            return 0;
        case CommandLine::Action::PrintVersion:
            std::printf("%s\n", VersionText().toLocal8Bit().constData());
            return 0;
        case CommandLine::Action::Fail:
            std::fprintf(stderr, "%s\n",
                         QString::fromStdString(base::ProgramErrorText(commandLine.error.toStdString()))
                             .toLocal8Bit()
                             .constData());
            return 2;
    }
    return 2;
}

QString MissingDisplayMessage(const CommandLine& commandLine) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
    if (commandLine.platformGiven) return {};
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(variable)) return {};
    return QStringLiteral("%1: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
                          "start it in a desktop session, or on a virtual one: xvfb-run %1 --show")
        .arg(QString::fromLatin1(kProgram));
#else
    Q_UNUSED(commandLine);
    return {};
#endif
}

}  // namespace ter5::app
