#include "base/widgets/DirectoryCommands.h"

#include <QDir>
#include <QFileInfo>
#include <exception>
#include <stdexcept>

#include "base/DirectoryOperations.h"
#include "base/PathNames.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/Messenger.h"
#include "base/widgets/TNewForm.h"

namespace ter5::base {

namespace {

QString DirectoryCaption() {
    return QStringLiteral("Каталог");
}

// A name as typed, resolved against the tree's (and the process's) current directory.
std::string Resolved(const DirectoryTree* tree, const QString& name) {
    return QDir::toNativeSeparators(QDir(tree->CurrentDirectory()).absoluteFilePath(name)).toStdString();
}

}  // namespace

DirectoryCommands::DirectoryCommands(DirectoryTree* tree, std::function<void()> closeBase,
                                     std::function<TNewForm*()> nameDialog, QObject* parent)
    : QObject(parent), tree_(tree), closeBase_(std::move(closeBase)), nameDialog_(std::move(nameDialog)) {}

QWidget* DirectoryCommands::ParentWidget() const {
    return tree_->window();
}

void DirectoryCommands::CreateDirectory() {
    TNewForm* dialog = nameDialog_();
    dialog->setWindowTitle(DirectoryCaption());
    dialog->SetPrompt(tr("Имя нового каталога:"));
    if (!dialog->Ask()) return;
    const QString name = dialog->Text();
    const std::string path = Resolved(tree_, name);

    if (!name.isEmpty() && DirectoryExists(path)) {
        Messenger::Current().ShowMessage(ParentWidget(), QStringLiteral("Каталог %1 уже существует").arg(name));
    } else {
        closeBase_();
        if (name.isEmpty() || !CreateDirectoryOneLevel(path))
            throw std::runtime_error(QStringLiteral("Невозможно создать каталог %1").arg(name).toStdString());
    }
    if (!name.isEmpty() && DirectoryExists(path)) {
        tree_->Rebuild();
        const int row = tree_->FindItem(name);
        if (row >= 0) tree_->SelectIndex(row);
    }
}

void DirectoryCommands::RenameDirectory() {
    const int row = tree_->SelectedIndex();
    if (row < 0) return;
    const QString itemText = tree_->item(row)->text();
    TNewForm* dialog = nameDialog_();
    dialog->setWindowTitle(DirectoryCaption());
    dialog->SetPrompt(tr("Новое имя каталога:"));
    dialog->SetText(itemText);
    const bool confirmed = dialog->Ask();
    const QString oldPath = tree_->ItemPath(row);
    if (!confirmed || dialog->Text() == itemText) return;

    const QString newPath = oldPath.left(oldPath.size() - itemText.size()) + dialog->Text();
    // The rename goes ahead even when closing the base fails; that error is shown after it.
    std::exception_ptr closeError;
    try {
        closeBase_();
    } catch (...) {
        closeError = std::current_exception();
    }
    const QString current = tree_->CurrentDirectory();
    const bool insideRenamed = IsSameOrBelow(current.toStdString(), oldPath.toStdString());
    if (base::RenameDirectory(oldPath.toStdString(), newPath.toStdString())) {
        if (insideRenamed) {
            // The current directory was the renamed one or lay inside it: follow it.
            tree_->SetCurrentDirectory(newPath + current.mid(oldPath.size()));
        } else {
            tree_->Rebuild();
        }
        tree_->SelectIndex(row);
    } else {
        Messenger::Current().Warning(ParentWidget(),
                                     QStringLiteral("Невозможно переименовать каталог %1 в %2").arg(oldPath, newPath));
    }
    if (closeError) std::rethrow_exception(closeError);
}

void DirectoryCommands::DeleteDirectory() {
    const int row = tree_->SelectedIndex();
    if (row < 0) return;
    const QString path = tree_->ItemPath(row);
    if (!Messenger::Current().ConfirmWarning(ParentWidget(), QStringLiteral("Удалить каталог %1").arg(path))) return;
    const QString current = tree_->CurrentDirectory();
    const bool removingCurrent = IsSameOrBelow(current.toStdString(), path.toStdString());
    if (!RemoveEmptyDirectory(path.toStdString())) {
        Messenger::Current().Warning(ParentWidget(), QStringLiteral("Невозможно удалить каталог %1").arg(path));
        return;
    }
    if (removingCurrent) {
        // The current directory itself was removed (it was empty): step up to its parent.
        tree_->SetCurrentDirectory(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    } else {
        tree_->Rebuild();
    }
    if (row > 0) tree_->SelectIndex(row - 1);
}

}  // namespace ter5::base
