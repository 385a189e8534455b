#pragma once
// The rules that turn template rows into table definitions and table structures
// back into template rows: type letters, widths, index rows, table stems and the
// name comparisons of the template store.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FieldDesc.h"
#include "engine/IndexCatalog.h"
#include "engine/TableWriter.h"

namespace ter5::templates {

// `Flag` of a table template taken into group reindexing: "ю", the byte 0xFE in
// Windows-1251 (a check mark in Wingdings). Held here in UTF-8 like all text.
inline constexpr char kReindexMark[] = "\xD1\x8E";
// `Flag` values of a template group: others, working bases, general-purpose bases.
inline constexpr char kGroupOther[] = "\xD0\xBF";    // "п"
inline constexpr char kGroupWorking[] = "\xD1\x80";  // "р"
inline constexpr char kGroupGeneral[] = "\xD0\xBE";  // "о"
// Separator of the field names in `StructureIndex`.
inline constexpr char kFieldListSeparator = ';';

// True when `NameIndex` is empty after trimming spaces and control characters at
// both ends: the row stands for the primary index.
bool IsBlankIndexName(std::string_view name);

// True when a template's `Name` is a plain file name: not empty, not "." or "..",
// and without "/", "\" or ":" (on Windows "C:TER.DB" names a file in the current
// folder of drive C, wherever the base is).
bool IsPlainFileName(std::string_view name);

// The table stem: `Name` up to, not including, its first "." ("A.B.DB" → "A").
std::string TableStem(std::string_view name);

// The field names of `StructureIndex`, split at ";" with blanks trimmed.
std::vector<std::string> SplitFieldList(std::string_view structure);

// "F1;F2" from field names.
std::string JoinFieldList(const std::vector<std::string>& fields);

// The engine index an index row describes: a blank name gives the primary index,
// any other name a case-insensitive secondary index of that name. A name Paradox
// reserves for the single-field case-sensitive index of its field (the row's one
// field, ignoring case) gives that index, the only one the name may carry.
engine::IndexDef IndexDefFromRow(const std::string& nameIndex, const std::string& structureIndex);

// The engine field a field row describes; nullopt when `type` is not exactly one
// of the sixteen type letters. `width` is the size (characters, bytes, BCD
// decimals or blob leader); other types ignore it.
std::optional<engine::FieldDef> FieldDefFromRow(const std::string& name, const std::string& type, int width);

// The type letter of a field type; "" for a type without one (formatted memo).
std::string TypeLetterOf(engine::FieldType type);

// The width a field row records for a table's field: characters of alpha, bytes
// of bytes, decimals of BCD, the leader of blobs; 0 for the fixed-size types.
int TemplateWidthOf(const engine::FieldDesc& field);

// UTF-8 text in upper case (ASCII, Latin, Greek and Cyrillic letters).
std::string UpperCaseText(std::string_view utf8);

// Equality ignoring letter case, Cyrillic included.
bool SameTextNoCase(std::string_view a, std::string_view b);

}  // namespace ter5::templates
