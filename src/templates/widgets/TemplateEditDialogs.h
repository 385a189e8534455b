#pragma once
// The four edit dialogs of the template windows, one per template table: the
// group (`TEditNameBase`), the table template (`TEditBases`), the field row
// (`TEditField`) and the index row (`TEditIndex`).

#include "templates/widgets/TemplateEditDialog.h"

namespace ter5::templates {

// "Редактирование наименования программы": `Name` and the kind of the group in `Flag`.
class TEditNameBase : public TemplateEditDialog {
    Q_OBJECT

public:
    explicit TEditNameBase(base::BaseTable& table, QWidget* parent = nullptr);
};

// "Редактирование параметров базы банных": `Name`, `Note` and the reindex mark in `Flag`.
class TEditBases : public TemplateEditDialog {
    Q_OBJECT

public:
    explicit TEditBases(base::BaseTable& table, QWidget* parent = nullptr);
};

// "Редактирование параметров поля": `Number`, `NameField`, `Type`, `Width`, `Note`.
class TEditField : public TemplateEditDialog {
    Q_OBJECT

public:
    explicit TEditField(base::BaseTable& table, QWidget* parent = nullptr);
};

// "Редактирование параметров индекса": `NameIndex` and `StructureIndex`.
class TEditIndex : public TemplateEditDialog {
    Q_OBJECT

public:
    explicit TEditIndex(base::BaseTable& table, QWidget* parent = nullptr);
};

}  // namespace ter5::templates
