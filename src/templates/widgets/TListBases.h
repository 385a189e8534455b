#pragma once
// The table template list "Перечень баз данных": the table templates of the
// current group with the reindex mark, name and comment. In mode "Edit" its
// select command opens the index list of the current table template and
// "Список полей" the field list; in mode "Select" the select command reindexes the
// current table. The imports fill the group from the structure of real tables.
// The grid's context menu repeats the commands and adds "Пометить" (Ctrl+M),
// which marks or unmarks the current table template and moves to the next.

#include "templates/widgets/TemplateListWindow.h"

class QMenu;

namespace ter5::templates {

class TemplateWindows;

class TListBases : public TemplateListWindow {
    Q_OBJECT

public:
    explicit TListBases(TemplateWindows& windows, QWidget* parent = nullptr);

    QAction* SelectAction() const { return selectAction_; }
    QAction* FieldsAction() const { return fieldsAction_; }
    QAction* ImportBaseAction() const { return importBaseAction_; }
    QAction* ImportTablesAction() const { return importTablesAction_; }
    QMenu* ContextMenu() const { return contextMenu_; }
    QAction* MarkAction() const { return markAction_; }

    // "Выбрать строку из списка".
    void SpeedButton5Click();
    // "Список полей": only in mode "Edit".
    void SpeedButton1Click();
    // "Импорт информации о базах данных": every table of the base a chosen ter.db is in.
    void SpeedButton6Click();
    // "Импорт информации о базе данных": the chosen table files.
    void SpeedButton7Click();
    // "Пометить".
    void N6Click();

protected:
    TemplateEditDialog* CreateEditDialog() override;

private:
    void createMenus();

    TemplateWindows& windows_;
    QAction* fieldsAction_;
    QAction* selectAction_;
    QAction* importBaseAction_;
    QAction* importTablesAction_;
    QMenu* contextMenu_ = nullptr;
    QAction* markAction_ = nullptr;
    QString importDirectory_;  // where the file import's dialog opens next
};

}  // namespace ter5::templates
