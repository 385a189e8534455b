#pragma once
// The rules of the drive box `DriveComboBox1` without a toolkit: the drives (a label
// and a root each), which drive holds a directory, and the directory last shown on
// each drive, where choosing the drive again returns to. Paths are UTF-8.

#include <map>
#include <string>
#include <vector>

namespace ter5::base {

struct Drive {
    std::string label;  // what the box shows
    std::string root;   // the drive's root directory
};

class DriveList {
public:
    // Adds a drive unless one with the same root is there; the directories last shown
    // are kept across a re-reading of the drives.
    void Add(const std::string& label, const std::string& root);
    void Clear() { drives_.clear(); }

    const std::vector<Drive>& Drives() const { return drives_; }
    int Count() const { return static_cast<int>(drives_.size()); }
    // The root of drive `index`; empty out of range.
    std::string Root(int index) const;
    // The drive holding `directory` (the longest root that contains it); -1 if none.
    int DriveOf(const std::string& directory) const;
    // Records that the tree shows `directory`; returns its drive (-1 if none).
    int Shown(const std::string& directory);
    // Where choosing drive `index` moves the tree: the directory last shown there if
    // it still exists, else the drive's root. Empty out of range.
    std::string Target(int index) const;

private:
    std::vector<Drive> drives_;
    std::map<std::string, std::string> lastDirectory_;  // drive root → directory last shown there
};

// The drives of a Windows machine from GetLogicalDriveStrings' answer ("C:\", "D:\"
// …), each labelled with its letter in lower case and the colon ("c:").
std::vector<Drive> WindowsDrives(const std::vector<std::string>& roots);

}  // namespace ter5::base
