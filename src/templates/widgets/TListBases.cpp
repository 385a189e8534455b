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

QVector<TemplateColumn> TableColumns() {
    return {
        {QStringLiteral("Flag"), QString::fromUtf8(kReindexMark), 20, Qt::AlignHCenter, true, QString()},
        {QStringLiteral("Name"), QObject::tr("База данных"), 224, Qt::AlignLeft, false, QString()},
        {QStringLiteral("Note"), QObject::tr("Коментарии"), 340, Qt::AlignLeft, false, QString()},
    };
}

std::vector<std::string> ToUtf8(const QStringList& paths) {
    std::vector<std::string> result;
    for (const QString& path : paths) result.push_back(path.toStdString());
    return result;
}

}  // namespace

TListBases::TListBases(TemplateWindows& windows, QWidget* parent)
    : TemplateListWindow(windows.DataModule().TBases, tr("Перечень баз данных"), QSize(808, 608), TableColumns(),
                         parent),
      windows_(windows) {
    setObjectName(QStringLiteral("ListBases"));
    ToolBar()->addSeparator();
    fieldsAction_ = AddToolButton(QStringLiteral("SpeedButton1"),
                                  ToolIcon("view-list-details", QStyle::SP_FileDialogListView), tr("Список полей"));
    selectAction_ = AddToolButton(QStringLiteral("SpeedButton5"), ToolIcon("go-jump", QStyle::SP_DialogOkButton),
                                  tr("Выбрать строку из списка"));
    ToolBar()->addSeparator();
    importBaseAction_ = AddToolButton(QStringLiteral("SpeedButton6"), ToolIcon("folder-open", QStyle::SP_DirOpenIcon),
                                      tr("Импорт информации о базах данных"));
    importTablesAction_ =
        AddToolButton(QStringLiteral("SpeedButton7"), ToolIcon("document-import", QStyle::SP_DialogOpenButton),
                      tr("Импорт информации о базе данных"));
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
    QAction* choose = contextMenu_->addAction(tr("Выбрать"));
    QAction* add = contextMenu_->addAction(tr("Добавить"));
    QAction* change = contextMenu_->addAction(tr("Изменить"));
    QAction* remove = contextMenu_->addAction(tr("Удалить"));
    contextMenu_->addSeparator();
    markAction_ = contextMenu_->addAction(tr("Пометить"));
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
    if (Mode() == QLatin1String("Edit")) {
        Table().Refresh();
        windows_.ListIndex()->ShowModal();
    } else if (Mode() == QLatin1String("Select")) {
        // Both lists go; the reindex works on the table template that was current.
        close();
        windows_.ListNameBase()->close();
        Reindexer(windows_.Store(), windows_.Host()).ReindexCurrentTable();
    }
}

void TListBases::SpeedButton1Click() {
    if (Mode() != QLatin1String("Edit")) return;
    Table().Refresh();
    windows_.ListField()->ShowModal();
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
    base::BaseTable& tables = Table();
    // Marking concerns existing table templates: an empty list gets no new row.
    if (!tables.Active() || tables.IsEmpty()) return;
    tables.Edit();
    if (tables.AsString("Flag") != kReindexMark)
        tables.SetAsString("Flag", kReindexMark);
    else
        tables.Clear("Flag");
    // Moving on posts the change.
    tables.Next();
}

}  // namespace ter5::templates
