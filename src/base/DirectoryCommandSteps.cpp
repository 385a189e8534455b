#include "base/DirectoryCommandSteps.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "base/DirectoryOperations.h"
#include "base/PathNames.h"

namespace ter5::base {

namespace {

// A name as typed, resolved against the tree's (and the process's) current directory,
// with the platform's separators.
std::string Resolved(const std::string& current, const std::string& name) {
    std::filesystem::path path = PathFromUtf8(current) / PathFromUtf8(name);
    return PathToUtf8(path.make_preferred());
}

// The directory holding `path` (a root stays itself).
std::string ParentOf(const std::string& path) {
    return PathToUtf8(PathFromUtf8(path).parent_path().make_preferred());
}

}  // namespace

void DirectoryCommandSteps::Create() {
    const std::optional<std::string> answer = host_.AskName(kDirectoryCaption, kNewDirectoryPrompt, std::nullopt);
    if (!answer) return;
    const std::string& name = *answer;
    const std::string path = Resolved(host_.CurrentDirectory(), name);

    if (!name.empty() && DirectoryExists(path)) {
        host_.ShowMessage("Каталог " + name + " уже существует");
    } else {
        host_.CloseBase();
        if (name.empty() || !CreateDirectoryOneLevel(path))
            throw std::runtime_error("Невозможно создать каталог " + name);
    }
    if (!name.empty() && DirectoryExists(path)) {
        host_.Rebuild();
        const int row = host_.FindItem(name);
        if (row >= 0) host_.SelectIndex(row);
    }
}

void DirectoryCommandSteps::Rename() {
    const int row = host_.SelectedIndex();
    if (row < 0) return;
    const std::string itemText = host_.ItemText(row);
    const std::optional<std::string> answer = host_.AskName(kDirectoryCaption, kRenameDirectoryPrompt, itemText);
    const std::string oldPath = host_.ItemPath(row);
    if (!answer || *answer == itemText) return;

    const std::string newPath = oldPath.substr(0, oldPath.size() - std::min(oldPath.size(), itemText.size())) + *answer;
    // The rename goes ahead even when closing the base fails; that error is shown after it.
    std::exception_ptr closeError;
    try {
        host_.CloseBase();
    } catch (...) {
        closeError = std::current_exception();
    }
    const std::string current = host_.CurrentDirectory();
    const bool insideRenamed = IsSameOrBelow(current, oldPath);
    // Windows renames no directory that a process stands in: the tree (and the
    // process) step out of it first, and back in when the rename fails.
    if (insideRenamed) host_.SetCurrentDirectory(ParentOf(oldPath));
    if (base::RenameDirectory(oldPath, newPath)) {
        if (insideRenamed) {
            // The current directory was the renamed one or lay inside it: follow it.
            host_.SetCurrentDirectory(newPath + current.substr(std::min(current.size(), oldPath.size())));
        } else {
            host_.Rebuild();
        }
        host_.SelectIndex(row);
    } else {
        if (insideRenamed) host_.SetCurrentDirectory(current);
        host_.Warning("Невозможно переименовать каталог " + oldPath + " в " + newPath);
    }
    if (closeError) std::rethrow_exception(closeError);
}

void DirectoryCommandSteps::Delete() {
    const int row = host_.SelectedIndex();
    if (row < 0) return;
    const std::string path = host_.ItemPath(row);
    if (!host_.ConfirmWarning("Удалить каталог " + path)) return;
    const std::string current = host_.CurrentDirectory();
    const bool removingCurrent = IsSameOrBelow(current, path);
    // The current directory itself is being removed (it must be empty): step up to its
    // parent first, as Windows removes no directory that a process stands in.
    if (removingCurrent) host_.SetCurrentDirectory(ParentOf(path));
    if (!RemoveEmptyDirectory(path)) {
        if (removingCurrent) host_.SetCurrentDirectory(current);
        host_.Warning("Невозможно удалить каталог " + path);
        return;
    }
    host_.Rebuild();
    if (row > 0) host_.SelectIndex(row - 1);
}

}  // namespace ter5::base
