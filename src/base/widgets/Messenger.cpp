#include "base/widgets/Messenger.h"

#include <QMessageBox>

namespace ter5::base {

namespace {
Messenger* installed = nullptr;
}

QString ApplicationTitle() {
    return QStringLiteral("TER5 Manager");
}

void Messenger::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, ApplicationTitle(), text);
}

void Messenger::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, ApplicationTitle(), text);
}

void Messenger::Warning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QObject::tr("Предупреждение"), text);
}

bool Messenger::ConfirmWarning(QWidget* parent, const QString& text) {
    return QMessageBox::warning(parent, QObject::tr("Предупреждение"), text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

Messenger& Messenger::Current() {
    static Messenger real;
    return installed ? *installed : real;
}

void Messenger::Install(Messenger* messenger) {
    installed = messenger;
}

}  // namespace ter5::base
