#pragma once
// The application object. Its notify() is the general error display: an error
// escaping any event handler (table engine errors included) is shown in a message
// box captioned with the application title, and the program goes on.

#include <QApplication>

namespace ter5::app {

class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows `message` as the general error display does.
    static void ShowError(const QString& message);
};

}  // namespace ter5::app
