#pragma once
// The quick-start list `ter.lst`: the bases the companion program worked on last,
// one directory path per line, in Windows-1251, in the companion program's
// directory. The program only reads it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::base {

class Platform;

// The list file's path from the machine setting's value: value + "\ter.lst",
// with every run of backslashes squeezed to one, but for the two that begin a
// network path ("\\server\share").
std::string QuickStartListPath(const std::string& pathWorkFiles);

// The lines of the list as UTF-8. A line ends at LF; a CR before it belongs to the
// line end, not to the path. A last line without LF counts; the file's final line
// end opens no further line. Empty lines stay (as empty entries).
std::vector<std::string> ParseQuickStartList(std::string_view windows1251);

// Reads the list named by the machine setting `PathWorkFiles` (default "C:\Ter").
// nullopt when the file does not exist; std::runtime_error when it cannot be read.
std::optional<std::vector<std::string>> ReadQuickStartList(const Platform& platform);

// A quick-start menu caption back to its directory: every "&" removed (the menu
// adds accelerator marks).
std::string QuickStartDirectory(const std::string& caption);

}  // namespace ter5::base
