#pragma once
// Path helpers of the base layer: the platform's separator, UTF-8 conversion and
// the file tests that decide whether a directory is a base.
//
// Paths travel through the program as UTF-8 strings and are joined by plain
// concatenation with the separator, so a root directory joined with a name gives
// a doubled separator that still names the same entry. Table files are found
// without regard to case: bases copied from Windows keep any mix of cases.

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/FileUtil.h"

namespace ter5::base {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The three tables of a base, as the program names them.
inline constexpr const char* kBaseTableNames[] = {"ter.db", "subter.db", "poligon.db"};

// Paths to and from UTF-8 text, as the engine converts them (engine/FileUtil.h).
using engine::PathFromUtf8;
using engine::PathToUtf8;

// dir + separator + name.
std::string JoinPath(const std::string& dir, const std::string& name);

// True when `dir` holds an entry called `name` ignoring case.
bool FileExistsNoCase(const std::string& dir, const std::string& name);

// True when `path` is an existing directory.
bool DirectoryExists(const std::string& path);

// True when `dir` holds all three base tables.
bool IsBaseDirectory(const std::string& dir);

// The last component of a path ("" for a root).
std::string LastPathComponent(const std::string& path);

}  // namespace ter5::base
