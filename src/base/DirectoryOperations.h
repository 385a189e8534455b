#pragma once
// The file-system side of the tree's directory commands. Each returns whether it
// succeeded; the caller tells the user.

#include <string>

namespace ter5::base {

// Creates the directory `path`, one level only (its parent must exist).
bool CreateDirectoryOneLevel(const std::string& path);

// Renames the directory `from` to `to`; fails when `to` exists.
bool RenameDirectory(const std::string& from, const std::string& to);

// Removes the directory `path` when it is empty.
bool RemoveEmptyDirectory(const std::string& path);

// True when `path` is `ancestor` itself or lies below it (lexically, after
// normalising both; on Windows names compare without regard to case).
bool IsSameOrBelow(const std::string& path, const std::string& ancestor);

}  // namespace ter5::base
