#include "SqlParser.h"

#include <cctype>

#include "EngineError.h"
#include "FileUtil.h"

namespace ter5::engine {
namespace {

// Longest piece of the query quoted in an error message, in bytes.
constexpr std::size_t kExcerptLength = 40;

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return IsWordStart(c) || std::isdigit(c); }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsSymbolChar(char c) { return c == ',' || c == '.' || c == '*' || c == '(' || c == ')' || c == ';'; }

// Words of the subset that cannot name a column.
constexpr std::string_view kReservedWords[] = {"SELECT", "FROM", "WHERE", "LIKE", "ORDER", "BY"};

// The query text from `position` to the end of its line, cut to kExcerptLength
// bytes at a character boundary.
std::string Excerpt(std::string_view sql, std::size_t position) {
    std::string_view rest = sql.substr(std::min(position, sql.size()));
    rest = rest.substr(0, rest.find_first_of("\r\n"));
    if (rest.size() > kExcerptLength) {
        std::size_t cut = kExcerptLength;
        while (cut > 0 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80) --cut;
        return std::string(rest.substr(0, cut)) + "…";
    }
    return std::string(rest);
}

}  // namespace

SelectStatement SqlParser::Parse(std::string_view sql) {
    SqlParser parser(sql);
    return parser.ParseStatement();
}

SqlParser::SqlParser(std::string_view sql) : sql_(sql) { Advance(); }

void SqlParser::FailAt(const std::string& problem) const { FailAt(problem, token_.position); }

void SqlParser::FailAt(const std::string& problem, std::size_t position) const {
    const std::string where = position >= sql_.size() ? "at the end of the query"
                                                      : "at '" + Excerpt(sql_, position) + "'";
    Fail("", "Invalid SQL: " + problem + " " + where);
}

void SqlParser::Advance() {
    consumedEnd_ = pos_;
    while (pos_ < sql_.size() && IsBlank(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
    token_ = Token{};
    token_.position = pos_;
    if (pos_ >= sql_.size()) return;
    const char c = sql_[pos_];
    if (IsWordStart(static_cast<unsigned char>(c))) {
        const std::size_t start = pos_;
        while (pos_ < sql_.size() && IsWordChar(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
        token_.kind = TokenKind::Word;
        token_.text = std::string(sql_.substr(start, pos_ - start));
    } else if (c == '"' || c == '\'') {
        const std::size_t start = pos_++;
        std::string value;
        for (;;) {
            if (pos_ >= sql_.size()) FailAt("unterminated string literal", start);
            if (sql_[pos_] == c) {
                if (pos_ + 1 < sql_.size() && sql_[pos_ + 1] == c) {
                    value.push_back(c);
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            value.push_back(sql_[pos_++]);
        }
        token_.kind = TokenKind::String;
        token_.text = std::move(value);
    } else if (IsSymbolChar(c)) {
        token_.kind = TokenKind::Symbol;
        token_.text = std::string(1, c);
        ++pos_;
    } else {
        const std::size_t start = pos_;
        while (pos_ < sql_.size() && !IsBlank(static_cast<unsigned char>(sql_[pos_])) && !IsSymbolChar(sql_[pos_]))
            ++pos_;
        token_.kind = TokenKind::Other;
        token_.text = std::string(sql_.substr(start, pos_ - start));
    }
}

bool SqlParser::IsKeyword(std::string_view keyword) const {
    return token_.kind == TokenKind::Word && EqualsNoCase(token_.text, std::string(keyword));
}

bool SqlParser::IsSymbol(char symbol) const {
    return token_.kind == TokenKind::Symbol && token_.text[0] == symbol;
}

void SqlParser::ExpectKeyword(std::string_view keyword) {
    if (!IsKeyword(keyword)) FailAt("expected " + std::string(keyword));
    Advance();
}

void SqlParser::ExpectSymbol(char symbol) {
    if (!IsSymbol(symbol)) FailAt(std::string("expected '") + symbol + "'");
    Advance();
}

SqlColumn SqlParser::ParseColumn() {
    const auto reserved = [this] {
        for (std::string_view word : kReservedWords)
            if (IsKeyword(word)) return true;
        return false;
    };
    if (token_.kind != TokenKind::Word || reserved()) FailAt("expected a column name");
    const std::size_t start = token_.position;
    SqlColumn column;
    column.name = token_.text;
    Advance();
    if (IsSymbol('.')) {
        Advance();
        if (token_.kind != TokenKind::Word || reserved()) FailAt("expected a column name after '.'");
        column.qualifier = std::move(column.name);
        column.name = token_.text;
        Advance();
    }
    column.text = std::string(sql_.substr(start, consumedEnd_ - start));
    return column;
}

std::vector<SqlColumn> SqlParser::ParseColumnList() {
    std::vector<SqlColumn> columns{ParseColumn()};
    while (IsSymbol(',')) {
        Advance();
        columns.push_back(ParseColumn());
    }
    return columns;
}

void SqlParser::ParseTable(SelectStatement& statement) {
    if (token_.kind == TokenKind::String) {
        if (token_.text.empty()) FailAt("empty table name");
        statement.tableName = token_.text;
        statement.tableQuoted = true;
        Advance();
        return;
    }
    if (token_.kind != TokenKind::Word) FailAt("expected a table name");
    statement.tableName = token_.text;
    Advance();
    if (IsSymbol('.')) {  // ter.db written without quotes
        Advance();
        if (token_.kind != TokenKind::Word) FailAt("expected a file extension after '.'");
        statement.tableName += "." + token_.text;
        Advance();
    }
}

void SqlParser::ParseCondition(SelectStatement& statement) {
    if (IsSymbol('(')) {
        Advance();
        ParseCondition(statement);
        ExpectSymbol(')');
        return;
    }
    if (statement.likeColumn) FailAt("only one condition is supported");
    SqlColumn column = ParseColumn();
    if (!IsKeyword("LIKE")) FailAt("only LIKE conditions are supported");
    Advance();
    if (token_.kind != TokenKind::String) FailAt("LIKE needs a quoted pattern");
    statement.likeColumn = std::move(column);
    statement.likePattern = token_.text;
    Advance();
}

SelectStatement SqlParser::ParseStatement() {
    SelectStatement statement;
    if (token_.kind == TokenKind::End) FailAt("empty query");
    ExpectKeyword("SELECT");
    if (IsSymbol('*')) {
        statement.allColumns = true;
        Advance();
    } else {
        statement.columns = ParseColumnList();
    }
    ExpectKeyword("FROM");
    ParseTable(statement);
    if (IsKeyword("WHERE")) {
        Advance();
        ParseCondition(statement);
    }
    if (IsKeyword("ORDER")) {
        Advance();
        ExpectKeyword("BY");
        statement.orderBy = ParseColumnList();
    }
    if (IsSymbol(';')) Advance();
    if (token_.kind != TokenKind::End) FailAt("unexpected text");
    return statement;
}

}  // namespace ter5::engine
