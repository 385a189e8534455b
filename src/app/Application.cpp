#include "app/Application.h"

#include "app/QtRussianTexts.h"
#include <exception>

#include "base/ProgramVersion.h"
#include "base/widgets/Messenger.h"

namespace ter5::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("ter5manager"));
    setApplicationVersion(QString::fromLatin1(base::kProgramVersion));
    setOrganizationName(QStringLiteral("ter5manager"));
    // The program lives in the tray: closing its last window does not end it.
    setQuitOnLastWindowClosed(false);
    // Its interface is Russian, Qt's own texts too.
    InstallRussianTexts(*this);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowError(base::ErrorText(error));
    } catch (...) {
        ShowError(tr("Неизвестная ошибка"));
    }
    return false;
}

void Application::ShowError(const QString& message) {
    base::Messenger::Current().ShowError(activeWindow(), message);
}

}  // namespace ter5::app
