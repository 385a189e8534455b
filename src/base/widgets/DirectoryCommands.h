#pragma once
// The tree's directory commands: create, rename and delete a directory, with the
// name dialog and their messages. They act on the tree's selected item; their steps
// are DirectoryCommandSteps', this class lends them the Qt dialogs and tree.

#include <QObject>
#include <functional>

#include "base/DirectoryCommandSteps.h"

namespace ter5::base {

class DirectoryTree;
class TNewForm;

class DirectoryCommands : public QObject, private DirectoryCommandHost {
    Q_OBJECT

public:
    // `closeBase` is `CloseBaseDataSets`; `nameDialog` returns the name dialog,
    // created on first use by its owner.
    DirectoryCommands(DirectoryTree* tree, std::function<void()> closeBase,
                      std::function<TNewForm*()> nameDialog, QObject* parent = nullptr);

    // `nCreateDirClick`, `nRenameDirClick`, `nDeleteDirClick` (DirectoryCommandSteps).
    void CreateDirectory() { steps_.Create(); }
    void RenameDirectory() { steps_.Rename(); }
    void DeleteDirectory() { steps_.Delete(); }

private:
    QWidget* ParentWidget() const;

    std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                       const std::optional<std::string>& text) override;
    void ShowMessage(const std::string& text) override;
    void Warning(const std::string& text) override;
    bool ConfirmWarning(const std::string& text) override;
    void CloseBase() override { closeBase_(); }
    std::string CurrentDirectory() const override;
    int SelectedIndex() const override;
    std::string ItemText(int row) const override;
    std::string ItemPath(int row) const override;
    void Rebuild() override;
    int FindItem(const std::string& text) const override;
    void SelectIndex(int row) override;
    void SetCurrentDirectory(const std::string& path) override;

    DirectoryTree* tree_;
    std::function<void()> closeBase_;
    std::function<TNewForm*()> nameDialog_;
    DirectoryCommandSteps steps_{*this};
};

}  // namespace ter5::base
