#pragma once
// The two lists of a table template's rows, opened from the table template list
// in mode "Edit": the field list "Список полей базы данных" (`TListField`) and the
// index list "Список индексов" (`TListIndex`). Both show the rows of the current
// table template and have only the common commands.

#include "templates/widgets/TemplateListWindow.h"

namespace ter5::templates {

class TemplateWindows;

class TListField : public TemplateListWindow {
    Q_OBJECT

public:
    explicit TListField(TemplateWindows& windows, QWidget* parent = nullptr);

protected:
    TemplateEditDialog* CreateEditDialog() override;
};

class TListIndex : public TemplateListWindow {
    Q_OBJECT

public:
    explicit TListIndex(TemplateWindows& windows, QWidget* parent = nullptr);

protected:
    TemplateEditDialog* CreateEditDialog() override;
};

}  // namespace ter5::templates
