#pragma once
// The data module with its template store, set up as the program does at start-up:
// the template tables are created with the default templates where missing, then
// configured and opened from the given directory. For programs without the main
// window (the command-line tool, tests) and as the main window's recipe.

#include <memory>
#include <string>

#include "TemplateStore.h"
#include "base/TDM.h"

namespace ter5::templates {

class TemplateModule {
public:
    // Creates the missing template tables in `directory` (EnsureTemplateTables),
    // configures and opens them. Throws EngineError.
    explicit TemplateModule(const std::string& directory);
    ~TemplateModule();
    TemplateModule(const TemplateModule&) = delete;
    TemplateModule& operator=(const TemplateModule&) = delete;

    base::TDM& DataModule() { return dm_; }
    TemplateStore& Store() { return *store_; }
    // True when the tables were just created with the default templates.
    bool CreatedDefaults() const { return createdDefaults_; }

    // Makes the group `name` current; with `create`, appends it (kind "п") when
    // missing. False when it is missing and not created.
    bool SelectGroup(const std::string& name, bool create);

private:
    base::TDM dm_;  // declared before the store, destroyed after it
    bool createdDefaults_ = false;
    std::unique_ptr<TemplateStore> store_;
};

}  // namespace ter5::templates
