#include "FileTransaction.h"


#include "EngineError.h"
#include "FileHolders.h"
#include "FileUtil.h"
#include "TableLock.h"
#include "TableNames.h"
#include "WriteJournal.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// "<stem>.ter5journal": the steps of a committed write of table <stem>.
constexpr char kJournalExtension[] = ".ter5journal";
// Journals are a few hundred bytes; a larger file of that name is none of ours.
constexpr std::uint64_t kMaxJournalBytes = 1 << 16;

WriteHook& TheWriteHook() {
    static WriteHook hook;
    return hook;
}

void CallHook(const fs::path& target, WriteStage stage) {
    if (TheWriteHook()) TheWriteHook()(target, stage);
}

fs::path Directory(const fs::path& p) { return p.parent_path().empty() ? fs::path(".") : p.parent_path(); }

fs::path JournalPath(const fs::path& tablePath) {
    const std::string name = PathToUtf8(tablePath.stem()) + kJournalExtension;
    return FindFileNoCase(Directory(tablePath), name).value_or(Directory(tablePath) / PathFromUtf8(name));
}

// True when something, of whatever kind, stands under `path` (a dangling link too).
bool Present(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The journal beside `tablePath` when this program wrote it for that table;
// otherwise nullopt with the reason in `why`.
std::optional<WriteJournal> ReadJournal(const fs::path& tablePath, const fs::path& journalPath, std::string& why) {
    std::error_code ec;
    if (fs::is_symlink(journalPath, ec)) {
        why = "it is a symbolic link";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadRegularFile(journalPath, kMaxJournalBytes + 1);
    } catch (const EngineError& e) {
        why = e.what();
        return std::nullopt;
    }
    if (bytes.size() > kMaxJournalBytes) {
        why = "it is far larger than a journal";
        return std::nullopt;
    }
    const std::string tableName = PathToUtf8(ResolveNoCase(tablePath).value_or(tablePath).filename());
    return ParseJournal(std::string(bytes.begin(), bytes.end()), tableName, why);
}

// Refuses a file that is a symbolic link: replacing it would put a plain copy in
// the link's place and leave the file it leads to as it was.
void RefuseLink(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_symlink(file, ec)) return;
    const fs::path to = fs::read_symlink(file, ec);
    Fail(PathToUtf8(file), "is a symbolic link to " + PathToUtf8(to) +
                               "; a write would turn it into a copy of its own and leave " + PathToUtf8(to) +
                               " as it was, so nothing was written. Write the table where it lies");
}

}  // namespace

void SetWriteHook(WriteHook hook) { TheWriteHook() = std::move(hook); }

bool IsEngineWorkFile(const std::string& fileName) {
    if (TemporaryTarget(fileName)) return true;
    const std::string ext = kJournalExtension;
    return fileName.size() > ext.size() && EqualsNoCase(fileName.substr(fileName.size() - ext.size()), ext);
}

bool IsReservedFileName(const std::string& fileName) {
    if (IsEngineWorkFile(fileName) || EqualsNoCase(fileName, kLockFileName)) return true;
    for (const char* name : kEngineLockFiles)
        if (EqualsNoCase(fileName, name)) return true;
    const std::string ext = kTableLockExtension;
    return fileName.size() > ext.size() && EqualsNoCase(fileName.substr(fileName.size() - ext.size()), ext);
}

FileTransaction::FileTransaction(const fs::path& tablePath)
    : table_(tablePath), dir_(Directory(tablePath)), tableAttributes_(ReadAttributes(tablePath)), id_(NewWriteId()) {
    RefuseLink(tablePath);
    if (IsReadOnlyFile(tablePath)) Fail(PathToUtf8(tablePath), "Table is read-only");
}

FileTransaction::~FileTransaction() {
    if (committed_) return;
    for (const Step& s : replaces_) {
        std::error_code ignored;
        fs::remove(s.temp, ignored);
    }
}

void FileTransaction::Replace(const fs::path& target, const std::vector<std::uint8_t>& data) {
    if (committed_) throw EngineError("a committed transaction takes no more files");
    RefuseLink(target);
    if (IsReadOnlyFile(target)) Fail(PathToUtf8(target), "Table is read-only");
    const FileAttributes existing = ReadAttributes(target);
    const fs::path temp = Directory(target) / PathFromUtf8(TemporaryName(PathToUtf8(target.filename()), id_, ++temps_));
    WriteNewFile(temp, data.data(), data.size(), existing.exists ? existing : tableAttributes_, PathToUtf8(target));
    replaces_.push_back({temp, target});
    // An exception of the hook leaves the destructor to remove the temporary files, this one included.
    CallHook(target, WriteStage::BeforeReplace);
}

fs::path FileTransaction::StagedFile(const fs::path& target) const {
    for (const Step& s : replaces_)
        if (s.target == target) return s.temp;
    return {};
}

void FileTransaction::Remove(const fs::path& target) {
    RefuseLink(target);
    if (IsReadOnlyFile(target)) Fail(PathToUtf8(target), "Table is read-only");
    removes_.push_back(target);
}

