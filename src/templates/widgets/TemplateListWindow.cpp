#include "templates/widgets/TemplateListWindow.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/widgets/Messenger.h"
#include "templates/widgets/TemplateEditDialog.h"
#include "templates/widgets/TemplateGrid.h"

#include <algorithm>

namespace ter5::templates {

QIcon ToolIcon(const char* themeName, int standardPixmap) {
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardPixmap)));
}

TemplateListWindow::TemplateListWindow(base::BaseTable& table, const TemplateListLayout& layout, QWidget* parent)
    : QDialog(parent), table_(table) {
    setObjectName(QString::fromStdString(layout.objectName));
    setWindowTitle(QString::fromStdString(layout.caption));
    setModal(true);
    closesOnEscape_ = layout.closesOnEscape;
    const QSize size(layout.width, layout.height);

    model_ = new TemplateTableModel(table_, layout.columns, this);
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setIconSize(QSize(16, 16));
    grid_ = new TemplateGrid(model_, this);
    grid_->setObjectName(QStringLiteral("DBGrid1"));
    // The design size grows with the grid's columns (which follow the font), within the screen.
    const double scale = std::max(1.0, grid_->FontScale());
    QSize scaled(static_cast<int>(size.width() * scale), static_cast<int>(size.height() * scale));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) scaled = scaled.boundedTo(screen->availableSize());
    resize(scaled.expandedTo(size));
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(toolBar_);
    column->addWidget(grid_, 1);
    column->addWidget(statusBar_);

    createActions();
    connect(model_, &TemplateTableModel::cursorMoved, this, &TemplateListWindow::UpdateNavigator);
    connect(model_, &TemplateTableModel::stateChanged, this, &TemplateListWindow::UpdateNavigator);
    connect(model_, &QAbstractItemModel::modelReset, this, &TemplateListWindow::UpdateNavigator);
    UpdateNavigator();
}

QAction* TemplateListWindow::AddToolButton(const QString& name, const QIcon& icon, const QString& hint) {
    auto* action = new QAction(icon, hint, this);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    toolBar_->addAction(action);
    if (QWidget* button = toolBar_->widgetForAction(action)) button->setObjectName(name);
    return action;
}

void TemplateListWindow::createActions() {
    const TemplateToolTexts& texts = ToolTexts();
    deleteAction_ = AddToolButton(QStringLiteral("SpeedButton3"), ToolIcon("edit-delete", QStyle::SP_TrashIcon),
                                  QString::fromStdString(texts.deleteRow));
    toolBar_->addSeparator();

    // The record navigator `DBNavigator1`.
    struct NavigatorEntry {
        const char* name;
        const char* theme;
        QStyle::StandardPixmap standard;
    };
    const NavigatorEntry entries[NavCount] = {
        {"First", "go-first", QStyle::SP_MediaSkipBackward},
        {"Prior", "go-previous", QStyle::SP_ArrowBack},
        {"Next", "go-next", QStyle::SP_ArrowForward},
        {"Last", "go-last", QStyle::SP_MediaSkipForward},
        {"Post", "dialog-ok-apply", QStyle::SP_DialogApplyButton},
        {"Cancel", "dialog-cancel", QStyle::SP_DialogCancelButton},
        {"Refresh", "view-refresh", QStyle::SP_BrowserReload},
    };
    for (int i = 0; i < NavCount; ++i) {
        navigator_[i] = AddToolButton(QStringLiteral("DBNavigator1_") + QLatin1String(entries[i].name),
                                      ToolIcon(entries[i].theme, entries[i].standard),
                                      QString::fromStdString(texts.navigator[static_cast<std::size_t>(i)]));
    }
    toolBar_->addSeparator();
    createAction_ = AddToolButton(QStringLiteral("SpeedButton2"), ToolIcon("document-new", QStyle::SP_FileIcon),
                                  QString::fromStdString(texts.createRow));
    editAction_ = AddToolButton(QStringLiteral("SpeedButton4"),
                                ToolIcon("document-edit", QStyle::SP_FileDialogDetailedView),
                                QString::fromStdString(texts.editRow));

    const auto guarded = [this](void (TemplateListWindow::*command)()) {
        return [this, command] { base::RunGuarded(this, [&] { (this->*command)(); }); };
    };
    connect(deleteAction_, &QAction::triggered, this, guarded(&TemplateListWindow::SpeedButton3Click));
    connect(createAction_, &QAction::triggered, this, guarded(&TemplateListWindow::SpeedButton2Click));
    connect(editAction_, &QAction::triggered, this, guarded(&TemplateListWindow::SpeedButton4Click));

    const auto navigate = [this](void (engine::DataSet::*move)()) {
        return [this, move] {
            base::RunGuarded(this, [&] { (table_.*move)(); });
            UpdateNavigator();
        };
    };
    connect(navigator_[NavFirst], &QAction::triggered, this, navigate(&engine::DataSet::First));
    connect(navigator_[NavPrior], &QAction::triggered, this, navigate(&engine::DataSet::Prior));
    connect(navigator_[NavNext], &QAction::triggered, this, navigate(&engine::DataSet::Next));
    connect(navigator_[NavLast], &QAction::triggered, this, navigate(&engine::DataSet::Last));
    connect(navigator_[NavPost], &QAction::triggered, this, navigate(&engine::DataSet::Post));
    connect(navigator_[NavCancel], &QAction::triggered, this, navigate(&engine::DataSet::Cancel));
    connect(navigator_[NavRefresh], &QAction::triggered, this, navigate(&engine::DataSet::Refresh));
}

void TemplateListWindow::UpdateNavigator() {
    const bool active = table_.Active();
    const bool editing =
        table_.State() == engine::DataSetState::Edit || table_.State() == engine::DataSetState::Insert;
    navigator_[NavFirst]->setEnabled(active && !table_.Bof());
    navigator_[NavPrior]->setEnabled(active && !table_.Bof());
    navigator_[NavNext]->setEnabled(active && !table_.Eof());
    navigator_[NavLast]->setEnabled(active && !table_.Eof());
    navigator_[NavPost]->setEnabled(editing);
    navigator_[NavCancel]->setEnabled(editing);
    navigator_[NavRefresh]->setEnabled(active);
}

TemplateEditDialog* TemplateListWindow::EditDialog() {
    if (!editDialog_) editDialog_ = CreateEditDialog();
    return editDialog_;
}

int TemplateListWindow::ShowModal() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    UpdateNavigator();
    return exec();
}

void TemplateListWindow::SpeedButton3Click() {
    if (!base::Messenger::Current().ConfirmWarning(this, QString::fromStdString(ToolTexts().confirmDelete)))
        return;
    table_.Delete();
}

void TemplateListWindow::SpeedButton2Click() {
    table_.Insert();
    EditDialog()->exec();
}

void TemplateListWindow::SpeedButton4Click() {
    // In an empty list this starts a new row, as "Создать запись" does.
    table_.Edit();
    EditDialog()->exec();
}

void TemplateListWindow::done(int result) {
    bool saved = false;
    base::RunGuarded(this, [&] {
        // A table that failed to open has nothing to save; the window still closes.
        SaveTemplateTable(table_);
        saved = true;
    });
    if (saved) QDialog::done(result);
}

bool TemplateListWindow::event(QEvent* event) {
    // The hints of the tool buttons show in the status bar.
    if (event->type() == QEvent::StatusTip) {
        statusBar_->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TemplateListWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !closesOnEscape_) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace ter5::templates
