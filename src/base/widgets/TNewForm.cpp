#include "base/widgets/TNewForm.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ter5::base {

TNewForm::TNewForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit1"));
    edit_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    // Client size 121 x 21, grown only as far as the font needs.
    setFixedSize(std::max(121, edit_->sizeHint().width()), std::max(21, edit_->sizeHint().height()));
    hint_ = QStringLiteral("Cancel");
}

QString TNewForm::Text() const {
    return edit_->text();
}

void TNewForm::SetText(const QString& text) {
    edit_->setText(text);
}

bool TNewForm::Ask() {
    exec();
    return hint_ == QLatin1String("Ok");
}

void TNewForm::showEvent(QShowEvent* event) {
    // `FormActivate`: anything but Enter answers "Cancel".
    hint_ = QStringLiteral("Cancel");
    edit_->setFocus(Qt::ActiveWindowFocusReason);
    QDialog::showEvent(event);
}

bool TNewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool escape = key->key() == Qt::Key_Escape;
        // The press must not reach the dialog's own Enter and Escape handling; the
        // release decides, as `Edit1KeyUp` does.
        if (event->type() == QEvent::KeyPress) return enter || escape;
        if (enter) {
            hint_ = QStringLiteral("Ok");
            accept();
            return true;
        }
        if (escape) {
            hint_ = QStringLiteral("Cancel");
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ter5::base
