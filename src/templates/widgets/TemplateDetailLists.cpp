#include "templates/widgets/TemplateDetailLists.h"

#include "base/TDM.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::templates {

namespace {

QVector<TemplateColumn> FieldColumns() {
    return {
        {QStringLiteral("Number"), QObject::tr("Номер"), 40, Qt::AlignHCenter, false, QStringLiteral("000")},
        {QStringLiteral("NameField"), QObject::tr("Наименование поля"), 200, Qt::AlignLeft, false, QString()},
        {QStringLiteral("Type"), QObject::tr("Тип"), 50, Qt::AlignHCenter, false, QString()},
        {QStringLiteral("Width"), QObject::tr("Длинна"), 50, Qt::AlignHCenter, false, QString()},
        {QStringLiteral("Note"), QObject::tr("Комментарий"), 300, Qt::AlignLeft, false, QString()},
    };
}

QVector<TemplateColumn> IndexColumns() {
    return {
        {QStringLiteral("NameIndex"), QObject::tr("Наименование индекса"), 284, Qt::AlignLeft, false, QString()},
        {QStringLiteral("StructureIndex"), QObject::tr("Структура индекса"), 362, Qt::AlignLeft, false, QString()},
    };
}

}  // namespace

TListField::TListField(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TField, tr("Список полей базы данных"), QSize(689, 383), FieldColumns(),
                         parent) {
    setObjectName(QStringLiteral("ListField"));
}

TemplateEditDialog* TListField::CreateEditDialog() {
    return new TEditField(Table(), this);
}

TListIndex::TListIndex(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TIndex, tr("Список индексов"), QSize(689, 383), IndexColumns(), parent) {
    setObjectName(QStringLiteral("ListIndex"));
}

TemplateEditDialog* TListIndex::CreateEditDialog() {
    return new TEditIndex(Table(), this);
}

}  // namespace ter5::templates
