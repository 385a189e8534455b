#pragma once
// The per-user data directory ($XDG_DATA_HOME/ter5manager, by default
// ~/.local/share/ter5manager): the start-up directory of the desktop launcher,
// holding the template tables and the cursor files the program opens by bare name
// at start-up. When the program starts there, whatever of these is missing is put
// in place from the program's built-in copies.

#include <QString>
#include <QStringList>

namespace ter5::app {

// The per-user data directory (not created).
QString UserDataDirectory();

// True when `directory` is the per-user data directory.
bool IsUserDataDirectory(const QString& directory);

// Writes the missing cursor files and template tables into `directory`; returns
// the names of the files written. Throws std::runtime_error when one cannot be.
QStringList PrepareDataDirectory(const QString& directory);

}  // namespace ter5::app
