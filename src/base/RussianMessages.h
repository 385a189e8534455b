#pragma once
// The Russian text of the messages the program's libraries give in English: the table
// engine's errors ("<file>: Table is read-only"), the GIS export's errors and notes, the
// file system's and the C library's ("Permission denied"). The libraries keep their English
// for the command-line tool and the logs; the desktop program shows every message through
// this translation, so the user reads Russian everywhere.
//
// A message is translated phrase by phrase, the longest known phrase first, so that file
// names, field names, numbers and whatever is quoted stay as they are. The export's notes,
// which count things, are rewritten whole ("3 parcels end in an open ring…" → "Участков с
// незамкнутым контуром: 3…"), so that no Russian noun has to agree with a number. A phrase
// not in the catalog stays English: the message is still shown, whole.

#include <exception>
#include <string>
#include <string_view>

namespace ter5::base {

// The message in Russian, as far as the catalog knows its phrases.
std::string RussianMessage(std::string_view message);

// What the user is told of `error`: its message in Russian, and for a table that another
// program holds "Таблица … занята программой … (процесс …)".
std::string UserErrorText(const std::exception& error);

}  // namespace ter5::base
