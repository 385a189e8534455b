#pragma once
// The name dialog: a small fixed dialog holding one edit field, `Edit1`. The
// caller sets the caption (and the text, if it wants); Enter answers "Ok",
// Escape or the close box "Cancel". The answer travels in the dialog's hint text.
// Created on first use and reused, so the field keeps the last text typed.

#include <QDialog>

class QLineEdit;

namespace ter5::base {

class TNewForm : public QDialog {
    Q_OBJECT

public:
    explicit TNewForm(QWidget* parent = nullptr);

    QLineEdit* Edit1() const { return edit_; }
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

private:
    QLineEdit* edit_;
    QString hint_;
};

}  // namespace ter5::base
