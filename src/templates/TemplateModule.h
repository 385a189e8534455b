#pragma once
// The template tables and the work table for programs without the data module
// (the command-line tool, tests): owns them, creates the template tables with the
// default templates where missing, and opens them.

#include <string>

#include "TemplateStore.h"
#include "engine/Table.h"

namespace ter5::templates {

class TemplateModule {
public:
    // Creates the missing template tables in `directory` (EnsureTemplateTables),
    // configures and opens them. Throws EngineError.
    explicit TemplateModule(const std::string& directory);
    ~TemplateModule();
    TemplateModule(const TemplateModule&) = delete;
    TemplateModule& operator=(const TemplateModule&) = delete;

    TemplateStore& Store() { return *store_; }
    // True when the tables were just created with the default templates.
    bool CreatedDefaults() const { return createdDefaults_; }

    // Makes the group `name` current; with `create`, appends it (kind "п") when
    // missing. False when it is missing and not created.
    bool SelectGroup(const std::string& name, bool create);

private:
    // Declared before the store, destroyed after it.
    engine::Table nameBase_, bases_, field_, index_, work_;
    bool createdDefaults_ = false;
    std::unique_ptr<TemplateStore> store_;
};

}  // namespace ter5::templates
