#pragma once
// What the four template list windows share: a grid of the rows of one template
// table (the rows of the current master row for the details), a tool bar on top
// and a status bar below; the mode word set by the opener; the commands of the
// tool bar and the window's edit dialog; and closing, which refreshes the table
// and flushes it to disk.
//
// Tool bar, left to right: "Удалить запись", the record navigator (first,
// previous, next, last, post, cancel, refresh), "Создать запись",
// "Редактировать параметры записи", then what each window adds.

#include <QDialog>
#include <QString>
#include <QVector>

#include "base/BaseQuery.h"
#include "templates/widgets/TemplateTableModel.h"

class QAction;
class QStatusBar;
class QToolBar;

namespace ter5::templates {

class TemplateEditDialog;
class TemplateGrid;

class TemplateListWindow : public QDialog {
    Q_OBJECT

public:
    enum NavigatorButton { NavFirst, NavPrior, NavNext, NavLast, NavPost, NavCancel, NavRefresh, NavCount };

    // A window over `table` as `layout` describes it (caption, design size, columns).
    TemplateListWindow(base::BaseTable& table, const TemplateListLayout& layout, QWidget* parent = nullptr);

    // The mode word ("Edit", "Select", …); the opener sets it before showing the window.
    const QString& Mode() const { return mode_; }
    void SetMode(const QString& mode) { mode_ = mode; }

    base::BaseTable& Table() const { return table_; }
    TemplateGrid* Grid() const { return grid_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QStatusBar* StatusBar() const { return statusBar_; }
    QAction* DeleteAction() const { return deleteAction_; }
    QAction* CreateAction() const { return createAction_; }
    QAction* EditAction() const { return editAction_; }
    QAction* Navigator(NavigatorButton button) const { return navigator_[button]; }
    // The window's edit dialog, created on first use.
    TemplateEditDialog* EditDialog();

    // Shows the window modally, centred on the screen.
    int ShowModal();

    // "Удалить запись": deletes the current row after the confirmation.
    void SpeedButton3Click();
    // "Создать запись": starts a new row and shows the edit dialog.
    void SpeedButton2Click();
    // "Редактировать параметры записи": puts the current row into editing and shows the edit dialog.
    void SpeedButton4Click();

    // Closing: the table refreshed and flushed to disk. An engine error keeps the
    // window open with the row pending.
    void done(int result) override;

protected:
    // Makes the window's edit dialog.
    virtual TemplateEditDialog* CreateEditDialog() = 0;
    // Adds a tool button right of the common ones (hint as text and tool tip).
    QAction* AddToolButton(const QString& name, const QIcon& icon, const QString& hint);
    // Escape in the window closes it only where the window says so.
    void SetClosesOnEscape(bool closes) { closesOnEscape_ = closes; }

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createActions();
    void UpdateNavigator();

    base::BaseTable& table_;
    QString mode_;
    TemplateTableModel* model_;
    TemplateGrid* grid_;
    QToolBar* toolBar_;
    QStatusBar* statusBar_;
    QAction* deleteAction_ = nullptr;
    QAction* createAction_ = nullptr;
    QAction* editAction_ = nullptr;
    QAction* navigator_[NavCount] = {};
    TemplateEditDialog* editDialog_ = nullptr;
    bool closesOnEscape_ = false;
};

// A theme icon, or the style's standard one where the theme has none.
QIcon ToolIcon(const char* themeName, int standardPixmap);

}  // namespace ter5::templates
