#pragma once
// Base creation from templates: the directory rules of the "Создать" command and
// the creation loop, which makes one empty table for every table template of the
// current group, with the fields of its field rows (in `Number` order) and the
// indexes of its index rows (as the reindex makes them). An existing table is
// never replaced; the open base is not touched.

#include <functional>
#include <optional>
#include <string>

#include "Reindexer.h"
#include "base/DirectoryCommandSteps.h"
#include "TemplateStore.h"

namespace ter5::templates {

// The directory part of `nCreateClick` (after the name dialog answered "Ok"):
// `name` relative to `currentDirectory` unless absolute. An existing directory
// gives the message "Каталог <name> уже существует" through `showMessage` and is
// used; otherwise one level is created, and a failure throws std::runtime_error
// "Невозможно создать каталог <name>". Returns the directory to create the base
// in; nullopt when it does not exist afterwards.
// The name dialog of "Создать": its caption (the directory commands' one) and prompt.
inline constexpr const char* kNewBaseCaption = base::kDirectoryCaption;
inline constexpr const char* kNewBasePrompt = "Каталог новой базы:";

std::optional<std::string> PrepareBaseDirectory(const std::string& name, const std::string& currentDirectory,
                                                const std::function<void(const std::string&)>& showMessage);

class BaseCreator {
public:
    explicit BaseCreator(TemplateStore& store) : store_(store) {}

    // The creation loop over the current group: creates in `targetDirectory` each
    // table of the group that does not exist there, marked or not; `progress` (may
    // be null) counts every table template. Returns the number of tables created.
    // Throws the engine's error at the first table that cannot be created; the
    // tables created before it stay.
    std::size_t CreateGroupTables(const std::string& targetDirectory, ListProgress* progress);

    // Creates the table of the current table template in `targetDirectory`; false
    // when it already exists (then nothing is touched).
    bool CreateCurrentTable(const std::string& targetDirectory);

    // True when the table `templateName` names exists in `directory`: the name as
    // given ignoring case, or, without an extension, that name plus ".db".
    static bool TableExists(const std::string& directory, const std::string& templateName);

private:
    TemplateStore& store_;
};

}  // namespace ter5::templates
