#include "templates/widgets/TemplateDetailLists.h"

#include "base/TDM.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::templates {

TListField::TListField(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TField, ListLayout(TemplateList::Fields), parent) {}

TemplateEditDialog* TListField::CreateEditDialog() {
    return new TEditField(Table(), this);
}

TListIndex::TListIndex(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TIndex, ListLayout(TemplateList::Indexes), parent) {}

TemplateEditDialog* TListIndex::CreateEditDialog() {
    return new TEditIndex(Table(), this);
}

}  // namespace ter5::templates
