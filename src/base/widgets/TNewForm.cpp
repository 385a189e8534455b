#include "base/widgets/TNewForm.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

#include "base/widgets/Messenger.h"

namespace ter5::base {

namespace {

// The client size the dialog was designed with, pixels.
constexpr int kDesignWidth = 121;
constexpr int kDesignHeight = 21;
// Margins around the prompt and the field, pixels.
constexpr int kMargin = 6;

}  // namespace

TNewForm::TNewForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    prompt_ = new QLabel(this);
    prompt_->setObjectName(QStringLiteral("Prompt"));
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit1"));
    edit_->installEventFilter(this);
    prompt_->setBuddy(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin / 2);
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    hint_ = QStringLiteral("Cancel");
    FitContents();
}

QString TNewForm::Text() const {
    return edit_->text();
}

void TNewForm::SetText(const QString& text) {
    edit_->setText(text);
}

void TNewForm::SetPrompt(const QString& prompt) {
    prompt_->setText(prompt);
    FitContents();
}

void TNewForm::FitContents() {
    const int caption = TitleBarWidth(*this, windowTitle());
    const int prompt = prompt_->sizeHint().width() + 2 * kMargin;
    const int width = std::max({kDesignWidth, caption, prompt, edit_->sizeHint().width() + 2 * kMargin});
    const int height = std::max(kDesignHeight, layout()->sizeHint().height());
    setFixedSize(width, height);
}

void TNewForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::FontChange) FitContents();
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
