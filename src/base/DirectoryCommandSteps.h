#pragma once
// The steps of the directory tree's commands (create, rename and delete a directory)
// without a toolkit. A front end supplies the dialogs, the message boxes and its
// tree through a DirectoryCommandHost; the steps decide what is asked, what the file
// system is told and what the tree shows afterwards. Paths are UTF-8.

#include <optional>
#include <string>

namespace ter5::base {

// What the directory commands need of a front end.
class DirectoryCommandHost {
public:
    virtual ~DirectoryCommandHost() = default;

    // The name dialog `TNewForm` with `caption` and `prompt`; its field shows `text`
    // when given, else the last text typed. The text when confirmed with Enter,
    // nothing when cancelled.
    virtual std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                               const std::optional<std::string>& text) = 0;
    // A plain message box (the application title as caption).
    virtual void ShowMessage(const std::string& text) = 0;
    // A warning box with OK.
    virtual void Warning(const std::string& text) = 0;
    // A warning box with OK and Cancel; true for OK.
    virtual bool ConfirmWarning(const std::string& text) = 0;
    // `CloseBaseDataSets`: closes the open base; may throw.
    virtual void CloseBase() = 0;

    // The tree: its current directory, the selected row (-1 for none), an item's text
    // and full path, re-reading the sub-directories, the row of an item by its text
    // (ignoring case, -1 if none), selecting a row without opening what it names,
    // and entering a directory (may throw).
    virtual std::string CurrentDirectory() const = 0;
    virtual int SelectedIndex() const = 0;
    virtual std::string ItemText(int row) const = 0;
    virtual std::string ItemPath(int row) const = 0;
    virtual void Rebuild() = 0;
    virtual int FindItem(const std::string& text) const = 0;
    virtual void SelectIndex(int row) = 0;
    virtual void SetCurrentDirectory(const std::string& path) = 0;
};

class DirectoryCommandSteps {
public:
    explicit DirectoryCommandSteps(DirectoryCommandHost& host) : host_(host) {}

    // `nCreateDirClick`: asks for a name, creates the directory one level deep below
    // the tree's current directory (or says "Каталог <name> уже существует") and
    // selects its item. A failed creation throws std::runtime_error
    // "Невозможно создать каталог <name>".
    void Create();
    // `nRenameDirClick`: asks for the new name of the selected directory and renames
    // it; the tree follows when its current directory was inside. An error closing
    // the base is thrown after the rename.
    void Rename();
    // `nDeleteDirClick`: asks and removes the selected (empty) directory; the tree
    // steps up when its current directory was the one removed.
    void Delete();

private:
    DirectoryCommandHost& host_;
};

// The caption and prompts of the name dialog for the directory commands.
inline constexpr const char* kDirectoryCaption = "Каталог";
inline constexpr const char* kNewDirectoryPrompt = "Имя нового каталога:";
inline constexpr const char* kRenameDirectoryPrompt = "Новое имя каталога:";

}  // namespace ter5::base
