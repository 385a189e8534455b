#pragma once
// Journals made for the tests of what a journal must be before it is replayed: one
// renaming a temporary file of write `id` over `table` and deleting `removed`, as
// this program writes them (then planted beside another table, or changed).

#include <string>

#include "engine/WriteJournal.h"

namespace ter5::engine::testing {

inline WriteJournal OneStepJournal(const std::string& table, const std::string& id, const std::string& removed) {
    WriteJournal journal;
    journal.table = table;
    journal.id = id;
    journal.replaces = {{TemporaryName(table, id, 1), table}};
    journal.removes = {removed};
    return journal;
}

}  // namespace ter5::engine::testing
