#pragma once
// The journal of a committed write: the file `<stem>.ter5journal` beside a table,
// naming the temporary files to rename over the table's files and the files to
// delete (FileTransaction). Whoever next holds the table replays it, so a journal
// is obeyed only when this program wrote it for that very table: it names the
// table and the write's unique id, carries a checksum over its text, its sources
// are temporary files of this write named as the writer names them, and its
// targets are files of the table. Anything else is no journal of ours: it is
// never replayed and never deleted. doc/table-locking.md has the format.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ter5::engine {

struct WriteJournal {
    std::string table;  // the table's .DB file name
    std::string id;     // the write's unique id: 32 hexadecimal digits
    std::vector<std::pair<std::string, std::string>> replaces;  // temporary file, target (file names)
    std::vector<std::string> removes;                           // file names
};

// A new id for a write, unique across processes and machines sharing a directory.
std::string NewWriteId();

// "<target>.ter5tmp-<id>-<n>": the n-th temporary file of write `id`, to replace `target`.
std::string TemporaryName(const std::string& target, const std::string& id, unsigned n);

// The file name a temporary file of the engine replaces ("T.PX" for
// "T.PX.ter5tmp-<id>-<n>"); nullopt for any other name.
std::optional<std::string> TemporaryTarget(const std::string& name);

// The text of `journal`, checksum included.
std::string FormatJournal(const WriteJournal& journal);

// Reads a journal found beside the table `tableName` (its .DB file name). Returns
// it when this program wrote it for that table and every step holds the rules;
// otherwise nullopt, with `why` saying what is wrong. A journal of the previous
// format (without table, id and checksum, written before a program update) is
// taken only when every step holds the rules its writer kept.
std::optional<WriteJournal> ParseJournal(const std::string& text, const std::string& tableName, std::string& why);

}  // namespace ter5::engine
