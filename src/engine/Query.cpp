#include "Query.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string_view>

#include "Collation.h"
#include "EngineError.h"
#include "FieldCodec.h"
#include "FileUtil.h"
#include "LikePattern.h"
#include "SqlParser.h"
#include "TableFile.h"
#include "TableLock.h"
#include "ValueConversion.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Extension given to a FROM name that has none.
constexpr char kTableExtension[] = ".db";

// The sort keys of one ORDER BY column, one per result row.
struct SortColumn {
    bool text = false;
    std::vector<std::uint8_t> isNull;
    std::vector<double> numbers;                               // numeric columns
    std::u32string pool;                                       // text columns: all keys
    std::vector<std::pair<std::uint32_t, std::uint32_t>> keys;  // offset and length in pool

    std::u32string_view Key(std::size_t row) const { return std::u32string_view(pool).substr(keys[row].first, keys[row].second); }
};

// Byte values of a single-byte code page.
constexpr int kByteValues = 256;

// The case-folded character of every byte of a single-byte page: LIKE over alpha
// fields then folds their bytes directly, without converting each value to UTF-8.
std::vector<char32_t> FoldTable(const TextCodec& codec) {
    std::vector<char32_t> table(kByteValues, 0);
    for (int b = 1; b < kByteValues; ++b) {
        const std::u32string c = DecodeUtf8(codec.Decode(std::string(1, static_cast<char>(b))));
        table[static_cast<std::size_t>(b)] = c.size() == 1 ? FoldCase(c[0]) : U'\uFFFD';
    }
    return table;
}

// The sort weight of every byte of a single-byte page, as AppendRussianSortKey gives it
// for the character the byte decodes to: ORDER BY over alpha fields then weighs their
// bytes directly. Empty when some byte does not decode to exactly one weight.
std::vector<char32_t> SortWeightTable(const TextCodec& codec) {
    std::vector<char32_t> table(kByteValues, 0);
    std::u32string key;
    for (int b = 1; b < kByteValues; ++b) {
        key.clear();
        AppendRussianSortKey(codec.Decode(std::string(1, static_cast<char>(b))), key);
        if (key.size() != 1) return {};
        table[static_cast<std::size_t>(b)] = key[0];
    }
    return table;
}

// The position of a field by name ignoring case, Cyrillic included; -1 when absent.
int FindField(const std::vector<FieldDesc>& fields, const std::string& name) {
    const std::u32string wanted = FoldedText(name);
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (FoldedText(fields[i].name) == wanted) return static_cast<int>(i);
    return -1;
}

}  // namespace

Query::Query() = default;

Query::~Query() {
    try {
        Close();
    } catch (...) {
        // Closing a query writes nothing; there is nothing to report.
    }
}

void Query::SetDatabaseName(std::string directory) {
    CheckInactive("the database name");
    databaseName_ = std::move(directory);
}

void Query::SetSql(std::vector<std::string> lines) {
    CheckInactive("the SQL text");
    sql_ = std::move(lines);
}

void Query::AddSqlLine(std::string line) {
    CheckInactive("the SQL text");
    sql_.push_back(std::move(line));
}

std::string Query::SqlText() const {
    std::string text;
    for (std::size_t i = 0; i < sql_.size(); ++i) {
        if (i) text += '\n';
        text += sql_[i];
    }
    return text;
}

std::string Query::DisplayName() const {
    if (file_) return PathToUtf8(file_->Path());
    std::string first = sql_.empty() ? std::string() : sql_.front();
    return "query '" + first + (sql_.size() > 1 ? " …'" : "'");
}

void Query::DoOpen() {
    Execute();
    SetRows(result_, 0);
}

void Query::DoClose() {
    result_.clear();
    sourceFields_.clear();
    locator_ = RecordLocator();
    file_.reset();
    lock_.reset();
}

std::uint32_t Query::DoRefresh(std::uint32_t current) {
    Execute();
    SetRows(result_, current);
    return current;
}

