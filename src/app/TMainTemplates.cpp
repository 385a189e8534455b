// The main window's template commands: the "Переиндексация" menu (with the repair
// window "Проверка и восстановление базы"), "Создать" (and
// the tool button tbCreate), the template windows they open, and the host the
// reindex and the base creation work through.

#include <QAction>

#include "app/MapStatusBar.h"
#include "app/TMain.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/Messenger.h"
#include "base/widgets/TNewForm.h"
#include "templates/BaseCreator.h"
#include "base/PathNames.h"
#include "templates/widgets/TRepairBase.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::app {

void TMain::ConnectTemplates() {
    connect(this, &TMain::reindexMenuOpening, this, &TMain::N15Click);
    connect(this, &TMain::reindexRequested, this,
            [this](const QString& mode) { base::RunGuarded(this, [&] { ShowTemplateGroups(mode); }); });
    connect(this, &TMain::createBaseRequested, this, [this] { base::RunGuarded(this, [this] { nCreateClick(); }); });
}

templates::TemplateWindows* TMain::TemplateLists() {
    // The template tables are configured when the window starts.
    if (!templateLists_ && templates_) templateLists_ = new templates::TemplateWindows(*dm_, *templates_, *this, this);
    return templateLists_;
}

void TMain::ShowTemplateGroups(const QString& mode) {
    if (templates::TemplateWindows* lists = TemplateLists()) lists->ShowGroupList(mode);
}

void TMain::N15Click() {
    const bool enabled = templates::Reindexer::ReindexEnabled(TargetDirectory());
    nReindexTERBases->setEnabled(enabled);
    nReindexSelectBase->setEnabled(enabled);
    nRepairBase->setEnabled(enabled);
}

void TMain::nRepairBaseClick() {
    if (!templates_) return;
    if (!repairWindow_) repairWindow_ = new templates::TRepairBase(*templates_, *this, this);
    repairWindow_->ShowFor(base::PathFromUtf8(TargetDirectory()));
}

void TMain::nCreateClick() {
    base::TNewForm* dialog = NameDialog();
    dialog->setWindowTitle(QString::fromUtf8(templates::kNewBaseCaption));
    dialog->SetPrompt(QString::fromUtf8(templates::kNewBasePrompt));
    if (!dialog->Ask()) return;
    const auto directory = templates::PrepareBaseDirectory(
        dialog->Text().toStdString(), DirectoryListBox1->CurrentDirectory().toStdString(),
        [this](const std::string& text) { ShowMessage(text); });
    if (!directory) return;
    // The new directory becomes the tree's current (and selected) one; it is not opened.
    DirectoryListBox1->SetCurrentDirectory(QString::fromStdString(*directory));
    ShowTemplateGroups(QStringLiteral("CreateTerBases"));
}

std::string TMain::TargetDirectory() const {
    if (!DirectoryListBox1) return {};
    return DirectoryListBox1->ItemPath(DirectoryListBox1->SelectedIndex()).toStdString();
}

void TMain::CloseBaseDataSets() {
    dm_->CloseBaseDataSets();
}

void TMain::OpenBaseDirectory(const std::string& directory) {
    OpenBase(directory);
}

void TMain::RefreshStatusBar() {
    StatusBar->ClearProgress();
}

void TMain::ShowMessage(const std::string& text) {
    base::Messenger::Current().ShowMessage(this, QString::fromStdString(text));
}

}  // namespace ter5::app
