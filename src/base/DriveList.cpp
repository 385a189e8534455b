#include "base/DriveList.h"

#include <cctype>

#include "base/DirectoryOperations.h"
#include "base/PathNames.h"

namespace ter5::base {

void DriveList::Add(const std::string& label, const std::string& root) {
    for (const Drive& drive : drives_) {
        if (drive.root == root) return;
    }
    drives_.push_back(Drive{label, root});
}

std::string DriveList::Root(int index) const {
    if (index < 0 || index >= Count()) return {};
    return drives_[static_cast<std::size_t>(index)].root;
}

int DriveList::DriveOf(const std::string& directory) const {
    int best = -1;
    std::size_t bestLength = 0;
    for (int i = 0; i < Count(); ++i) {
        const std::string& root = drives_[static_cast<std::size_t>(i)].root;
        if (IsSameOrBelow(directory, root) && (best < 0 || root.size() > bestLength)) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

int DriveList::Shown(const std::string& directory) {
    const int drive = DriveOf(directory);
    if (drive >= 0) lastDirectory_[Root(drive)] = directory;
    return drive;
}

std::string DriveList::Target(int index) const {
    const std::string root = Root(index);
    if (root.empty()) return {};
    const auto last = lastDirectory_.find(root);
    if (last != lastDirectory_.end() && DirectoryExists(last->second)) return last->second;
    return root;
}

std::vector<Drive> WindowsDrives(const std::vector<std::string>& roots) {
    std::vector<Drive> drives;
    for (const std::string& root : roots) {
        if (root.size() < 2 || root[1] != ':') continue;
        std::string label = root.substr(0, 2);
        label[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(label[0])));
        drives.push_back(Drive{label, root});
    }
    return drives;
}

}  // namespace ter5::base
