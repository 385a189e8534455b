#include "templates/RepairWindowSteps.h"

#include "base/RussianMessages.h"
#include "engine/FileUtil.h"

namespace ter5::templates {

const RepairWindowTexts& RepairTexts() {
    static const RepairWindowTexts texts;
    return texts;
}

std::string RepairDirectoryLine(const std::filesystem::path& directory) {
    return "Каталог: " + engine::PathToUtf8(directory);
}

std::vector<std::string> RepairGroupChoices(TemplateStore& store) {
    std::vector<std::string> choices{RepairTexts().noGroup};
    for (const std::string& name : TemplateGroupNames(store)) choices.push_back(name);
    return choices;
}

std::vector<TableState> CheckBaseTables(const std::filesystem::path& directory) {
    std::vector<TableState> states;
    for (const std::filesystem::path& table : BaseTables(directory)) {
        states.push_back(CheckTableState(table));
        // The engine says what it found in English; the window says it in Russian.
        states.back().summary = base::RussianMessage(states.back().summary);
    }
    return states;
}

bool AnyDamaged(const std::vector<TableState>& states) {
    for (const TableState& state : states)
        if (state.damaged) return true;
    return false;
}

std::string RepairDamagedTables(TemplateStore& store, ReindexHost& host, const std::filesystem::path& directory,
                                const std::vector<TableState>& states, const std::string& choice) {
    BaseRepairRequest request;
    request.directory = directory;
    for (const TableState& s : states)
        if (s.damaged) request.tables.push_back(s.table);
    if (request.tables.empty()) return {};
    request.language = engine::ReportLanguage::Russian;
    if (!choice.empty() && choice != RepairTexts().noGroup) {
        request.structureFor = [&store, choice](const std::filesystem::path& table) {
            return TemplateStructure(store, choice, table);
        };
    }
    const BaseRepairResult result = RepairBaseTables(request, host);
    std::string text = base::RussianMessage(result.text);
    if (!result.backupRoot.empty())
        text += "Исходные файлы и отчёт: " + engine::PathToUtf8(result.backupRoot) + "\n";
    return text;
}

}  // namespace ter5::templates
