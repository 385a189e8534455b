#pragma once
// The name dialog: a small fixed dialog holding a prompt line and one edit field,
// `Edit1`. The caller sets the caption and the prompt (and the text, if it wants);
// Enter answers "Ok", Escape or the close box "Cancel". The answer travels in the
// dialog's hint text. Created on first use and reused, so the field keeps the last
// text typed. The dialog is as wide as its caption needs on a title bar, so the
// caption is never cut to "...".

#include <QDialog>

class QLabel;
class QLineEdit;

namespace ter5::base {

class TNewForm : public QDialog {
    Q_OBJECT

public:
    explicit TNewForm(QWidget* parent = nullptr);

    QLineEdit* Edit1() const { return edit_; }
    QLabel* Prompt() const { return prompt_; }
    // The line above the field saying what to type.
    void SetPrompt(const QString& prompt);
    QString Text() const;
    void SetText(const QString& text);

    // "Ok" or "Cancel" after the dialog closed; the mode word before it opens.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint) { hint_ = hint; }

    // Shows the dialog modally; true when the user confirmed with Enter.
    bool Ask();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Sizes the dialog for its caption, prompt and field.
    void FitContents();

    QLabel* prompt_;
    QLineEdit* edit_;
    QString hint_;
};

}  // namespace ter5::base
