#pragma once
// An edit dialog over the current row of one template table: labelled edit boxes
// and radio groups bound to fields, and the buttons "Сохранить" and "Отменить".
//
// The list window puts the row into editing (or starts a new one) before showing
// the dialog, which shows the row's values. Nothing typed is checked here: the
// values go into the row as typed, and the engine says what it cannot store.
// "Сохранить" refreshes the table (a changed row is posted, an unchanged one
// dropped) and flushes it to disk; "Отменить" drops the row. Closing the dialog
// any other way keeps what was typed in the pending row, which the next refresh
// posts. An engine error is shown with its message and leaves the dialog open and
// the row pending.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>

#include "base/BaseQuery.h"
#include "templates/TemplateListRules.h"

class QButtonGroup;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace ter5::templates {

class TemplateEditDialog : public QDialog {
    Q_OBJECT

public:
    // A dialog over `table` with the boxes and radio groups of `layout`.
    TemplateEditDialog(base::BaseTable& table, const TemplateEditLayout& layout, QWidget* parent = nullptr);

    base::BaseTable& Table() const { return table_; }
    QPushButton* SaveButton() const { return saveButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    // The edit box bound to `field`; nullptr when there is none.
    QLineEdit* Edit(const QString& field) const;
    // The radio button of `field` standing for `value`; nullptr when there is none.
    QRadioButton* Radio(const QString& field, const QString& value) const;

    // "Сохранить": the typed values into the row, refresh, flush, close. False when
    // an engine error kept the dialog open.
    bool SpeedButton1Click();
    // "Отменить": drops the pending row and closes.
    void SpeedButton2Click();

    // The close box and Escape: the typed values stay in the pending row.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // An edit box for `box.field` under its label.
    void AddEdit(const TemplateEditBox& box);
    // A radio group, one button per caption.
    void AddRadioGroup(const TemplateRadioGroup& group);
    // Shows the current row's values.
    void Load();
    // Writes the values changed since Load into the row; shows the engine's error
    // and returns false when one cannot be stored.
    bool Commit();

    base::BaseTable& table_;
    QVBoxLayout* column_;
    QFormLayout* form_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
    std::vector<TemplateEditBox> boxes_;
    std::vector<QLineEdit*> edits_;  // per box
    std::vector<QButtonGroup*> groups_;  // per radio group
    std::vector<TypedText> texts_;
    std::vector<TypedChoice> choices_;
};

}  // namespace ter5::templates
