#pragma once
// The files of one export, written first into a hidden staging folder beside the target
// and moved into place only when every one of them is complete. A failed or interrupted
// export thus leaves the target folder as it was: files of the same names keep their old
// contents, and nothing half-written appears.
//
// Committing replaces files of the same names (a replaced file's permissions carry over)
// and removes what would otherwise pair up with the new files wrongly: the Shapefile and
// CSV sidecars of an earlier export under the same name that this one did not write
// (an old .prj beside a new .shp would claim a reference system it does not have), and
// the SQLite journals of a replaced GeoPackage.

#include <filesystem>
#include <string>
#include <vector>

namespace ter5::exchange {

// Throws ExportError naming `file` when it is a file of the table engine an export
// must never write over: writing over the table lock file lets two writers hold one
// table, and a journal or temporary file is part of a write in progress (the
// original engine's lock files likewise).
void RefuseEngineFile(const std::filesystem::path& file);

class StagedOutput {
public:
    // Creates the staging folder ".<name>.export-<random>" in target's folder. Throws
    // ExportError naming the folder when it does not exist or cannot be written, and
    // naming the target when that is a folder or a file of the table engine (the
    // table lock file, a journal or temporary file, the original engine's lock files).
    explicit StagedOutput(const std::filesystem::path& target);
    // Removes the staging folder with everything in it (after a commit it is empty).
    ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    // Where the file of this name (no folder) is written until the commit.
    std::filesystem::path Stage(const std::string& fileName) const { return staging_ / fileName; }
    // The folder the files end up in.
    const std::filesystem::path& Folder() const { return folder_; }

    // True when a regular file of stem `stem` has been written to the staging folder.
    bool HoldsFile(const std::filesystem::path& stem) const;
    // True when the staging folder holds a folder `name` (what some drivers write
    // instead of a file).
    bool HoldsFolder(const std::string& name) const;

    // Flushes every staged file to disk and moves it into the target folder; returns
    // their final paths, sorted. Throws ExportError, moving nothing, when a staged file
    // would replace a file of the table engine, and when a move fails (the files moved
    // before it stay in place).
    std::vector<std::filesystem::path> Commit();

private:
    std::filesystem::path folder_;
    std::filesystem::path staging_;
};

}  // namespace ter5::exchange
