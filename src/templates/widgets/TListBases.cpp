#include "templates/widgets/TListBases.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QStyle>
#include <QToolBar>

#include "base/TDM.h"
#include "base/widgets/Messenger.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateImporter.h"
#include "templates/widgets/TListNameBase.h"
#include "templates/widgets/TemplateDetailLists.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateGrid.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::templates {

namespace {

std::vector<std::string> ToUtf8(const QStringList& paths) {
    std::vector<std::string> result;
    for (const QString& path : paths) result.push_back(path.toStdString());
    return result;
}

}  // namespace

TListBases::TListBases(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TBases, ListLayout(TemplateList::Tables), parent), windows_(windows) {
    const TemplateToolTexts& texts = ToolTexts();
    ToolBar()->addSeparator();
    fieldsAction_ = AddToolButton(QStringLiteral("SpeedButton1"),
                                  ToolIcon("view-list-details", QStyle::SP_FileDialogListView), QString::fromStdString(texts.fields));
    selectAction_ = AddToolButton(QStringLiteral("SpeedButton5"), ToolIcon("go-jump", QStyle::SP_DialogOkButton),
                                  QString::fromStdString(texts.select));
    ToolBar()->addSeparator();
    importBaseAction_ = AddToolButton(QStringLiteral("SpeedButton6"), ToolIcon("folder-open", QStyle::SP_DirOpenIcon),
                                      QString::fromStdString(texts.importBase));
    importTablesAction_ =
        AddToolButton(QStringLiteral("SpeedButton7"), ToolIcon("document-import", QStyle::SP_DialogOpenButton),
                      QString::fromStdString(texts.importTables));
    createMenus();

    const auto guarded = [this](void (TListBases::*command)()) {
        return [this, command] { base::RunGuarded(this, [&] { (this->*command)(); }); };
    };
    connect(selectAction_, &QAction::triggered, this, guarded(&TListBases::SpeedButton5Click));
    connect(Grid(), &TemplateGrid::rowDoubleClicked, this, guarded(&TListBases::SpeedButton5Click));
    connect(fieldsAction_, &QAction::triggered, this, guarded(&TListBases::SpeedButton1Click));
    connect(importBaseAction_, &QAction::triggered, this, guarded(&TListBases::SpeedButton6Click));
    connect(importTablesAction_, &QAction::triggered, this, guarded(&TListBases::SpeedButton7Click));
    connect(markAction_, &QAction::triggered, this, guarded(&TListBases::N6Click));
}

void TListBases::createMenus() {
    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    const std::vector<std::string>& items = ToolTexts().tableMenu;
    const auto item = [&](std::size_t i) { return contextMenu_->addAction(QString::fromStdString(items[i])); };
    QAction* choose = item(0);
    QAction* add = item(1);
    QAction* change = item(2);
    QAction* remove = item(3);
    contextMenu_->addSeparator();
    markAction_ = item(5);
    markAction_->setObjectName(QStringLiteral("N6"));
    markAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    markAction_->setShortcutContext(Qt::WindowShortcut);
    // The short cut works while the window is active, menu shown or not.
    addAction(markAction_);

    connect(choose, &QAction::triggered, selectAction_, &QAction::trigger);
    connect(add, &QAction::triggered, CreateAction(), &QAction::trigger);
    connect(change, &QAction::triggered, EditAction(), &QAction::trigger);
    connect(remove, &QAction::triggered, DeleteAction(), &QAction::trigger);

    Grid()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Grid(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { contextMenu_->popup(Grid()->viewport()->mapToGlobal(at)); });
}

TemplateEditDialog* TListBases::CreateEditDialog() {
    return new TEditBases(Table(), this);
}

void TListBases::SpeedButton5Click() {
    RunSelectCommand(windows_, TemplateList::Tables, Mode().toStdString());
}

void TListBases::SpeedButton1Click() {
    RunFieldsCommand(windows_, Mode().toStdString());
}

void TListBases::SpeedButton6Click() {
    FileRequest request;
    request.caption = importBaseAction_->text();
    request.directory = QString::fromStdString(windows_.Host().TargetDirectory());
    request.filter = tr("Базы TER v.5 (ter.db)");
    request.defaultSuffix = QStringLiteral("db");
    const QStringList chosen = windows_.Chooser()(this, request);
    if (chosen.isEmpty()) return;
    TemplateImporter(windows_.Store())
        .ImportBaseDirectory(TemplateImporter::BaseDirectoryOf(chosen.front().toStdString()));
}

void TListBases::SpeedButton7Click() {
    FileRequest request;
    request.caption = importTablesAction_->text();
    request.directory = importDirectory_;
    request.filter = tr("Таблицы баз TER v.5 (*.db)");
    request.defaultSuffix = QStringLiteral("db");
    request.multiple = true;
    const QStringList chosen = windows_.Chooser()(this, request);
    if (chosen.isEmpty()) return;
    importDirectory_ = QFileInfo(chosen.front()).absolutePath();
    TemplateImporter(windows_.Store()).ImportFiles(ToUtf8(chosen));
}

void TListBases::N6Click() {
    MarkCurrentTable(Table());
}

}  // namespace ter5::templates
