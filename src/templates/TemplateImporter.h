#pragma once
// Template import: fills the current template group from the structure of real
// tables. For each table file it makes sure the group has a table template of that
// name (upper case, with its extension) and appends the indexes and fields the
// table has and the template does not list yet (names compared ignoring case). It
// never changes or deletes rows; every new row is posted at once. An import is
// all or nothing: every table is read and its fields checked first, and a table
// the templates cannot describe whole (a field base creation would refuse) stops
// it before any row is written.

#include <string>
#include <utility>
#include <vector>

#include "TemplateStore.h"

namespace ter5::templates {

class TemplateImporter {
public:
    explicit TemplateImporter(TemplateStore& store) : store_(store) {}

    // Import of a base directory: every "*.db" file of `directory` (extension in
    // any case), in alphabetical order, named in upper case.
    void ImportBaseDirectory(const std::string& directory);

    // Import of chosen files, in the given order: each path's file name in upper
    // case, opened from its own directory.
    void ImportFiles(const std::vector<std::string>& paths);

    // Per-table import of table `fileName` (stored as given) in `directory`. Throws
    // the engine's error; nothing is written then.
    void ImportTable(const std::string& directory, const std::string& fileName);

    // The base directory of a file chosen in the directory import's dialog: its
    // path up to the last separator, without it.
    static std::string BaseDirectoryOf(const std::string& chosenFile);

    // The "*.db" files of `directory`, sorted alphabetically ignoring case.
    static std::vector<std::string> ListTableFiles(const std::string& directory);

private:
    // What one table gives the templates.
    struct TableStructure {
        std::string fileName;  // as stored in the template
        std::vector<engine::IndexInfo> indexes;
        std::vector<engine::FieldDesc> fields;
    };

    // Imports the tables (directory, file name) all or nothing.
    void Import(const std::vector<std::pair<std::string, std::string>>& tables);
    TableStructure ReadStructure(const std::string& directory, const std::string& fileName);
    void WriteStructure(const TableStructure& structure);
    void ImportIndexes(const std::vector<engine::IndexInfo>& indexes);
    void ImportFields(const std::vector<engine::FieldDesc>& fields);

    TemplateStore& store_;
};

}  // namespace ter5::templates
