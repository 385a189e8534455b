#include "templates/TemplateListRules.h"

#include <cstdlib>

#include "engine/FieldType.h"
#include "templates/TemplateDefinitions.h"

namespace ter5::templates {

namespace {

using Align = TemplateListColumn::Align;

std::vector<TemplateListLayout> MakeLayouts() {
    std::vector<TemplateListLayout> layouts(4);
    layouts[0] = {"ListNameBase",
                  "Список баз данных переиндексируемых по шаблону",
                  560,
                  322,
                  {{"Flag", "Тип", 36, Align::Centre, false, ""},
                   {"Name", "Наименование программы", 495, Align::Left, false, ""}},
                  true,
                  {"EditNameBase",
                   "Редактирование наименования программы",
                   {{"Наименовние программы", "Name", "", 0}},
                   {{"Тип баз данных",
                     3,
                     {"прочие", "рабочие базы данных", "базы общего назначения"},
                     {kGroupOther, kGroupWorking, kGroupGeneral},
                     "Flag"}}}};
    layouts[1] = {"ListBases",
                  "Перечень баз данных",
                  808,
                  608,
                  {{"Flag", kReindexMark, 20, Align::Centre, true, ""},
                   {"Name", "База данных", 224, Align::Left, false, ""},
                   {"Note", "Коментарии", 340, Align::Left, false, ""}},
                  false,
                  {"EditBases",
                   "Редактирование параметров базы банных",
                   {{"Наименовние базы данных", "Name", "", 0}, {"Коментарии", "Note", "", 0}},
                   {{"Включать базу данных в проверку при выборе шаблона", 2, {"Да", "Нет"}, {kReindexMark, " "},
                     "Flag"}}}};
    layouts[2] = {"ListField",
                  "Список полей базы данных",
                  689,
                  383,
                  {{"Number", "Номер", 40, Align::Centre, false, "000"},
                   {"NameField", "Наименование поля", 200, Align::Left, false, ""},
                   {"Type", "Тип", 50, Align::Centre, false, ""},
                   {"Width", "Длинна", 50, Align::Centre, false, ""},
                   {"Note", "Комментарий", 300, Align::Left, false, ""}},
                  false,
                  // Any one character for the type: only creating a base finds out
                  // whether it is a type letter.
                  {"EditField",
                   "Редактирование параметров поля",
                   {{"Номер п/п", "Number", "000", 0},
                    {"Наименование поля", "NameField", "", 0},
                    {"Тип", "Type", "", 1},
                    {"Длинна", "Width", "", 0},
                    {"Комментарий", "Note", "", 0}},
                   {}}};
    layouts[3] = {"ListIndex",
                  "Список индексов",
                  689,
                  383,
                  {{"NameIndex", "Наименование индекса", 284, Align::Left, false, ""},
                   {"StructureIndex", "Структура индекса", 362, Align::Left, false, ""}},
                  false,
                  {"EditIndex",
                   "Редактирование параметров индекса",
                   {{"Наименование индекса", "NameIndex", "", 0}, {"Структура индекса", "StructureIndex", "", 0}},
                   {}}};
    return layouts;
}

// Paradox keeps no trailing blanks: a value stored as " " reads back empty.
std::string WithoutTrailingBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

const TemplateListLayout& ListLayout(TemplateList list) {
    static const std::vector<TemplateListLayout> layouts = MakeLayouts();
    return layouts[static_cast<std::size_t>(list)];
}

const TemplateToolTexts& ToolTexts() {
    static const TemplateToolTexts texts;
    return texts;
}

SelectAction SelectActionOf(TemplateList list, std::string_view mode) {
    if (list == TemplateList::Groups) {
        if (mode == "Edit" || mode == "Select") return SelectAction::ShowTables;
        if (mode == "ReIndex") return SelectAction::ReindexGroup;
        if (mode == "CreateTerBases") return SelectAction::CreateTables;
    } else if (list == TemplateList::Tables) {
        if (mode == "Edit") return SelectAction::ShowIndexes;
        if (mode == "Select") return SelectAction::ReindexTable;
    }
    return SelectAction::None;
}

bool FieldsCommandShows(std::string_view mode) {
    return mode == "Edit";
}

void MarkCurrentTable(base::BaseTable& tables) {
    // Marking concerns existing table templates: an empty list gets no new row.
    if (!tables.Active() || tables.IsEmpty()) return;
    tables.Edit();
    if (tables.AsString("Flag") != kReindexMark)
        tables.SetAsString("Flag", kReindexMark);
    else
        tables.Clear("Flag");
    // Moving on posts the change.
    tables.Next();
}

std::string MarkText(const std::string& flag) {
    // The mark byte is a boxed check mark in the Wingdings font.
    return flag == kReindexMark ? "☑" : flag;
}

std::string FormatTemplateNumber(std::int64_t value, std::string_view format) {
    const std::string digits = std::to_string(value < 0 ? -static_cast<std::uint64_t>(value)
                                                        : static_cast<std::uint64_t>(value));
    std::size_t width = 0;
    for (char c : format) width += c == '0';
    const std::string magnitude = digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
    return value < 0 ? "-" + magnitude : magnitude;
}

std::string TemplateCellText(const base::BaseTable& table, const TemplateListColumn& column, int row,
                             int currentRow) {
    const int field = table.Active() ? table.FieldIndex(column.field) : -1;
    if (field < 0) return {};
    // The row being edited shows the values typed so far.
    const bool editing = table.State() == engine::DataSetState::Edit && row == currentRow;
    const engine::Value value = editing ? table.GetValue(field) : table.ValueAt(static_cast<std::size_t>(row), field);
    switch (value.kind) {
    case engine::Value::Kind::Null:
        return {};
    case engine::Value::Kind::Int:
        return FormatTemplateNumber(value.integer, column.numberFormat);
    case engine::Value::Kind::Text:
        return column.mark ? MarkText(value.text) : value.text;
    default:
        return editing ? std::string() : table.TextAt(static_cast<std::size_t>(row), field);
    }
}

std::string TemplateHeaderText(const TemplateListColumn& column) {
    return column.mark ? MarkText(column.title) : column.title;
}

void TemplateListRows::Bind() {
    rows_ = table_.Active() ? static_cast<int>(table_.RecordCount()) : 0;
}

std::string TemplateListRows::HeaderText(int column) const {
    return TemplateHeaderText(columns_[static_cast<std::size_t>(column)]);
}

base::CellAlign TemplateListRows::Alignment(int column) const {
    return columns_[static_cast<std::size_t>(column)].alignment == TemplateListColumn::Align::Centre
               ? base::CellAlign::Centre
               : base::CellAlign::Left;
}

std::string TemplateListRows::CellText(int row, int column, std::string_view) const {
    const int current = table_.Active() && !table_.IsEmpty() ? static_cast<int>(table_.RecNo()) - 1 : -1;
    return TemplateCellText(table_, columns_[static_cast<std::size_t>(column)], row, current);
}

std::optional<base::Rgb> TemplateListRows::ColumnColour(int column) const {
    if (!columns_[static_cast<std::size_t>(column)].mark) return std::nullopt;
    return kTemplateMarkColour;
}

std::string TemplateFieldText(const base::BaseTable& table, const std::string& field,
                              const std::string& numberFormat) {
    if (!table.Active()) return {};
    const int index = table.FieldIndex(field);
    if (index < 0) return {};
    const engine::Value value = table.GetValue(index);
    switch (value.kind) {
    case engine::Value::Kind::Null:
        return {};
    case engine::Value::Kind::Int:
        return FormatTemplateNumber(value.integer, numberFormat);
    case engine::Value::Kind::Text:
        return value.text;
    default:
        return table.AsString(index);
    }
}

int TemplateRadioIndex(const base::BaseTable& table, const TemplateRadioGroup& group) {
    const std::string value = WithoutTrailingBlanks(TemplateFieldText(table, group.field, {}));
    for (std::size_t i = 0; i < group.values.size(); ++i) {
        if (WithoutTrailingBlanks(group.values[i]) == value) return static_cast<int>(i);
    }
    return -1;
}

int TemplateBoxLength(const base::BaseTable& table, const std::string& field) {
    const int index = table.Active() ? table.FieldIndex(field) : -1;
    if (index < 0) return 32767;
    const engine::FieldDesc& def = table.Fields()[static_cast<std::size_t>(index)];
    return def.type == engine::FieldType::Alpha ? def.length : 32767;
}

void CommitTypedValues(base::BaseTable& table, std::vector<TypedText>& texts, std::vector<TypedChoice>& choices) {
    for (TypedText& text : texts) {
        if (text.typed == text.loaded) continue;
        if (text.typed.empty())
            table.Clear(text.field);
        else
            table.SetValue(text.field, engine::Value::Text(text.typed));
        text.loaded = text.typed;
    }
    for (TypedChoice& choice : choices) {
        if (choice.chosen < 0 || choice.chosen == choice.loaded) continue;
        table.SetAsString(choice.group->field, choice.group->values[static_cast<std::size_t>(choice.chosen)]);
        choice.loaded = choice.chosen;
    }
}

void SaveTemplateTable(base::BaseTable& table) {
    if (!table.Active()) return;
    table.Refresh();
    table.FlushBuffers();
}

}  // namespace ter5::templates
