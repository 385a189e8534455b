#pragma once
// The files of a repaired table and how they take the place of the old ones: the
// index files built for the salvaged records (as a reindex builds them, an
// existing index whose order this program does not know kept as it is), and the
// installation, which puts every original file of the table family into a backup
// folder and the new files into place in one journal (TableRepair.h).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FileTransaction.h"
#include "IndexCatalog.h"
#include "IndexLayout.h"
#include "RepairSideTables.h"
#include "TableFile.h"

namespace ter5::engine {

// Puts a repaired table family in place. New files are staged (written to
// temporary files beside their targets) as they are built; Commit puts every
// original file of the family into the backup folder (linked, or copied where the
// file system cannot link or the file stays in place), writes the side tables
// there, and replaces and removes the family's files in one journal. Without a
// Commit, or when it fails before the journal is written, the temporary files and
// whatever was put into the backup folder go again and the table is as it was.
class RepairInstall {
public:
    // Checks that `backupFolder` holds no files yet. Throws EngineError (the table
    // read-only, the folder in use). `protection` is the table's word (0: plain):
    // the side tables are protected with it.
    RepairInstall(const std::filesystem::path& table, std::filesystem::path backupFolder, std::uint32_t protection = 0);
    ~RepairInstall();
    RepairInstall(const RepairInstall&) = delete;
    RepairInstall& operator=(const RepairInstall&) = delete;

    const std::filesystem::path& Table() const { return table_; }
    // Stages `image` (as it is to be stored) to replace `target`, a file of the family.
    void Stage(const std::filesystem::path& target, const std::vector<std::uint8_t>& image);
    // The temporary file Stage wrote for `target`, to be read back before Commit.
    std::filesystem::path StagedFile(const std::filesystem::path& target) const { return transaction_->StagedFile(target); }
    std::uint32_t Protection() const { return protection_; }
    // Leaves `file` of the family as it is.
    void Keep(const std::filesystem::path& file) { unchanged_.push_back(file); }
    // Writes `table` into the backup folder at Commit.
    void AddSideTable(SideTable table) { sideTables_.push_back(std::move(table)); }
    void Commit();

private:
    std::filesystem::path table_;
    std::filesystem::path folder_;
    std::unique_ptr<FileTransaction> transaction_;
    std::vector<std::filesystem::path> staged_;
    std::vector<std::filesystem::path> unchanged_;
    std::vector<SideTable> sideTables_;
    std::uint32_t protection_ = 0;
    std::vector<std::filesystem::path> made_;  // folders and files made in the backup, outermost first
    bool committed_ = false;
};

// Builds the .PX of the keyed table `repaired` and the files of every index of
// `defs` and stages them (existing file names reused: `readable` are the indexes
// whose files could be read). An existing maintained index whose order follows
// rules this program does not know, and which holds exactly the repaired records,
// is kept as it is (its tree file rebuilt where it does not fit); one line per
// kept index goes to `notes`. A rebuilt index file keeps the header bytes no rule
// explains from the file it replaces, and its protection: encrypted or plain as
// that file was, a new one with the table's word. With `staged` (the repaired
// table's records read back from its staged file) `repaired` is let go once the
// .PX is built, so that the table and an index's records are not held at once.
void BuildIndexFiles(std::shared_ptr<const TableFile> repaired, const RecordSource* staged, const std::vector<IndexDef>& defs,
                     const std::vector<IndexInfo>& readable, RepairInstall& install, std::vector<std::string>& notes);

// The records of the table image staged at `file` whose header is `h` (packed in
// chained order, as the repair builds it), read a block at a time, protected
// blocks decrypted. Its walk throws EngineError naming the file when it cannot be read.
RecordSource StagedRecords(const std::filesystem::path& file, const TableHeader& h);

// The files of the table family of `table` on disk: .DB, .MB, .PX, .Xnn/.Ynn,
// .XGn/.YGn, .VAL, .TV, .TVF, .FAM (any letter case; no temporary files).
std::vector<std::filesystem::path> TableFamilyFiles(const std::filesystem::path& table);

// True for the files of a family that a repair leaves in place (.VAL, .TV, .TVF, .FAM).
bool StaysInPlace(const std::filesystem::path& file);

}  // namespace ter5::engine
