#pragma once
// The rules of the directory tree `DirectoryListBox1`, without a toolkit: one item
// for the root, one for each directory on the path down to the current directory,
// and one for each sub-directory of the current directory, in name order. Entering
// an item makes it the current directory, which is always also the process's.
//
// Sub-directories that hold the three base tables carry the base mark, and so does
// the current directory when it is a base itself: a base entered by a double click
// stays the base the user picked. Paths are UTF-8 with the platform's separators.

#include <functional>
#include <string>
#include <vector>

namespace ter5::base {

struct DirectoryItem {
    std::string text;       // what the item shows
    std::string path;       // the item's full path
    int level = 0;          // indentation level
    bool open = false;      // drawn as an open folder: the root and the path items
    bool baseMark = false;  // the directory it opens holds a base
};

// Whether name `a` sorts before `b`: without regard to case, runs of digits by
// their value ("2" before "10").
bool NaturalNameLess(const std::string& a, const std::string& b);

class DirectoryListing {
public:
    using NameOrder = std::function<bool(const std::string&, const std::string&)>;

    // Sub-directories sorted by `order`.
    explicit DirectoryListing(NameOrder order = NaturalNameLess);

    // The current directory, absolute, without a trailing separator (the root excepted).
    const std::string& CurrentDirectory() const { return current_; }
    // Makes `path` (absolute, or relative to the current directory) the current
    // directory, also the process's, and re-reads the items. Returns whether the
    // directory changed. Throws std::runtime_error "Каталог … не найден" or
    // "Невозможно перейти в каталог …: <system message>".
    bool Enter(const std::string& path);
    // Re-reads the sub-directories of the current directory and the marks.
    void Rebuild();

    const std::vector<DirectoryItem>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // The row of the current directory's own item.
    int CurrentDirectoryRow() const { return currentRow_; }
    // The full path of item `row`; empty out of range.
    std::string ItemPath(int row) const;
    // The current directory, a separator and the item's text: what selecting a base
    // and the marks test. Empty for the root, the path items and the current
    // directory, which name no sub-directory.
    std::string JoinedItemPath(int row) const;
    // The directory selecting item `row` opens: the joined path of a sub-directory,
    // the current directory for its own item; empty for the root and the path items.
    std::string BasePath(int row) const;
    // The row of the first item whose text equals `text` ignoring case; -1 if none.
    int FindItem(const std::string& text) const;
    // Sets the base mark of every item whose base path is a base.
    void MarkBaseDirectories();

private:
    void AddItem(std::string text, std::string path, int level, bool open);

    NameOrder order_;
    std::string current_;
    std::vector<DirectoryItem> items_;
    int currentRow_ = 0;
};

}  // namespace ter5::base
