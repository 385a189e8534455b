// TER5 Manager: a desktop companion for the working databases of the TER v.5
// land-cadastre programs. It starts in the tray; --show opens the main window.

#include <QCommandLineParser>
#include <QDir>
#include <QSystemTrayIcon>

#include "app/Application.h"
#include "app/DataDirectory.h"
#include "app/TMain.h"
#include "base/widgets/ImageList.h"
#include "base/widgets/Messenger.h"

int main(int argc, char** argv) {
    ter5::app::Application application(argc, argv);
    application.setWindowIcon(ter5::base::ApplicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(ter5::base::ApplicationTitle());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption show(QStringLiteral("show"),
                                  QStringLiteral("Show the main window at start instead of only the tray icon."));
    parser.addOption(show);
    parser.process(application);

    // Started in the per-user data directory, the program completes it first.
    const QString startDirectory = QDir::currentPath();
    if (ter5::app::IsUserDataDirectory(startDirectory))
        ter5::base::RunGuarded(nullptr, [&] { ter5::app::PrepareDataDirectory(startDirectory); });

    ter5::app::TMain::Options options;
    options.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    options.showAtStart = parser.isSet(show);
    options.startDirectory = startDirectory;
    ter5::app::TMain window(options);
    window.Start();
    return application.exec();
}
