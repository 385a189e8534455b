#include "templates/widgets/TemplateEditDialog.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/widgets/Messenger.h"

namespace ter5::templates {

TemplateEditDialog::TemplateEditDialog(base::BaseTable& table, const TemplateEditLayout& layout, QWidget* parent)
    : QDialog(parent), table_(table) {
    setObjectName(QString::fromStdString(layout.objectName));
    setWindowTitle(QString::fromStdString(layout.caption));
    setModal(true);
    column_ = new QVBoxLayout(this);
    form_ = new QFormLayout;
    form_->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    column_->addLayout(form_);

    saveButton_ = new QPushButton(QString::fromStdString(ToolTexts().save), this);
    saveButton_->setObjectName(QStringLiteral("SpeedButton1"));
    cancelButton_ = new QPushButton(QString::fromStdString(ToolTexts().cancel), this);
    cancelButton_->setObjectName(QStringLiteral("SpeedButton2"));
    // Like speed buttons they take no focus, so the edit box being typed in keeps it.
    for (QPushButton* button : {saveButton_, cancelButton_}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);
    column_->addStretch();
    column_->addLayout(buttons);
    setMinimumWidth(420);

    connect(saveButton_, &QPushButton::clicked, this, &TemplateEditDialog::SpeedButton1Click);
    connect(cancelButton_, &QPushButton::clicked, this, &TemplateEditDialog::SpeedButton2Click);
    for (const TemplateEditBox& box : layout.boxes) AddEdit(box);
    for (const TemplateRadioGroup& group : layout.radios) AddRadioGroup(group);
}

void TemplateEditDialog::AddEdit(const TemplateEditBox& box) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromStdString(box.field));
    if (box.maxLength == 1) edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
    form_->addRow(QString::fromStdString(box.label), edit);
    boxes_.push_back(box);
    edits_.push_back(edit);
    texts_.push_back({box.field, {}, {}});
}

void TemplateEditDialog::AddRadioGroup(const TemplateRadioGroup& radios) {
    auto* box = new QGroupBox(QString::fromStdString(radios.title), this);
    const QString field = QString::fromStdString(radios.field);
    box->setObjectName(field);
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    for (std::size_t i = 0; i < radios.captions.size(); ++i) {
        auto* button = new QRadioButton(QString::fromStdString(radios.captions[i]), box);
        button->setObjectName(field + QLatin1Char('_') + QString::number(i));
        const int at = static_cast<int>(i);
        grid->addWidget(button, at / radios.columns, at % radios.columns);
        group->addButton(button, at);
    }
    column_->insertWidget(column_->indexOf(form_) + 1 + static_cast<int>(groups_.size()), box);
    groups_.push_back(group);
    choices_.push_back({&radios, -1, -1});
}

QLineEdit* TemplateEditDialog::Edit(const QString& field) const {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (QString::fromStdString(boxes_[i].field) == field) return edits_[i];
    }
    return nullptr;
}

QRadioButton* TemplateEditDialog::Radio(const QString& field, const QString& value) const {
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        const TemplateRadioGroup& radios = *choices_[i].group;
        if (QString::fromStdString(radios.field) != field) continue;
        for (std::size_t v = 0; v < radios.values.size(); ++v) {
            if (QString::fromStdString(radios.values[v]) == value)
                return qobject_cast<QRadioButton*>(groups_[i]->button(static_cast<int>(v)));
        }
    }
    return nullptr;
}

void TemplateEditDialog::showEvent(QShowEvent* event) {
    Load();
    QDialog::showEvent(event);
    if (!edits_.empty()) edits_.front()->setFocus(Qt::ActiveWindowFocusReason);
}

void TemplateEditDialog::Load() {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        texts_[i].loaded = TemplateFieldText(table_, boxes_[i].field, boxes_[i].numberFormat);
        edits_[i]->setText(QString::fromStdString(texts_[i].loaded));
        // An alpha field takes no more characters than it has room for.
        edits_[i]->setMaxLength(boxes_[i].maxLength > 0 ? boxes_[i].maxLength : TemplateBoxLength(table_, boxes_[i].field));
    }
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        choices_[i].loaded = TemplateRadioIndex(table_, *choices_[i].group);
        QButtonGroup* group = groups_[i];
        group->setExclusive(false);
        for (QAbstractButton* button : group->buttons()) button->setChecked(false);
        if (choices_[i].loaded >= 0) group->button(choices_[i].loaded)->setChecked(true);
        group->setExclusive(true);
    }
}

bool TemplateEditDialog::Commit() {
    for (std::size_t i = 0; i < boxes_.size(); ++i) texts_[i].typed = edits_[i]->text().toStdString();
    for (std::size_t i = 0; i < choices_.size(); ++i) choices_[i].chosen = groups_[i]->checkedId();
    try {
        CommitTypedValues(table_, texts_, choices_);
    } catch (const std::exception& error) {
        base::Messenger::Current().ShowError(this, base::ErrorText(error));
        return false;
    }
    return true;
}

bool TemplateEditDialog::SpeedButton1Click() {
    if (!Commit()) return false;
    bool saved = false;
    base::RunGuarded(this, [&] {
        SaveTemplateTable(table_);
        saved = true;
    });
    if (saved) accept();
    return saved;
}

void TemplateEditDialog::SpeedButton2Click() {
    table_.Cancel();
    QDialog::reject();
}

void TemplateEditDialog::reject() {
    if (Commit()) QDialog::reject();
}

}  // namespace ter5::templates