void FileTransaction::WriteJournal() const {
    engine::WriteJournal journal;
    journal.table = PathToUtf8(table_.filename());
    journal.id = id_;
    for (const Step& s : replaces_) journal.replaces.emplace_back(PathToUtf8(s.temp.filename()), PathToUtf8(s.target.filename()));
    for (const fs::path& r : removes_) journal.removes.push_back(PathToUtf8(r.filename()));
    const std::string text = FormatJournal(journal);
    const fs::path path = JournalPath(table_);
    // Written through a temporary file renamed into place, and the directory synced:
    // a journal is either whole on disk or not there.
    try {
        WriteFileAtomic(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    } catch (...) {
        // Not committed: a journal that reached its place goes before the temporary
        // files it names, so that nobody replays its deletions alone.
        std::error_code ignored;
        fs::remove(path, ignored);
        throw;
    }
}

void FileTransaction::Commit() {
    if (committed_) return;
    // The table's lock must still be ours: a lock file deleted or replaced meanwhile
    // lets another writer work beside this one, and its files would be overwritten.
    CheckLockStillNamed(table_);
    // One file needs no journal: its rename alone is atomic.
    const bool journaled = replaces_.size() + removes_.size() > 1;
    if (journaled) {
        try {
            WriteJournal();  // syncs the directory: the temporary files and the journal are durable now
        } catch (const EngineError& e) {
            Fail(PathToUtf8(table_), std::string("the write could not be committed (") + e.what() + "); nothing was written");
        }
    }
    committed_ = true;
    if (journaled) CallHook(table_, WriteStage::Committed);
    for (const Step& s : replaces_) {
        try {
            ReplaceFile(s.temp, s.target);
        } catch (const EngineError& e) {
            if (!journaled) {
                std::error_code ignored;
                fs::remove(s.temp, ignored);
                throw;
            }
            Fail(PathToUtf8(table_), std::string("the write stopped half-way (") + e.what() +
                                      "); it is completed when the table is next opened");
        }
        CallHook(s.target, WriteStage::AfterReplace);
    }
    for (const fs::path& r : removes_) {
        std::error_code ec;
        fs::remove(r, ec);
        if (ec && journaled) Fail(PathToUtf8(r), "cannot delete: " + ec.message() + "; it is deleted when the table is next opened");
        if (ec) Fail(PathToUtf8(r), "cannot delete: " + ec.message());
        CallHook(r, WriteStage::AfterReplace);
    }
    try {
        SyncDirectory(dir_);  // a power cut after this cannot bring the old files back
        if (journaled) {
            std::error_code ignored;
            fs::remove(JournalPath(table_), ignored);
            SyncDirectory(dir_);
        }
    } catch (const EngineError& e) {
        // A journal left behind finds the write complete when it is next replayed.
        Fail(PathToUtf8(table_), std::string("the write was made, but it may not survive a power cut (") + e.what() + ")");
    }
}

bool HasInterruptedWrite(const fs::path& tablePath) { return Present(JournalPath(tablePath)); }

bool HasReplayableWrite(const fs::path& tablePath) {
    const fs::path journalPath = JournalPath(tablePath);
    std::string why;
    return Present(journalPath) && ReadJournal(tablePath, journalPath, why).has_value();
}

std::optional<std::string> ForeignJournal(const fs::path& tablePath) {
    const fs::path journalPath = JournalPath(tablePath);
    std::string why;
    if (!Present(journalPath) || ReadJournal(tablePath, journalPath, why)) return std::nullopt;
    return PathToUtf8(journalPath) + ": not a journal this program wrote for " + PathToUtf8(tablePath.filename()) + " (" +
           why + "); it is left as it is, neither replayed nor deleted";
}

void TidyTable(const fs::path& tablePath) {
    const fs::path dir = Directory(tablePath);
    const fs::path journalPath = JournalPath(tablePath);
    if (Present(journalPath)) {
        std::string why;
        const auto journal = ReadJournal(tablePath, journalPath, why);
        if (!journal)
            Fail(PathToUtf8(journalPath), "not a journal this program wrote for " + PathToUtf8(tablePath.filename()) + " (" +
                                              why + "); it was neither replayed nor deleted, and nothing was written. "
                                              "Check the table with `ter5tool verify`, then move the file away");
        std::error_code ec;
        for (const auto& [temp, target] : journal->replaces)
            if (Present(dir / PathFromUtf8(temp))) ReplaceFile(dir / PathFromUtf8(temp), dir / PathFromUtf8(target));
        for (const std::string& name : journal->removes) {
            fs::remove(dir / PathFromUtf8(name), ec);
            if (ec) Fail(PathToUtf8(dir / PathFromUtf8(name)), "cannot complete an interrupted write: " + ec.message());
        }
        SyncDirectory(dir);
        fs::remove(journalPath, ec);
        if (ec) Fail(PathToUtf8(journalPath), "cannot remove the journal of an interrupted write: " + ec.message());
        SyncDirectory(dir);
    }
    std::error_code ec;
    for (const fs::path& leftover : LeftoverTemporaries(tablePath)) fs::remove(leftover, ec);
}

std::vector<fs::path> LeftoverTemporaries(const fs::path& tablePath) {
    std::vector<fs::path> result;
    const std::string stem = PathToUtf8(tablePath.stem());
    for (const fs::path& p : ListCompanions(tablePath.parent_path(), stem)) {
        const std::string name = PathToUtf8(p.filename());
        const auto target = TemporaryTarget(name);
        if (!target) continue;
        // A table file's temporary, or the journal's own (written through WriteFileAtomic).
        if (IsTableFileName(*target, stem, true) || EqualsNoCase(*target, stem + kJournalExtension)) result.push_back(p);
    }
    return result;
}

}  // namespace ter5::engine
