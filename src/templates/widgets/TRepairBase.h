#pragma once
// The window "Проверка и восстановление базы" (menu "Переиндексация"): the tables of
// the tree's selected directory with what verify makes of them, the template group
// whose table templates stand for a header that cannot be read, and the button
// that repairs the damaged tables; the progress goes to the status-bar strips
// (`ShowProgress`), the report into the window. What is checked and repaired is
// decided by BaseRepair (toolkit-free); this window only shows it.

#include <QDialog>
#include <filesystem>
#include <vector>

#include "templates/BaseRepair.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace ter5::templates {

class ReindexHost;
class TemplateStore;

class TRepairBase : public QDialog {
    Q_OBJECT

public:
    // The store and the host must outlive the window.
    TRepairBase(TemplateStore& store, ReindexHost& host, QWidget* parent = nullptr);

    // Shows the tables of `directory` and runs the window modally.
    void ShowFor(const std::filesystem::path& directory);

    // The tables as last checked.
    const std::vector<TableState>& States() const { return states_; }
    // Re-reads the tables' states ("Проверить").
    void CheckTables();
    // Repairs the damaged tables ("Восстановить"); the report goes to the window.
    void RepairDamaged();
    QString ReportText() const;

    QTableWidget* TablesGrid = nullptr;
    QComboBox* GroupBox = nullptr;
    QPushButton *CheckButton = nullptr, *RepairButton = nullptr, *CloseButton = nullptr;
    QPlainTextEdit* ReportMemo = nullptr;

private:
    void createWidgets();
    void FillGroups();

    TemplateStore& store_;
    ReindexHost& host_;
    std::filesystem::path directory_;
    std::vector<TableState> states_;
    QLabel* directoryLabel_ = nullptr;
};

}  // namespace ter5::templates
