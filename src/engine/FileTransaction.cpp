#include "FileTransaction.h"

#include <atomic>
#include <fstream>
#include <sstream>

#include "EngineError.h"
#include "FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// "<target>.ter5tmp-<process>-<n>": a file being written to replace <target>.
constexpr char kTempMarker[] = ".ter5tmp-";
// "<stem>.ter5journal": the steps of a committed write of table <stem>.
constexpr char kJournalExtension[] = ".ter5journal";
// First and last line of a journal; a journal without both is not committed.
constexpr char kJournalMagic[] = "ter5journal 1";
constexpr char kJournalEnd[] = "end";
constexpr char kReplaceWord[] = "replace";
constexpr char kRemoveWord[] = "remove";

WriteHook& TheWriteHook() {
    static WriteHook hook;
    return hook;
}

void CallHook(const fs::path& target, WriteStage stage) {
    if (TheWriteHook()) TheWriteHook()(target, stage);
}

fs::path Directory(const fs::path& p) { return p.parent_path().empty() ? fs::path(".") : p.parent_path(); }

fs::path TempFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    return Directory(target) / PathFromUtf8(PathToUtf8(target.filename()) + kTempMarker +
                                             std::to_string(CurrentProcessId()) + "-" + std::to_string(++counter));
}

fs::path JournalPath(const fs::path& tablePath) {
    const std::string name = PathToUtf8(tablePath.stem()) + kJournalExtension;
    return FindFileNoCase(Directory(tablePath), name).value_or(Directory(tablePath) / PathFromUtf8(name));
}

// The stem of the table a file name belongs to: the name up to its last ".".
std::string OwnerStem(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

struct Journal {
    bool complete = false;
    std::vector<std::pair<std::string, std::string>> replaces;  // temp, target (file names)
    std::vector<std::string> removes;
};

Journal ReadJournal(const fs::path& path) {
    Journal j;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kJournalMagic) return j;
    while (std::getline(in, line)) {
        if (line == kJournalEnd) {
            j.complete = true;
            break;
        }
        std::istringstream fields(line);
        std::string word, a, b;
        std::getline(fields, word, '\t');
        std::getline(fields, a, '\t');
        std::getline(fields, b, '\t');
        if (word == kReplaceWord && !a.empty() && !b.empty()) j.replaces.emplace_back(a, b);
        else if (word == kRemoveWord && !a.empty()) j.removes.push_back(a);
        else return Journal{};  // damaged: treated as never committed
    }
    return j;
}

// A journal file name is a plain name in the table's directory.
bool PlainName(const std::string& name) { return !name.empty() && name.find_first_of("/\\") == std::string::npos && name != ".." && name != "."; }

}  // namespace

void SetWriteHook(WriteHook hook) { TheWriteHook() = std::move(hook); }

bool IsEngineWorkFile(const std::string& fileName) {
    if (fileName.find(kTempMarker) != std::string::npos) return true;
    const std::string ext = kJournalExtension;
    return fileName.size() > ext.size() && EqualsNoCase(fileName.substr(fileName.size() - ext.size()), ext);
}

FileTransaction::FileTransaction(const fs::path& tablePath)
    : table_(tablePath), dir_(Directory(tablePath)), tableAttributes_(ReadAttributes(tablePath)) {
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
    if (IsReadOnlyFile(target)) Fail(PathToUtf8(target), "Table is read-only");
    const FileAttributes existing = ReadAttributes(target);
    const fs::path temp = TempFor(target);
    WriteNewFile(temp, data.data(), data.size(), existing.exists ? existing : tableAttributes_, PathToUtf8(target));
    replaces_.push_back({temp, target});
    try {
        CallHook(target, WriteStage::BeforeReplace);
    } catch (...) {
        // The destructor removes the temporary files, this one included.
        throw;
    }
}

fs::path FileTransaction::StagedFile(const fs::path& target) const {
    for (const Step& s : replaces_)
        if (s.target == target) return s.temp;
    return {};
}

void FileTransaction::Remove(const fs::path& target) {
    if (IsReadOnlyFile(target)) Fail(PathToUtf8(target), "Table is read-only");
    removes_.push_back(target);
}

void FileTransaction::WriteJournal() const {
    std::string text = std::string(kJournalMagic) + "\n";
    for (const Step& s : replaces_)
        text += std::string(kReplaceWord) + "\t" + PathToUtf8(s.temp.filename()) + "\t" + PathToUtf8(s.target.filename()) + "\n";
    for (const fs::path& r : removes_) text += std::string(kRemoveWord) + "\t" + PathToUtf8(r.filename()) + "\n";
    text += std::string(kJournalEnd) + "\n";
    // Written through a temporary file renamed into place, and the directory synced:
    // a journal is either whole on disk or not there.
    WriteFileAtomic(JournalPath(table_), std::vector<std::uint8_t>(text.begin(), text.end()));
}

void FileTransaction::Commit() {
    if (committed_) return;
    // One file needs no journal: its rename alone is atomic.
    const bool journaled = replaces_.size() + removes_.size() > 1;
    if (journaled) WriteJournal();  // syncs the directory: the temporary files and the journal are durable now
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
    SyncDirectory(dir_);  // a power cut after this cannot bring the old files back
    if (journaled) {
        std::error_code ignored;
        fs::remove(JournalPath(table_), ignored);
        SyncDirectory(dir_);
    }
}

bool HasInterruptedWrite(const fs::path& tablePath) {
    std::error_code ec;
    return fs::exists(JournalPath(tablePath), ec);
}

void TidyTable(const fs::path& tablePath) {
    const fs::path dir = Directory(tablePath);
    const fs::path journalPath = JournalPath(tablePath);
    std::error_code ec;
    if (fs::exists(journalPath, ec)) {
        const Journal j = ReadJournal(journalPath);
        if (j.complete) {
            const std::string stem = PathToUtf8(tablePath.stem());
            const auto ours = [&stem](const std::string& name) { return PlainName(name) && EqualsNoCase(OwnerStem(name), stem); };
            for (const auto& [temp, target] : j.replaces) {
                if (!PlainName(temp) || !ours(target)) continue;
                if (fs::exists(dir / PathFromUtf8(temp), ec)) ReplaceFile(dir / PathFromUtf8(temp), dir / PathFromUtf8(target));
            }
            for (const std::string& name : j.removes) {
                if (!ours(name)) continue;
                fs::remove(dir / PathFromUtf8(name), ec);
                if (ec) Fail(PathToUtf8(dir / PathFromUtf8(name)), "cannot complete an interrupted write: " + ec.message());
            }
            SyncDirectory(dir);
        }
        fs::remove(journalPath, ec);
        if (ec) Fail(PathToUtf8(journalPath), "cannot remove the journal of an interrupted write: " + ec.message());
        SyncDirectory(dir);
    }
    for (const fs::path& leftover : LeftoverTemporaries(tablePath)) fs::remove(leftover, ec);
}

std::vector<fs::path> LeftoverTemporaries(const fs::path& tablePath) {
    std::vector<fs::path> result;
    const std::string stem = PathToUtf8(tablePath.stem());
    for (const fs::path& p : ListCompanions(tablePath.parent_path(), stem)) {
        const std::string name = PathToUtf8(p.filename());
        const auto marker = name.find(kTempMarker);
        if (marker == std::string::npos) continue;
        if (EqualsNoCase(OwnerStem(name.substr(0, marker)), stem)) result.push_back(p);
    }
    return result;
}

}  // namespace ter5::engine
