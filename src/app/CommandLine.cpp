#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <cstdio>

#include "base/ProgramVersion.h"

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

QCommandLineOption Hidden(const QString& name, const QString& valueName = {}) {
    QCommandLineOption option(name, QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The option as it was most likely typed: one dash before a letter, two before a word.
QString Spelled(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-platform xcb" as Qt spells it; "-h" and "-v" stay one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption show(QStringLiteral("show"));
    parser.addOptions({help, version, show});
    for (const char* name : kQtValueOptions)
        parser.addOption(Hidden(QString::fromLatin1(name), QStringLiteral("value")));
    for (const char* name : kQtFlagOptions) parser.addOption(Hidden(QString::fromLatin1(name)));

    CommandLine result;
    const bool parsed = parser.parse(arguments.isEmpty() ? QStringList{QString::fromLatin1(kProgram)} : arguments);
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::PrintHelp;
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::PrintVersion;
    } else if (!parsed) {
        result.action = CommandLine::Action::Fail;
        const QStringList unknown = parser.unknownOptionNames();
        result.error = unknown.isEmpty() ? parser.errorText()
                                         : QStringLiteral("unknown option '%1'").arg(Spelled(unknown.first()));
    } else if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::Fail;
        result.error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    }
    result.show = parser.isSet(show);
    result.platformGiven = parser.isSet(QStringLiteral("platform"));
    return result;
}

QString CommandLineHelp() {
    return QStringLiteral(
               "usage: %1 [--show] [Qt options]\n"
               "\n"
               "TER5 Manager %2 finds, browses, searches and maintains the working bases\n"
               "of the TER v.5 programs. It starts in the system tray; a double click on\n"
               "its icon opens the main window.\n"
               "\n"
               "options:\n"
               "  --show         show the main window at start, not only the tray icon\n"
               "  -h, --help     print this help and end\n"
               "  -v, --version  print the version and end\n"
               "\n"
               "Qt's own options are accepted too, e.g. -platform offscreen, -style fusion,\n"
               "-reverse.\n"
               "\n"
               "The program works in the directory it is started in: the template tables and\n"
               "the cursor files are there. ter5manager-start (the desktop menu's entry)\n"
               "starts it in the per-user data directory, $XDG_DATA_HOME/ter5manager\n"
               "(~/.local/share/ter5manager), and the program fills that directory from the\n"
               "installed copies on its first start.\n")
        .arg(QString::fromLatin1(kProgram), QString::fromLatin1(base::kProgramVersion));
}

QString VersionText() {
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgram), QString::fromLatin1(base::kProgramVersion));
}

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
            std::fprintf(stderr, "%s: %s (%s --help lists the options)\n", kProgram,
                         commandLine.error.toLocal8Bit().constData(), kProgram);
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
