#include "templates/widgets/TemplateEditDialogs.h"

namespace ter5::templates {

TEditNameBase::TEditNameBase(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, ListLayout(TemplateList::Groups).edit, parent) {}

TEditBases::TEditBases(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, ListLayout(TemplateList::Tables).edit, parent) {}

TEditField::TEditField(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, ListLayout(TemplateList::Fields).edit, parent) {}

TEditIndex::TEditIndex(base::BaseTable& table, QWidget* parent)
    : TemplateEditDialog(table, ListLayout(TemplateList::Indexes).edit, parent) {}

}  // namespace ter5::templates
