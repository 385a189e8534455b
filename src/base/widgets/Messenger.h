#pragma once
// The program's message boxes, in one replaceable place: the plain message (the
// application title as caption, OK), the warning (OK) and the warning asking for
// confirmation (OK and Cancel). Tests install their own Messenger to capture what
// the user would be told.

#include <QString>

#include <exception>

class QWidget;

namespace ter5::base {

// "TER5 Manager": the application title, the caption of every plain message.
QString ApplicationTitle();

// The width a window needs so that a window manager's title bar shows `caption` whole:
// the caption in `window`'s font made bold, the window icon, the buttons and margins.
int TitleBarWidth(const QWidget& window, const QString& caption);

// What the general error display says of `error`: its message in Russian
// (base/RussianMessages.h), and for a table that another program holds "Таблица …
// занята программой … (процесс …)".
QString ErrorText(const std::exception& error);

class Messenger {
public:
    virtual ~Messenger() = default;

    // A plain message box with the application title as caption.
    virtual void ShowMessage(QWidget* parent, const QString& text);
    // The general error display: an error's message with the application title as
    // caption; the program goes on.
    virtual void ShowError(QWidget* parent, const QString& text);
    // A warning box with an OK button.
    virtual void Warning(QWidget* parent, const QString& text);
    // A warning box with OK and Cancel; true for OK.
    virtual bool ConfirmWarning(QWidget* parent, const QString& text);
    // A question with Yes (the default) and No, `details` under it; true for Yes.
    virtual bool Ask(QWidget* parent, const QString& text, const QString& details);

    // The messenger in use (the one showing real boxes unless one was installed).
    static Messenger& Current();
    // Installs `messenger` (not owned); nullptr restores the real one.
    static void Install(Messenger* messenger);
};

// Runs `action`; an exception escaping it goes to the general error display.
template <typename Action>
void RunGuarded(QWidget* parent, Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        Messenger::Current().ShowError(parent, ErrorText(error));
    }
}

}  // namespace ter5::base
