#pragma once
// The command-line face of the template operations: the host, in which the data
// module closes and re-opens the base, messages go to standard output, and on a
// terminal a text progress bar on standard error stands for the status-bar strips
// and the list window's progress bar; and the arguments of the reindex, create and
// import commands (positional paths, --group, --table, --templates, --recursive).

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "Reindexer.h"
#include "base/TDM.h"

namespace ter5::templates {

class ConsoleHost : public ReindexHost, public ListProgress {
public:
    // `dm` must outlive the host; the bar is drawn on `bar` only when it is a terminal.
    ConsoleHost(base::TDM& dm, std::string targetDirectory, std::FILE* bar = stderr);

    void SetTargetDirectory(std::string directory) { target_ = std::move(directory); }
    // Messages shown so far.
    std::size_t MessageCount() const { return messages_; }

    std::string TargetDirectory() const override { return target_; }
    void CloseBaseDataSets() override { dm_.CloseBaseDataSets(); }
    void OpenBaseDirectory(const std::string& directory) override;
    void ShowProgress(double upper, double lower) override;
    void RefreshStatusBar() override;
    void ShowMessage(const std::string& text) override;
    // Printed like a message, not counted as one: a reindex that keeps files succeeds.
    void ShowNote(const std::string& text) override;

    void SetMaximum(std::size_t maximum) override { maximum_ = maximum; }
    void SetPosition(std::size_t position) override;

private:
    void Draw();
    void Erase();

    base::TDM& dm_;
    std::string target_;
    std::FILE* bar_;
    bool terminal_;
    bool drawn_ = false;
    std::size_t messages_ = 0;
    std::size_t maximum_ = 0;
    std::size_t position_ = 0;
    double fraction_ = 0.0;
};

struct CommandOptions {
    std::vector<std::string> paths;  // positional arguments in order
    std::string group;               // --group NAME (required)
    std::string table;               // --table NAME
    std::string templates = ".";     // --templates DIR: the template tables' directory
    bool recursive = false;          // --recursive
    bool force = false;              // --force
};

// What a command accepts besides --group and --templates.
struct CommandSyntax {
    bool table = false;
    bool recursive = false;
    std::size_t minPaths = 1;
    std::size_t maxPaths = 1;  // 0: any number
    bool force = false;
};

// Parses `args` ("--name value" or "--name=value"; after "--" only paths). Throws
// std::invalid_argument for an unknown option ("unknown option '--x'"), a missing
// value, a missing --group or the wrong number of paths.
CommandOptions ParseCommandOptions(const std::vector<std::string>& args, const CommandSyntax& syntax);

}  // namespace ter5::templates
