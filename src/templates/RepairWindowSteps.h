#pragma once
// The window "Проверка и восстановление базы" without a toolkit: its texts, the
// structure choices it offers, and its two commands over BaseRepair (check the tables
// of the directory, repair the damaged ones). The Qt window and the Win32 window show
// these; neither decides anything itself.

#include <filesystem>
#include <string>
#include <vector>

#include "templates/BaseRepair.h"

namespace ter5::templates {

// The window's texts (UTF-8).
struct RepairWindowTexts {
    std::string caption = "Проверка и восстановление базы";
    std::string tableColumn = "Таблица";
    std::string stateColumn = "Состояние";
    std::string groupLabel = "Структура нечитаемого заголовка по шаблону:";
    std::string noGroup = "(не использовать)";  // the choice that names no template group
    std::string check = "Проверить";
    std::string repair = "Восстановить повреждённые";
    std::string close = "Закрыть";
    std::string report = "Отчёт:";
};
const RepairWindowTexts& RepairTexts();

// "Каталог: <directory>", the line above the tables.
std::string RepairDirectoryLine(const std::filesystem::path& directory);

// The structure choices: RepairTexts().noGroup, then the template groups' names.
std::vector<std::string> RepairGroupChoices(TemplateStore& store);

// "Проверить": the tables of `directory` with their states, in Russian.
std::vector<TableState> CheckBaseTables(const std::filesystem::path& directory);
// Whether "Восстановить повреждённые" has anything to do.
bool AnyDamaged(const std::vector<TableState>& states);

// "Восстановить повреждённые": repairs the damaged tables of `states` in `directory`
// (the base closed and re-opened through `host`), the structure of an unreadable header
// from the template group `choice` (one of RepairGroupChoices; RepairTexts().noGroup or
// "" for none). Returns the
// report as the window shows it (in Russian as far as the message catalog goes): every
// table's, then where the originals went. Empty
// when no table is damaged.
std::string RepairDamagedTables(TemplateStore& store, ReindexHost& host, const std::filesystem::path& directory,
                                const std::vector<TableState>& states, const std::string& choice);

}  // namespace ter5::templates
