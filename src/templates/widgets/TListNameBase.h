#pragma once
// The template group list "Список баз данных переиндексируемых по шаблону": the
// groups of the template store with their kind and program name. Its select
// command ("Выбрать строку из списка", a double click on a row, Enter in the
// grid) does what the mode word says: "Edit" and "Select" open the table template
// list with the same word, "ReIndex" reindexes the group's marked tables and
// "CreateTerBases" creates the group's tables; the last two drive the progress
// bar right of the buttons and close the window when done. Escape closes it.

#include "templates/Reindexer.h"
#include "templates/widgets/TemplateListWindow.h"

class QProgressBar;

namespace ter5::templates {

class TemplateWindows;

class TListNameBase : public TemplateListWindow, public ListProgress {
    Q_OBJECT

public:
    explicit TListNameBase(TemplateWindows& windows, QWidget* parent = nullptr);

    QAction* SelectAction() const { return selectAction_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    // The maximum the last loop set.
    std::size_t ProgressMaximum() const { return progressMaximum_; }

    // The select command.
    void SpeedButton5Click();

    void SetMaximum(std::size_t maximum) override;
    void SetPosition(std::size_t position) override;

protected:
    TemplateEditDialog* CreateEditDialog() override;

private:
    TemplateWindows& windows_;
    QAction* selectAction_;
    QProgressBar* progressBar_;
    std::size_t progressMaximum_ = 0;
};

}  // namespace ter5::templates
