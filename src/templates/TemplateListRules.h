#pragma once
// What the four template list windows and their edit dialogs are, without a toolkit:
// captions, design sizes, grid columns, the edit dialogs' boxes and radio groups, the
// tool bar's texts, what the select command does in each mode, the mark command, the
// cell texts of a list, and how typed values go into the row. The Qt windows and the
// Win32 windows both show these; neither decides any of it itself.
//
// Texts are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/BaseQuery.h"
#include "base/GridRows.h"

namespace ter5::templates {

// The four list windows.
enum class TemplateList { Groups, Tables, Fields, Indexes };

// One column of a template grid.
struct TemplateListColumn {
    enum class Align { Left, Centre };
    std::string field;         // the field shown
    std::string title;         // header text (a mark column: the mark byte, shown as its glyph)
    int width = -1;            // pixels at the design font; -1 for the grid's default
    Align alignment = Align::Left;
    bool mark = false;         // "ю" shown as a check symbol in navy
    std::string numberFormat;  // "000": whole numbers with at least three digits
};

// A labelled edit box of an edit dialog.
struct TemplateEditBox {
    std::string label;
    std::string field;
    std::string numberFormat;  // as TemplateListColumn::numberFormat
    int maxLength = 0;         // 0: as the field allows; 1 for the one-letter type box
};

// A radio group of an edit dialog: one button per caption, storing the value of the
// same position in `field`.
struct TemplateRadioGroup {
    std::string title;
    int columns = 1;
    std::vector<std::string> captions;
    std::vector<std::string> values;
    std::string field;
};

// An edit dialog: its edit boxes top to bottom, then its radio groups.
struct TemplateEditLayout {
    std::string objectName;  // "EditNameBase", …
    std::string caption;
    std::vector<TemplateEditBox> boxes;
    std::vector<TemplateRadioGroup> radios;
};

// A list window.
struct TemplateListLayout {
    std::string objectName;  // "ListNameBase", …
    std::string caption;
    int width = 0, height = 0;  // design size in pixels
    std::vector<TemplateListColumn> columns;
    bool closesOnEscape = false;  // only the group list
    TemplateEditLayout edit;
};

// The layout of `list`.
const TemplateListLayout& ListLayout(TemplateList list);

// The tool bar every list window has, in order: delete, the seven navigator buttons,
// create, edit. Their hints.
struct TemplateToolTexts {
    std::string deleteRow = "Удалить запись";
    std::vector<std::string> navigator = {"Первая запись",           "Предшествующая запись", "Следующая запись",
                                          "Последняя запись",        "Зафиксировать редактирование",
                                          "Отменить редактирование", "Обновить данные"};
    std::string createRow = "Создать запись";
    std::string editRow = "Редактировать параметры записи";
    std::string select = "Выбрать строку из списка";
    std::string fields = "Список полей";
    std::string importBase = "Импорт информации о базах данных";
    std::string importTables = "Импорт информации о базе данных";
    std::string confirmDelete = "Вы уверены, что хотите удалить текущую запись ?";
    // The table list's context menu, in order; "" is a separator.
    std::vector<std::string> tableMenu = {"Выбрать", "Добавить", "Изменить", "Удалить", "", "Пометить"};
    std::string save = "Сохранить";
    std::string cancel = "Отменить";
};
const TemplateToolTexts& ToolTexts();

// What the select command of a list does in a mode.
enum class SelectAction {
    None,
    ShowTables,    // the group list in "Edit" or "Select": the table list in the same mode
    ShowIndexes,   // the table list in "Edit": the index list
    ReindexGroup,  // the group list in "ReIndex"
    CreateTables,  // the group list in "CreateTerBases"
    ReindexTable,  // the table list in "Select": both lists close, then the reindex
};
SelectAction SelectActionOf(TemplateList list, std::string_view mode);

// Whether "Список полей" of the table list shows the field list in `mode` ("Edit" only).
bool FieldsCommandShows(std::string_view mode);

// "Пометить": flips the current table template's mark and moves to the next row, which
// posts the change. An empty or closed list is left alone.
void MarkCurrentTable(base::BaseTable& tables);

// The text a mark field's value shows: the check symbol for the mark, other text as is.
std::string MarkText(const std::string& flag);
// `value` in `format` ("000": at least three digits, a minus sign before them).
std::string FormatTemplateNumber(std::int64_t value, std::string_view format);

// The text of the cell at `row`, `column` of a list over `table`; the row being
// edited shows the values typed so far.
std::string TemplateCellText(const base::BaseTable& table, const TemplateListColumn& column, int row,
                             int currentRow);
// The header text of `column`.
std::string TemplateHeaderText(const TemplateListColumn& column);

// Navy, the colour of a template list's mark column.
inline constexpr base::Rgb kTemplateMarkColour{0, 0, 128};

// The rows of a template list for a list view: TemplateCellText per cell, the mark
// column in navy.
class TemplateListRows : public base::RowSource {
public:
    // `table` must outlive this.
    TemplateListRows(base::BaseTable& table, std::vector<TemplateListColumn> columns)
        : table_(table), columns_(std::move(columns)) {}

    void Bind() override;
    int RowCount() const override { return rows_; }
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    int ColumnWidth(int column) const override { return columns_[static_cast<std::size_t>(column)].width; }
    std::string HeaderText(int column) const override;
    base::CellAlign Alignment(int column) const override;
    std::string CellText(int row, int column, std::string_view decimalPoint) const override;
    std::optional<base::Rgb> ColumnColour(int column) const override;

private:
    base::BaseTable& table_;
    std::vector<TemplateListColumn> columns_;
    int rows_ = 0;
};

// The text an edit box shows for `field` of the current row ("" when NULL or closed).
std::string TemplateFieldText(const base::BaseTable& table, const std::string& field,
                              const std::string& numberFormat);
// The position of the radio button standing for the current value of `group.field`
// (trailing blanks ignored); -1 when none does.
int TemplateRadioIndex(const base::BaseTable& table, const TemplateRadioGroup& group);
// The most characters an edit box of `field` takes: an alpha field's length, else 32767.
int TemplateBoxLength(const base::BaseTable& table, const std::string& field);

// An edit box's text as loaded and as it stands now.
struct TypedText {
    std::string field;
    std::string loaded;
    std::string typed;
};
// A radio group's choice as loaded and as it stands now (-1: none).
struct TypedChoice {
    const TemplateRadioGroup* group = nullptr;
    int loaded = -1;
    int chosen = -1;
};
// Puts what changed into the pending row (an emptied box clears its field) and takes
// the typed values as the loaded ones. Throws the engine's error for a value it cannot
// store; the values before it are in the row.
void CommitTypedValues(base::BaseTable& table, std::vector<TypedText>& texts, std::vector<TypedChoice>& choices);

// "Сохранить" after the commit, and closing a list: refresh (a changed row posted, an
// unchanged one dropped), then flush to disk. A closed table has nothing to save.
void SaveTemplateTable(base::BaseTable& table);

}  // namespace ter5::templates
