#pragma once
// The steps of the template lists' select command ("Выбрать строку из списка", a double
// click on a row, Enter in the group list) and of "Список полей", by list and mode word,
// without a toolkit. The front end shows and closes its windows through the host; the
// reindex and the base creation run here.

#include <string>

#include "templates/Reindexer.h"
#include "templates/TemplateListRules.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {

// What the steps need of the front end's template windows.
class TemplateWindowHost {
public:
    virtual ~TemplateWindowHost() = default;
    virtual TemplateStore& Store() = 0;
    // The main window, for the reindex and the creation.
    virtual ReindexHost& Host() = 0;
    // Shows `list` modally with `mode`; returns when it is closed.
    virtual void ShowList(TemplateList list, const std::string& mode) = 0;
    // Closes `list` (saving its table, as closing it by hand does).
    virtual void CloseList(TemplateList list) = 0;
    // The group list's progress bar.
    virtual ListProgress& GroupProgress() = 0;
    // An error box over the current list.
    virtual void ShowError(const std::string& text) = 0;
};

// The select command of `list` in `mode`:
//   group list, "Edit"/"Select": the groups refreshed, then the table list in the same mode;
//   group list, "ReIndex": the group reindex; a failure is shown (with what was done and
//     what was left) and the window stays; done, the bar goes back to 0 and it closes;
//   group list, "CreateTerBases": the creation loop in the host's target directory, then
//     the bar back to 0 and the window closed;
//   table list, "Edit": the table templates refreshed, then the index list;
//   table list, "Select": both lists closed, then the reindex of the current table.
// Engine errors other than the group reindex's are thrown.
void RunSelectCommand(TemplateWindowHost& host, TemplateList list, const std::string& mode);

// "Список полей" of the table list: in "Edit" the table templates refreshed, then the
// field list; in other modes nothing.
void RunFieldsCommand(TemplateWindowHost& host, const std::string& mode);

}  // namespace ter5::templates
