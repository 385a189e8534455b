// TER5 Manager: a desktop companion for the working databases of the TER v.5
// land-cadastre programs. It starts in the tray; --show opens the main window.

#include <QDir>
#include <QStringList>
#include <QSystemTrayIcon>
#include <cstdio>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DataDirectory.h"
#include "app/TMain.h"
#include "base/widgets/ImageList.h"
#include "base/widgets/Messenger.h"

int main(int argc, char** argv) {
    // Answered before the application object exists, which needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ter5::app::CommandLine commandLine = ter5::app::ParseCommandLine(arguments);
    if (const auto exitCode = ter5::app::AnswerCommandLine(commandLine)) return *exitCode;
    if (const QString missing = ter5::app::MissingDisplayMessage(commandLine); !missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", missing.toLocal8Bit().constData());
        return 1;
    }

    ter5::app::Application application(argc, argv);
    application.setWindowIcon(ter5::base::ApplicationIcon());

    // Started in the per-user data directory, the program completes it first; on the
    // first start there, with no base yet, it offers the demo base.
    const QString startDirectory = QDir::currentPath();
    bool firstStart = false;
    if (ter5::app::IsUserDataDirectory(startDirectory))
        ter5::base::RunGuarded(nullptr, [&] {
            firstStart = ter5::app::PrepareDataDirectory(startDirectory, ter5::app::InstalledDataDirectory())
                             .contains(ter5::app::kTemplateTablesWritten);
        });

    ter5::app::TMain::Options options;
    options.offerDemoBase = firstStart && !ter5::app::HoldsBase(startDirectory);
    options.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    options.showAtStart = commandLine.show;
    options.startDirectory = startDirectory;
    ter5::app::TMain window(options);
    window.Start();
    return application.exec();
}
