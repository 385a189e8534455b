#include "templates/widgets/TemplateEditDialogs.h"

#include <QLineEdit>

#include "templates/TemplateDefinitions.h"

namespace ter5::templates {

TEditNameBase::TEditNameBase(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, tr("Редактирование наименования программы"), parent) {
    setObjectName(QStringLiteral("EditNameBase"));
    AddEdit(tr("Наименовние программы"), QStringLiteral("Name"));
    AddRadioGroup(tr("Тип баз данных"), 3, {tr("прочие"), tr("рабочие базы данных"), tr("базы общего назначения")},
                  {QString::fromUtf8(kGroupOther), QString::fromUtf8(kGroupWorking), QString::fromUtf8(kGroupGeneral)},
                  QStringLiteral("Flag"));
}

TEditBases::TEditBases(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, tr("Редактирование параметров базы банных"), parent) {
    setObjectName(QStringLiteral("EditBases"));
    AddEdit(tr("Наименовние базы данных"), QStringLiteral("Name"));
    AddEdit(tr("Коментарии"), QStringLiteral("Note"));
    AddRadioGroup(tr("Включать базу данных в проверку при выборе шаблона"), 2, {tr("Да"), tr("Нет")},
                  {QString::fromUtf8(kReindexMark), QStringLiteral(" ")}, QStringLiteral("Flag"));
}

TEditField::TEditField(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, tr("Редактирование параметров поля"), parent) {
    setObjectName(QStringLiteral("EditField"));
    AddEdit(tr("Номер п/п"), QStringLiteral("Number"), QStringLiteral("000"));
    AddEdit(tr("Наименование поля"), QStringLiteral("NameField"));
    // Any one character: only creating a base finds out whether it is a type letter.
    QLineEdit* type = AddEdit(tr("Тип"), QStringLiteral("Type"));
    type->setMaxLength(1);
    type->setMaximumWidth(type->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
    AddEdit(tr("Длинна"), QStringLiteral("Width"));
    AddEdit(tr("Комментарий"), QStringLiteral("Note"));
}

TEditIndex::TEditIndex(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, tr("Редактирование параметров индекса"), parent) {
    setObjectName(QStringLiteral("EditIndex"));
    AddEdit(tr("Наименование индекса"), QStringLiteral("NameIndex"));
    AddEdit(tr("Структура индекса"), QStringLiteral("StructureIndex"));
}

}  // namespace ter5::templates
