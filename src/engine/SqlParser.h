#pragma once
// The SQL the program sends to the engine, and nothing more:
//
//   SELECT * | column [, column]…
//   FROM "file name" | name
//   [WHERE [(] column LIKE 'pattern' [)]]
//   [ORDER BY column [, column]…]
//   [;]
//
// A column is a field name, optionally qualified by the table's name ("ter.family").
// A bare table name stands for the .db file of that name. Keywords ignore case;
// string literals take double or single quotes, a doubled quote standing for one.
// Anything else (other keywords, operators, numbers, joins) is refused with an
// EngineError quoting the offending text, as is a malformed text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::engine {

// A column reference as written.
struct SqlColumn {
    std::string qualifier;  // "ter" in ter.family; empty when unqualified
    std::string name;       // field name
    std::string text;       // the reference as written, for messages
};

// A parsed SELECT statement.
struct SelectStatement {
    bool allColumns = false;                // SELECT *
    std::vector<SqlColumn> columns;         // the column list otherwise
    std::string tableName;                  // file name or bare name as written, quotes removed
    bool tableQuoted = false;               // given as a string literal
    std::optional<SqlColumn> likeColumn;    // WHERE column LIKE …
    std::string likePattern;
    std::vector<SqlColumn> orderBy;         // ORDER BY columns, in order
};

class SqlParser {
public:
    // Parses `sql` (lines joined by line breaks). Throws EngineError.
    static SelectStatement Parse(std::string_view sql);

private:
    enum class TokenKind { Word, String, Symbol, Other, End };
    struct Token {
        TokenKind kind = TokenKind::End;
        std::string text;  // word, unquoted string value, symbol or the offending text
        std::size_t position = 0;
    };

    explicit SqlParser(std::string_view sql);
    SelectStatement ParseStatement();
    void Advance();
    bool IsKeyword(std::string_view keyword) const;
    bool IsSymbol(char symbol) const;
    void ExpectKeyword(std::string_view keyword);
    void ExpectSymbol(char symbol);
    SqlColumn ParseColumn();
    std::vector<SqlColumn> ParseColumnList();
    void ParseTable(SelectStatement& statement);
    void ParseCondition(SelectStatement& statement);
    [[noreturn]] void FailAt(const std::string& problem) const;
    [[noreturn]] void FailAt(const std::string& problem, std::size_t position) const;

    std::string_view sql_;
    std::size_t pos_ = 0;
    std::size_t consumedEnd_ = 0;  // end of the last token consumed
    Token token_;
};

}  // namespace ter5::engine
