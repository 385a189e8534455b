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
#include "engine/FieldType.h"
#include "templates/widgets/TemplateTableModel.h"

namespace ter5::templates {

namespace {

// Paradox keeps no trailing blanks: a value stored as " " reads back empty.
QString WithoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    return text;
}

}  // namespace

TemplateEditDialog::TemplateEditDialog(base::BaseTable& table, const QString& caption, QWidget* parent)
    : QDialog(parent), table_(table) {
    setWindowTitle(caption);
    setModal(true);
    column_ = new QVBoxLayout(this);
    form_ = new QFormLayout;
    form_->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    column_->addLayout(form_);

    saveButton_ = new QPushButton(tr("Сохранить"), this);
    saveButton_->setObjectName(QStringLiteral("SpeedButton1"));
    cancelButton_ = new QPushButton(tr("Отменить"), this);
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
}

QLineEdit* TemplateEditDialog::AddEdit(const QString& label, const QString& field, const QString& numberFormat) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(field);
    form_->addRow(label, edit);
    edits_.push_back({field, edit, numberFormat, QString()});
    return edit;
}

void TemplateEditDialog::AddRadioGroup(const QString& title, int columns, const QStringList& captions,
                                       const QStringList& values, const QString& field) {
    auto* box = new QGroupBox(title, this);
    box->setObjectName(field);
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions.at(i), box);
        button->setObjectName(field + QLatin1Char('_') + QString::number(i));
        grid->addWidget(button, i / columns, i % columns);
        group->addButton(button, i);
    }
    column_->insertWidget(column_->indexOf(form_) + 1 + static_cast<int>(radios_.size()), box);
    radios_.push_back({field, group, values, -1});
}

QLineEdit* TemplateEditDialog::Edit(const QString& field) const {
    for (const EditBinding& binding : edits_) {
        if (binding.field == field) return binding.edit;
    }
    return nullptr;
}

QRadioButton* TemplateEditDialog::Radio(const QString& field, const QString& value) const {
    for (const RadioBinding& binding : radios_) {
        const int id = static_cast<int>(binding.values.indexOf(value));
        if (binding.field == field && id >= 0) return qobject_cast<QRadioButton*>(binding.group->button(id));
    }
    return nullptr;
}

void TemplateEditDialog::showEvent(QShowEvent* event) {
    Load();
    QDialog::showEvent(event);
    if (!edits_.isEmpty()) edits_.front().edit->setFocus(Qt::ActiveWindowFocusReason);
}

QString TemplateEditDialog::FieldText(const QString& field, const QString& numberFormat) const {
    if (!table_.Active()) return QString();
    const int index = table_.FieldIndex(field.toStdString());
    if (index < 0) return QString();
    const engine::Value value = table_.GetValue(index);
    switch (value.kind) {
    case engine::Value::Kind::Null:
        return QString();
    case engine::Value::Kind::Int:
        return TemplateTableModel::FormatNumber(value.integer, numberFormat);
    case engine::Value::Kind::Text:
        return QString::fromStdString(value.text);
    default:
        return QString::fromStdString(table_.AsString(index));
    }
}

void TemplateEditDialog::Load() {
    for (EditBinding& binding : edits_) {
        binding.loaded = FieldText(binding.field, binding.numberFormat);
        binding.edit->setText(binding.loaded);
        // An alpha field takes no more characters than it has room for.
        const int index = table_.Active() ? table_.FieldIndex(binding.field.toStdString()) : -1;
        const bool alpha = index >= 0 && table_.Fields()[static_cast<std::size_t>(index)].type == engine::FieldType::Alpha;
        binding.edit->setMaxLength(alpha ? table_.Fields()[static_cast<std::size_t>(index)].length : 32767);
    }
    for (RadioBinding& binding : radios_) {
        const QString value = WithoutTrailingBlanks(FieldText(binding.field, QString()));
        binding.loaded = -1;
        for (int i = 0; i < binding.values.size(); ++i) {
            if (WithoutTrailingBlanks(binding.values.at(i)) == value) {
                binding.loaded = i;
                break;
            }
        }
        binding.group->setExclusive(false);
        for (QAbstractButton* button : binding.group->buttons()) button->setChecked(false);
        if (binding.loaded >= 0) binding.group->button(binding.loaded)->setChecked(true);
        binding.group->setExclusive(true);
    }
}

bool TemplateEditDialog::Commit() {
    try {
        for (EditBinding& binding : edits_) {
            const QString text = binding.edit->text();
            if (text == binding.loaded) continue;
            const std::string field = binding.field.toStdString();
            if (text.isEmpty())
                table_.Clear(field);
            else
                table_.SetValue(field, engine::Value::Text(text.toStdString()));
            binding.loaded = text;
        }
        for (RadioBinding& binding : radios_) {
            const int chosen = binding.group->checkedId();
            if (chosen < 0 || chosen == binding.loaded) continue;
            table_.SetAsString(binding.field.toStdString(), binding.values.at(chosen).toStdString());
            binding.loaded = chosen;
        }
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
        table_.Refresh();
        table_.FlushBuffers();
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
