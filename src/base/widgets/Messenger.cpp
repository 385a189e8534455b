#include "base/widgets/Messenger.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include "base/RussianMessages.h"

namespace ter5::base {

namespace {

Messenger* installed = nullptr;

// What a title bar takes besides the caption: the window icon, its buttons and the
// window manager's margins, pixels.
constexpr int kTitleBarReserve = 140;

// A message box as wide as its caption needs, so no window manager cuts the caption;
// returns the button pressed.
QMessageBox::StandardButton ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton, const QString& details = {}) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setInformativeText(details);
    box.setDefaultButton(defaultButton);
    const int width = TitleBarWidth(box, title);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QString ApplicationTitle() {
    return QStringLiteral("TER5 Manager");
}

int TitleBarWidth(const QWidget& window, const QString& caption) {
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(caption) + kTitleBarReserve;
}

void Messenger::ShowMessage(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Information, ApplicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
}

QString ErrorText(const std::exception& error) {
    return QString::fromStdString(UserErrorText(error));
}

void Messenger::ShowError(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
}

void Messenger::Warning(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Warning, QObject::tr("Предупреждение"), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool Messenger::ConfirmWarning(QWidget* parent, const QString& text) {
    return ShowBox(parent, QMessageBox::Warning, QObject::tr("Предупреждение"), text,
                   QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
}

bool Messenger::Ask(QWidget* parent, const QString& text, const QString& details) {
    return ShowBox(parent, QMessageBox::Question, ApplicationTitle(), text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes, details) == QMessageBox::Yes;
}

Messenger& Messenger::Current() {
    static Messenger real;
    return installed ? *installed : real;
}

void Messenger::Install(Messenger* messenger) {
    installed = messenger;
}

}  // namespace ter5::base
