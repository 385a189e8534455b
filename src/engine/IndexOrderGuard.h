#pragma once
// Do no harm to an index the original engine wrote by rules this program does
// not know. Under a language driver whose key order real files do not establish
// (KeyRules::OrderEstablished), an existing maintained index file may hold exactly
// the table's records yet order or store its keys otherwise than this program
// would: the engine's own collation. Rebuilding it would silently reorder an index
// the companion program searches. A rebuild that would replace such a file keeps
// it instead (and says so), unless forced.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IndexBuilder.h"
#include "IndexCatalog.h"
#include "TableFile.h"

namespace ter5::engine {

// An existing index a rebuild keeps.
struct KeptIndex {
    std::string note;  // "T.XG0: index 'Adr' kept: its order follows rules …"
    // A new tree file over the kept X file, when the old one is missing or does
    // not index it; nullopt keeps the old tree file as well.
    std::optional<std::vector<std::uint8_t>> tree;
};

// Decides for the index `def` about to be written to `files` (which hold an
// existing index of `table`) as `rebuilt`: the index to keep, or nullopt when the
// rebuild should go ahead (the driver's order is established, the old file is of
// another definition, unreadable, not maintained, does not hold exactly the
// table's records, or equals the rebuilt one but for hints).
std::optional<KeptIndex> KeepExistingIndex(const TableFile& table, const IndexDef& def, const IndexFiles& files,
                                           const SecondaryImages& rebuilt);

// The note for a keyed table whose records a rebuild leaves in their order
// because they are not in the byte order of their keys and the driver's key
// order is not established; nullopt when the records are in byte order or the
// order is established. Throws EngineError "Key violation" when two records share
// a key.
std::optional<std::string> KeptRecordOrderNote(const TableFile& table, const std::vector<std::string>& records,
                                               std::size_t keyFields);
// The same for records kept elsewhere (each at least the key's bytes long).
std::optional<std::string> KeptRecordOrderNote(const TableFile& table, const std::vector<std::string_view>& records,
                                               std::size_t keyFields);

}  // namespace ter5::engine
