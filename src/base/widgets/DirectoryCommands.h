#pragma once
// The tree's directory commands: create, rename and delete a directory, with the
// name dialog and their messages. They act on the tree's selected item.

#include <QObject>
#include <functional>

namespace ter5::base {

class DirectoryTree;
class TNewForm;

class DirectoryCommands : public QObject {
    Q_OBJECT

public:
    // `closeBase` is `CloseBaseDataSets`; `nameDialog` returns the name dialog,
    // created on first use by its owner.
    DirectoryCommands(DirectoryTree* tree, std::function<void()> closeBase,
                      std::function<TNewForm*()> nameDialog, QObject* parent = nullptr);

    // `nCreateDirClick`: asks for a name, creates the directory one level deep (or
    // says it exists) and selects its item. A failed creation throws
    // std::runtime_error "Невозможно создать каталог <name>".
    void CreateDirectory();
    // `nRenameDirClick`: asks for the new name of the selected directory.
    void RenameDirectory();
    // `nDeleteDirClick`: asks and removes the selected (empty) directory.
    void DeleteDirectory();

private:
    QWidget* ParentWidget() const;

    DirectoryTree* tree_;
    std::function<void()> closeBase_;
    std::function<TNewForm*()> nameDialog_;
};

}  // namespace ter5::base