const std::uint8_t* Query::RecordBytes(std::uint32_t record) const { return locator_(record); }

const TextCodec& Query::Codec() const { return file_->Codec(); }

Value Query::DecodeBlob(std::uint32_t record, int field) const {
    return file_->Decode(locator_(record), static_cast<std::size_t>(sourceFields_[static_cast<std::size_t>(field)]));
}

void Query::Execute() {
    const SelectStatement statement = SqlParser::Parse(SqlText());

    // The table.
    fs::path name = PathFromUtf8(statement.tableName);
    if (!name.has_extension()) name += kTableExtension;
    const fs::path full = name.is_absolute() ? name : PathFromUtf8(databaseName_) / name;
    const auto path = ResolveNoCase(full);
    if (!path) Fail(PathToUtf8(full), "Table does not exist");
    // A refresh of an open query keeps the lock it holds on the same file.
    std::unique_ptr<TableLock> lock;
    if (!lock_ || !file_ || file_->Path() != *path) lock = std::make_unique<TableLock>(*path, TableLock::Mode::Shared);
    std::shared_ptr<TableFile> file = TableFile::Load(*path);
    const std::vector<FieldDesc>& tableFields = file->Fields();
    const std::string display = PathToUtf8(*path);
    const std::string stem = PathToUtf8(path->stem());

    const auto resolve = [&](const SqlColumn& column) {
        if (!column.qualifier.empty() && !EqualsNoCase(column.qualifier, stem) &&
            !EqualsNoCase(column.qualifier, statement.tableName))
            Fail(display, "Invalid SQL: unknown table '" + column.qualifier + "' in '" + column.text + "'");
        const int i = FindField(tableFields, column.name);
        if (i < 0) Fail(display, "Invalid SQL: unknown column '" + column.text + "'");
        return i;
    };

    // Columns.
    std::vector<int> sourceFields;
    if (statement.allColumns) {
        sourceFields.resize(tableFields.size());
        std::iota(sourceFields.begin(), sourceFields.end(), 0);
    } else {
        for (const SqlColumn& c : statement.columns) sourceFields.push_back(resolve(c));
    }
    std::vector<FieldDesc> fields;
    for (int f : sourceFields) fields.push_back(tableFields[static_cast<std::size_t>(f)]);

    RecordLocator locator(*file);
    const auto read = [&](std::uint32_t record, int field, Value& out) {
        const FieldDesc& f = tableFields[static_cast<std::size_t>(field)];
        if (IsBlobType(f.type))
            out = file->Decode(locator(record), static_cast<std::size_t>(field));
        else
            DecodeFieldInto(f, locator(record) + f.offset, file->Codec(), out);
    };

    // WHERE column LIKE pattern.
    std::vector<std::uint32_t> rows;
    rows.reserve(locator.Count());
    Value value;
    if (statement.likeColumn) {
        const int field = resolve(*statement.likeColumn);
        if (!IsTextType(tableFields[static_cast<std::size_t>(field)].type))
            Fail(display, "Invalid SQL: LIKE needs a text column, '" + statement.likeColumn->text + "' is " +
                              std::string(FieldTypeName(tableFields[static_cast<std::size_t>(field)].type)));
        const LikePattern pattern(statement.likePattern);
        const FieldDesc& f = tableFields[static_cast<std::size_t>(field)];
        if (f.type == FieldType::Alpha && file->Codec().IsSingleByte()) {
            const std::vector<char32_t> fold = FoldTable(file->Codec());
            std::u32string text;
            for (std::uint32_t r = 0; r < locator.Count(); ++r) {
                const std::uint8_t* p = locator(r) + f.offset;
                const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(f.length)));
                const std::size_t size = end ? static_cast<std::size_t>(end - p) : static_cast<std::size_t>(f.length);
                if (size == 0) continue;  // NULL
                text.resize(size);
                for (std::size_t i = 0; i < size; ++i) text[i] = fold[p[i]];
                if (pattern.MatchesFolded(text)) rows.push_back(r);
            }
        } else {
            for (std::uint32_t r = 0; r < locator.Count(); ++r) {
                read(r, field, value);
                if (!value.IsNull() && pattern.Matches(value.text)) rows.push_back(r);
            }
        }
    } else {
        rows.resize(locator.Count());
        std::iota(rows.begin(), rows.end(), std::uint32_t{0});
    }

    // ORDER BY.
    if (!statement.orderBy.empty()) {
        std::vector<SortColumn> columns;
        for (const SqlColumn& c : statement.orderBy) {
            const int field = resolve(c);
            const FieldDesc& f = tableFields[static_cast<std::size_t>(field)];
            if (f.type == FieldType::Bytes || (IsBlobType(f.type) && !IsTextType(f.type)))
                Fail(display, "Invalid SQL: cannot order by the binary column '" + c.text + "'");
            SortColumn& column = columns.emplace_back();
            column.text = IsTextType(f.type);
            column.isNull.resize(rows.size());
            if (column.text) column.keys.resize(rows.size()); else column.numbers.resize(rows.size());
            const std::vector<char32_t> weights =
                f.type == FieldType::Alpha && file->Codec().IsSingleByte() ? SortWeightTable(file->Codec())
                                                                          : std::vector<char32_t>();
            if (!weights.empty()) {
                // The value's bytes up to the first NUL, as DecodeFieldInto reads them.
                for (std::size_t i = 0; i < rows.size(); ++i) {
                    const std::uint8_t* p = locator(rows[i]) + f.offset;
                    const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(f.length)));
                    const std::size_t size = end ? static_cast<std::size_t>(end - p) : static_cast<std::size_t>(f.length);
                    column.isNull[i] = size == 0;
                    const auto offset = static_cast<std::uint32_t>(column.pool.size());
                    column.pool.resize(offset + size);
                    char32_t* key = column.pool.data() + offset;
                    for (std::size_t k = 0; k < size; ++k) key[k] = weights[p[k]];
                    column.keys[i] = {offset, static_cast<std::uint32_t>(size)};
                }
                continue;
            }
            for (std::size_t i = 0; i < rows.size(); ++i) {
                read(rows[i], field, value);
                column.isNull[i] = value.IsNull();
                if (value.IsNull()) continue;
                if (!column.text) {
                    column.numbers[i] = ValueAsFloat(f, value);
                    continue;
                }
                const auto offset = static_cast<std::uint32_t>(column.pool.size());
                AppendRussianSortKey(value.text, column.pool);
                column.keys[i] = {offset, static_cast<std::uint32_t>(column.pool.size() - offset)};
            }
        }
        std::vector<std::uint32_t> positions(rows.size());
        std::iota(positions.begin(), positions.end(), std::uint32_t{0});
        std::sort(positions.begin(), positions.end(), [&columns](std::uint32_t a, std::uint32_t b) {
            for (const SortColumn& c : columns) {
                if (c.isNull[a] != c.isNull[b]) return c.isNull[a] > c.isNull[b];  // NULL first
                if (c.isNull[a]) continue;
                if (c.text) {
                    const int cmp = c.Key(a).compare(c.Key(b));
                    if (cmp != 0) return cmp < 0;
                } else if (c.numbers[a] != c.numbers[b]) {
                    return c.numbers[a] < c.numbers[b];
                }
            }
            return a < b;  // record order
        });
        std::vector<std::uint32_t> sorted(rows.size());
        for (std::size_t i = 0; i < positions.size(); ++i) sorted[i] = rows[positions[i]];
        rows = std::move(sorted);
    }

    SetFields(std::move(fields));
    if (lock) lock_ = std::move(lock);
    file_ = std::move(file);
    locator_ = std::move(locator);
    sourceFields_ = std::move(sourceFields);
    result_ = std::move(rows);
}

}  // namespace ter5::engine
