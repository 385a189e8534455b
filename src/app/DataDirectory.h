#pragma once
// The per-user data directory ($XDG_DATA_HOME/ter5manager, by default
// ~/.local/share/ter5manager): the start-up directory of the desktop launcher,
// holding the template tables and the cursor files the program opens by bare name
// at start-up. When the program starts there, whatever of these is missing is put
// in place: from the installed copies (share/ter5manager next to the program's
// bin directory, which an administrator may adapt) when there are some, else from
// the program's built-in copies.

#include <QString>
#include <QStringList>

namespace ter5::app {

// The per-user data directory (not created).
QString UserDataDirectory();

// True when `directory` is the per-user data directory.
bool IsUserDataDirectory(const QString& directory);

// The installed program's shared data directory, share/ter5manager beside the
// program's bin directory; empty when there is none (a program run from its build
// tree). Needs the application object.
QString InstalledDataDirectory();

// What PrepareDataDirectory lists for the template tables: written there the first
// time the program starts in the directory.
inline constexpr const char* kTemplateTablesWritten = "template tables";

// True when `directory` or one of its sub-directories is a base.
bool HoldsBase(const QString& directory);

// Writes the missing cursor files and template tables into `directory`; returns
// the names of the files written (kTemplateTablesWritten for the set). A cursor comes
// from `installed` when that holds it, else from the built-in copy. The template
// tables come as a set: when `directory` holds none of them and `installed` holds
// them all, every file of theirs (indexes and memo files too) is copied, and a
// failed copy removes the copies already made; otherwise each missing table is
// created, with the default templates when none was there. Throws
// std::runtime_error naming the file that cannot be written, EngineError when a
// template table cannot be made.
QStringList PrepareDataDirectory(const QString& directory, const QString& installed = {});

}  // namespace ter5::app
