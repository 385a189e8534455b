#include "templates/TemplateSelectSteps.h"

#include "templates/BaseCreator.h"

namespace ter5::templates {

void RunSelectCommand(TemplateWindowHost& host, TemplateList list, const std::string& mode) {
    TemplateStore& store = host.Store();
    switch (SelectActionOf(list, mode)) {
    case SelectAction::ShowTables:
        store.NameBase().Refresh();
        host.ShowList(TemplateList::Tables, mode);
        break;
    case SelectAction::ReindexGroup:
        try {
            Reindexer(store, host.Host()).ReindexGroup(&host.GroupProgress());
        } catch (const GroupReindexError& error) {
            // The bar is back at 0; the window stays for another try.
            host.ShowError(error.Report());
            return;
        }
        host.GroupProgress().SetPosition(0);
        host.CloseList(TemplateList::Groups);
        break;
    case SelectAction::CreateTables:
        BaseCreator(store).CreateGroupTables(host.Host().TargetDirectory(), &host.GroupProgress());
        host.GroupProgress().SetPosition(0);
        host.CloseList(TemplateList::Groups);
        break;
    case SelectAction::ShowIndexes:
        store.Bases().Refresh();
        host.ShowList(TemplateList::Indexes, mode);
        break;
    case SelectAction::ReindexTable:
        // Both lists go; the reindex works on the table template that was current.
        host.CloseList(TemplateList::Tables);
        host.CloseList(TemplateList::Groups);
        Reindexer(store, host.Host()).ReindexCurrentTable();
        break;
    case SelectAction::None:
        break;
    }
}

void RunFieldsCommand(TemplateWindowHost& host, const std::string& mode) {
    if (!FieldsCommandShows(mode)) return;
    host.Store().Bases().Refresh();
    host.ShowList(TemplateList::Fields, mode);
}

}  // namespace ter5::templates
