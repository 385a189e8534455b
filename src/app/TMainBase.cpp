// The main window's base commands: opening a base by selecting it in the tree,
// starting the companion program, the quick-start list and the directory commands.

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/MapStatusBar.h"
#include "app/TMain.h"
#include "base/CompanionLauncher.h"
#include "base/Platform.h"
#include "base/QuickStartList.h"
#include "base/widgets/DirectoryCommands.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/Messenger.h"
#include "map/widgets/MapWidget.h"

namespace ter5::app {

void TMain::ConnectTree() {
    using base::DirectoryTree;
    connect(DirectoryListBox1, &DirectoryTree::directoryChanged, this, &TMain::MarkBaseDirectories);
    // Entering the open base (a double click on it) draws its map again, so that
    // map.wmf is written into the base itself.
    connect(DirectoryListBox1, &DirectoryTree::directoryChanged, this, [this](const QString& directory) {
        if (dm_->BaseOpen() && QString::fromStdString(dm_->BaseDirectory()) == directory) DrawMap();
    });
    const auto markAndSelect = [this] {
        MarkBaseDirectories();
        base::RunGuarded(this, [this] { SelectTreeDirectory(); });
    };
    connect(DirectoryListBox1, &DirectoryTree::keyReleased, this, markAndSelect);
    connect(DirectoryListBox1, &DirectoryTree::mouseReleased, this, markAndSelect);
    connect(DirectoryListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuDir->popup(DirectoryListBox1->viewport()->mapToGlobal(at));
    });

    directoryCommands_ = new base::DirectoryCommands(
        DirectoryListBox1, [this] { dm_->CloseBaseDataSets(); }, [this] { return NameDialog(); }, this);
    connect(nCreateDir, &QAction::triggered, this, [this] { base::RunGuarded(this, [this] { nCreateDirClick(); }); });
    connect(nRenameDir, &QAction::triggered, this, [this] { base::RunGuarded(this, [this] { nRenameDirClick(); }); });
    connect(nDeleteDir, &QAction::triggered, this, [this] { base::RunGuarded(this, [this] { nDeleteDirClick(); }); });
}

void TMain::nCreateDirClick() {
    directoryCommands_->CreateDirectory();
}

void TMain::nRenameDirClick() {
    directoryCommands_->RenameDirectory();
}

void TMain::nDeleteDirClick() {
    directoryCommands_->DeleteDirectory();
}

void TMain::MarkBaseDirectories() {
    if (DirectoryListBox1) DirectoryListBox1->MarkBaseDirectories();
}

void TMain::SelectTreeDirectory() {
    // A sub-directory, or the current directory itself: a double click into a base
    // makes it the current directory, and the release that follows opens it.
    const QString directory = DirectoryListBox1->BasePath(DirectoryListBox1->SelectedIndex());
    if (directory.isEmpty()) {  // the root or a directory above: no base
        dm_->CloseBaseDataSets();
        return;
    }
    OpenBase(directory.toStdString());
}

void TMain::nOpenClick() {
    dm_->CloseBaseDataSets();
    LaunchCompanionProgram();
}

void TMain::LaunchCompanionProgram() {
    const QString base = DirectoryListBox1->ItemPath(DirectoryListBox1->SelectedIndex());
    base::CompanionLauncher launcher(*platform_, [this](const std::string& message) {
        base::Messenger::Current().ShowMessage(this, QString::fromStdString(message));
    });
    // Wine is watched for a moment, to tell a program it cannot run.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const base::LaunchReport report = launcher.Launch(base.toStdString());
    QApplication::restoreOverrideCursor();
    // The status bar tells what became of this start, not of the one before.
    if (report.outcome == base::LaunchOutcome::Started) {
        StatusBar->ShowTransientMessage(tr("Запущена программа %1 в каталоге %2")
                                            .arg(QString::fromStdString(report.program), base));
    } else {
        StatusBar->ShowTransientMessage(tr("Программа не запущена"));
    }
}

void TMain::FillQuickStartMenu() {
    const auto lines = base::ReadQuickStartList(*platform_);
    if (!lines) return;  // no list: the menu keeps what it had
    PopupMenu2->clear();
    for (const std::string& line : *lines) {
        // Shown as written: a literal "&" is doubled so that it is no accelerator mark.
        QString caption = QString::fromStdString(line);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = PopupMenu2->addAction(caption);
        connect(item, &QAction::triggered, this, [this, item] { base::RunGuarded(this, [&] { myFirstPopUp(item); }); });
    }
}

void TMain::PopupMenu2Popup() {
    FillQuickStartMenu();
}

void TMain::PopupMenu1Popup() {
    FillQuickStartMenu();
    N5->clear();
    for (QAction* source : PopupMenu2->actions()) {
        QAction* item = N5->addAction(source->text());
        connect(item, &QAction::triggered, this, [this, item] { base::RunGuarded(this, [&] { myFirstPopUp(item); }); });
    }
}

void TMain::myFirstPopUp(QAction* item) {
    const std::string directory = base::QuickStartDirectory(item->text().toStdString());
    DirectoryListBox1->SetCurrentDirectory(QString::fromStdString(platform_->HostPath(directory)));
    TbOpen->trigger();
}

}  // namespace ter5::app
