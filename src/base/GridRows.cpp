#include "base/GridRows.h"

#include <cstdio>

#include "base/BaseQuery.h"
#include "engine/FieldType.h"

namespace ter5::base {

namespace {

bool IsNumericType(engine::FieldType type) {
    using engine::FieldType;
    switch (type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::AutoInc:
    case FieldType::Bcd:
        return true;
    default:
        return false;
    }
}

// `value` with 15 significant digits as printf's %g writes it.
int FormatNumber(double value, char (&buffer)[40]) {
    return std::snprintf(buffer, sizeof buffer, "%.15g", value);
}

}  // namespace

std::vector<GridColumn> OwnerGridColumns() {
    return {
        {"Flag", "ю", 15, GridColumn::Mark::Green},
        {"Family", "ФИО", 150, GridColumn::Mark::None},
        {"Adr_House", "Адрес владельца", 150, GridColumn::Mark::None},
        {"Poligon", "Код", 30, GridColumn::Mark::None},
    };
}

std::vector<GridColumn> ParcelGridColumns() {
    return {
        {"Ok", "ю", 15, GridColumn::Mark::Green},
        {"Flag", "ь", 15, GridColumn::Mark::Red},
        {"Code", "Код", 30, GridColumn::Mark::None},
        {"House", "Адрес участка", 150, GridColumn::Mark::None},
        {"Ixp1", "Площадь", -1, GridColumn::Mark::None},
        {"IdentificationCode", "Кад.номер", 150, GridColumn::Mark::None},
    };
}

GridRows::GridRows(BaseQuery& dataSet, std::vector<GridColumn> columns)
    : dataSet_(dataSet), columns_(std::move(columns)) {
    Bind();
}

void GridRows::Bind() {
    const bool active = dataSet_.Active();
    rows_ = active ? static_cast<int>(dataSet_.RecordCount()) : 0;
    fields_.assign(columns_.size(), -1);
    numeric_.assign(columns_.size(), false);
    widestRow_.assign(columns_.size(), std::nullopt);
    if (!active) return;
    for (std::size_t column = 0; column < columns_.size(); ++column) {
        const int field = dataSet_.FieldIndex(columns_[column].field);
        fields_[column] = field;
        numeric_[column] = field >= 0 && IsNumericType(dataSet_.Fields()[static_cast<std::size_t>(field)].type);
    }
}

int GridRows::FieldIndex(int column) const {
    return column >= 0 && column < ColumnCount() ? fields_[static_cast<std::size_t>(column)] : -1;
}

bool GridRows::IsNumeric(int column) const {
    return column >= 0 && column < ColumnCount() && numeric_[static_cast<std::size_t>(column)];
}

CellAlign GridRows::Alignment(int column) const {
    if (column >= 0 && column < ColumnCount() && columns_[static_cast<std::size_t>(column)].mark != GridColumn::Mark::None)
        return CellAlign::Centre;
    return IsNumeric(column) ? CellAlign::Right : CellAlign::Left;
}

std::string GridRows::CellText(int row, int column, std::string_view decimalPoint) const {
    const int field = FieldIndex(column);
    if (field < 0 || row < 0 || row >= rows_) return {};
    const engine::Value value = dataSet_.ValueAt(static_cast<std::size_t>(row), field);
    switch (value.kind) {
    case engine::Value::Kind::Null:
        return {};
    case engine::Value::Kind::Float: {
        char buffer[40];
        const int length = FormatNumber(value.number, buffer);
        std::string text(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
        if (const auto point = text.find('.'); point != std::string::npos) text.replace(point, 1, decimalPoint);
        return text;
    }
    case engine::Value::Kind::Int:
        if (IsNumeric(column)) return std::to_string(value.integer);
        break;
    default:
        break;
    }
    const std::string text = dataSet_.TextAt(static_cast<std::size_t>(row), field);
    return columns_[static_cast<std::size_t>(column)].mark != GridColumn::Mark::None ? MarkGlyph(text) : text;
}

std::string GridRows::HeaderText(int column) const {
    if (column < 0 || column >= ColumnCount()) return {};
    const GridColumn& shown = columns_[static_cast<std::size_t>(column)];
    return shown.mark != GridColumn::Mark::None ? MarkGlyph(shown.title) : shown.title;
}

std::optional<Rgb> GridRows::ColumnColour(int column) const {
    if (column < 0 || column >= ColumnCount()) return std::nullopt;
    return MarkColour(columns_[static_cast<std::size_t>(column)].mark);
}

std::string GridRows::WidestCellText(int column, std::string_view decimalPoint) const {
    if (!IsNumeric(column)) return {};
    auto& widest = widestRow_[static_cast<std::size_t>(column)];
    if (!widest) {
        // Characters count, not values: the digits of a font are all of one width.
        const int field = FieldIndex(column);
        int longest = 0;
        widest = -1;
        char buffer[40];
        for (int row = 0; row < rows_; ++row) {
            const engine::Value value = dataSet_.ValueAt(static_cast<std::size_t>(row), field);
            int length = 0;
            if (value.kind == engine::Value::Kind::Float) {
                length = FormatNumber(value.number, buffer);
            } else if (value.kind == engine::Value::Kind::Int) {
                length = std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value.integer));
            }
            if (length > longest) {
                longest = length;
                widest = row;
            }
        }
    }
    return *widest >= 0 ? CellText(*widest, column, decimalPoint) : std::string();
}

std::string GridRows::MarkGlyph(const std::string& text) {
    if (text == "ю") return "☑";
    if (text == "ь") return "✓";
    return text;
}

std::optional<Rgb> GridRows::MarkColour(GridColumn::Mark mark) {
    switch (mark) {
    case GridColumn::Mark::Green:
        return Rgb{0, 128, 0};
    case GridColumn::Mark::Red:
        return Rgb{255, 0, 0};
    case GridColumn::Mark::None:
        break;
    }
    return std::nullopt;
}

}  // namespace ter5::base
