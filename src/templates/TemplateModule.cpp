#include "TemplateModule.h"

#include "TemplateDefinitions.h"
#include "TemplateSchema.h"

namespace ter5::templates {

TemplateModule::TemplateModule(const std::string& directory) {
    createdDefaults_ = EnsureTemplateTables(directory);
    store_ = std::make_unique<TemplateStore>(TemplateDataSetsOf(dm_), directory);
    store_->Open();
}

TemplateModule::~TemplateModule() {
    try {
        dm_.CloseBaseDataSets();
        store_->FlushBuffers();
        store_->Close();
    } catch (...) {
        // Posted rows are already on disk; a failing flush loses nothing more here.
    }
}

bool TemplateModule::SelectGroup(const std::string& name, bool create) {
    if (store_->LocateGroup(name)) return true;
    if (!create) return false;
    store_->AppendGroup(name, kGroupOther);
    return store_->LocateGroup(name);
}

}  // namespace ter5::templates
