#pragma once
// The templates a new template store starts with: one group for the working bases
// of the companion program, holding its three tables with their fields and indexes,
// every table marked for group reindexing.

#include <string>
#include <vector>

namespace ter5::templates {

// One field row: name, type letter, width (0: none) and comment.
struct DefaultField {
    const char* name;
    const char* type;
    int width;
    const char* note;
};

// One index row: name ("" for the primary index) and field list.
struct DefaultIndex {
    const char* name;
    const char* structure;
};

// One table template with its rows, fields in `Number` order.
struct DefaultTable {
    const char* name;
    const char* note;
    std::vector<DefaultField> fields;
    std::vector<DefaultIndex> indexes;
};

// One template group.
struct DefaultGroup {
    const char* name;
    const char* flag;
    std::vector<DefaultTable> tables;
};

// The group of the companion program's working bases (`Flag` "р").
const DefaultGroup& WorkingBasesGroup();

// Appends the default group to the template tables in `directory`, which must
// exist (EnsureTemplateTables). Throws EngineError.
void WriteDefaultTemplates(const std::string& directory);

}  // namespace ter5::templates
