#pragma once
// Which files of a directory belong to a table. A table `T.DB` owns the files
// "T.<ext>" of its own stem (T.OLD.X01 is not T's) whose extension the table
// engine gives them: .DB, .MB, .PX, .VAL and the secondary index files
// .Xnn/.Ynn/.XGn/.YGn. Windows programs, the companion program among them, see no
// difference between names that differ only in case; on Linux such names are two
// files, and a directory holding both is refused rather than guessed at.

#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

// True when `name` (a file name, no directory) is a file of table `stem`: the .DB
// itself only when `withTable`.
bool IsTableFileName(const std::string& name, const std::string& stem, bool withTable);

// Files of the table `tablePath` whose names differ only in case from another of
// its files (ter.db and TER.DB), in pairs; empty when there are none.
std::vector<std::pair<std::filesystem::path, std::filesystem::path>> CaseTwins(const std::filesystem::path& tablePath);

// Throws EngineError naming the directory when the table `tablePath` has case
// twins: Windows programs cannot tell them apart, and which is the table's is
// not ours to guess, so nothing is read or written.
void RefuseCaseTwins(const std::filesystem::path& tablePath);

}  // namespace ter5::engine
