#pragma once
// What the template operations need of the program around them: the main window
// (target directory, base closing and re-opening, status-bar progress, message
// boxes) and the progress bar of the template list window.

#include <cstddef>
#include <string>

namespace ter5::templates {

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
};

// The progress bar of the template group list, driven by the group loops.
class ListProgress {
public:
    virtual ~ListProgress() = default;
    // Sets the maximum (the position goes from 0 to it).
    virtual void SetMaximum(std::size_t maximum) = 0;
    virtual void SetPosition(std::size_t position) = 0;
};

}  // namespace ter5::templates
