#pragma once
// The reindex engine: rebuilds the indexes of a base's tables from their table
// templates. For one table (`ReindexTable`) it closes the open base, then, holding
// the table exclusively, replaces the table's primary index and first five pairs
// of .XGn/.YGn files by every index the table template's index rows describe
// (Index.db order, so the primary index first), and re-opens the base.
//
// The old index files are not deleted first: the new ones are built into
// temporary files while the old ones stay, and all are replaced at once (the
// engine's ReplaceIndexes). A reindex that fails — the table busy in another
// program, a full disk, a bad template, a kill — leaves the table and every one of
// its index files exactly as they were. After an engine error the work table goes
// back to shared use and the base is re-opened before the error is passed on.

#include <array>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "TemplateStore.h"
#include "engine/EngineError.h"

namespace ter5::templates {

// What the template operations need of the main window: the target directory, the
// closing and re-opening of the base, the status-bar progress strips and message
// boxes. The main window implements it; the command line has ConsoleHost.
class ReindexHost {
public:
    virtual ~ReindexHost() = default;
    // The full path of the directory tree's selected item.
    virtual std::string TargetDirectory() const = 0;
    // `CloseBaseDataSets`: closes the open base (and the work table).
    virtual void CloseBaseDataSets() = 0;
    // `OpenBaseDirectory`: re-opens the base in `directory` under its own conditions.
    virtual void OpenBaseDirectory(const std::string& directory) = 0;
    // `ShowProgress`: the two progress strips, fractions 0..1.
    virtual void ShowProgress(double upper, double lower) = 0;
    // Refreshes the status bar, which erases the progress strips.
    virtual void RefreshStatusBar() = 0;
    // An information message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // What a reindex left as it was and why (an index file whose order follows
    // rules this program does not know): no failure, shown as information.
    virtual void ShowNote(const std::string& text) { ShowMessage(text); }
};

// The progress bar of the template group list, driven by the group loops.
class ListProgress {
public:
    virtual ~ListProgress() = default;
    // Sets the maximum (the position goes from 0 to it).
    virtual void SetMaximum(std::size_t maximum) = 0;
    // Moves the bar to `position`.
    virtual void SetPosition(std::size_t position) = 0;
};

// Extension of the table file a template's stem names.
inline constexpr char kTableFileExtension[] = ".Db";
// The index files a reindex deletes, in this order: the primary index and the
// first five pairs of composite or case-insensitive secondary index files.
inline constexpr std::array<const char*, 11> kReindexedIndexExtensions = {
    ".Px", ".Xg0", ".Yg0", ".Xg1", ".Yg1", ".Xg2", ".Yg2", ".Xg3", ".Yg3", ".Xg4", ".Yg4"};

// A group reindex that stopped at an error: the error it stopped at, and the marked tables
// of the group already reindexed and those left (the failing one first), by template Name.
// Its message is the error's own.
class GroupReindexError : public engine::EngineError {
public:
    GroupReindexError(const std::exception& cause, std::exception_ptr causePointer, std::vector<std::string> done,
                      std::vector<std::string> left);
    const std::exception_ptr& Cause() const { return cause_; }
    const std::vector<std::string>& Done() const { return done_; }
    const std::vector<std::string>& Left() const { return left_; }

    // What the user is told: the error in Russian, then which tables were reindexed and
    // which were not.
    std::string Report() const;

private:
    std::exception_ptr cause_;
    std::vector<std::string> done_;
    std::vector<std::string> left_;
};

class Reindexer {
public:
    Reindexer(TemplateStore& store, ReindexHost& host) : store_(store), host_(host) {}

    // `ReindexTable`: rebuilds the indexes of the table `templateName` names, in the
    // host's target directory, from the current table template's index rows. A
    // missing table file gives the not-found message and changes nothing. Throws
    // the engine's error (EngineError) after restoring the work table and the base.
    void ReindexTable(const std::string& templateName);

    // Group reindex: every table template of the current group whose `Flag` is the
    // mark, in the group's order; `progress` (may be null) counts every template and is
    // back at 0 at the end. Stops at the first error, throwing GroupReindexError.
    void ReindexGroup(ListProgress* progress);

    // Single-table reindex: the current table template, marked or not.
    void ReindexCurrentTable();

    // Rebuilds even the index files (and keyed record orders) a reindex would keep
    // because their order follows rules this program does not know.
    void SetForce(bool force) { force_ = force; }

    // `N15Click`: the reindex menu items are enabled when `targetDirectory` exists.
    static bool ReindexEnabled(const std::string& targetDirectory);

    // The not-found message for a table stem and a directory.
    static std::string NotFoundMessage(const std::string& stem, const std::string& directory);

    // The eleven index files of `stem` in `directory` that exist, every spelling
    // of each name.
    static std::vector<std::filesystem::path> IndexFiles(const std::filesystem::path& directory, const std::string& stem);

    // Deletes those files; failures are ignored (test set-up: a base whose index
    // files were lost).
    static void DeleteIndexFiles(const std::filesystem::path& directory, const std::string& stem);

private:
    // Replaces the `dropped` index files of `table` by the index rows' indexes,
    // showing progress.
    void AddTemplateIndexes(const std::filesystem::path& table, const std::vector<std::filesystem::path>& dropped);
    // The work table back to shared use, the progress erased, the base re-opened.
    void Restore(const std::string& target);
    // The Names of the marked table templates from the current one to the last.
    std::vector<std::string> MarkedFromCurrent();

    TemplateStore& store_;
    ReindexHost& host_;
    bool force_ = false;
    std::vector<std::string> notes_;  // of the table at work
};

}  // namespace ter5::templates
