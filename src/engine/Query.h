#pragma once
// A read-only data set holding the result of an SQL SELECT over one table of a
// directory (the SQL subset is described in SqlParser.h).
//
// DatabaseName is the directory (empty: the process's current directory); the
// FROM clause names a file there, matched ignoring case, or a full path. The
// result holds the record numbers of the matching rows in the result's order,
// never copies of records; the table stays read into memory and locked shared
// while the query is open.
//
// LIKE compares ignoring case, Cyrillic included (LikePattern.h): names in a
// base are typed in any case, and the search dialog finds them as the user types
// them. NULL matches no pattern.
//
// ORDER BY: numeric, date and time columns by value; text columns by the Russian
// dictionary order of Collation.h (case-insensitive, Ё after Е, digits and
// punctuation before letters); NULLs first; rows equal in every column keep
// their record order.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"
#include "RecordLocator.h"

namespace ter5::engine {

class TableLock;
class TableFile;

class Query : public DataSet {
public:
    Query();
    ~Query() override;

    // The directory the FROM clause refers to; only while closed.
    void SetDatabaseName(std::string directory);
    const std::string& DatabaseName() const { return databaseName_; }
    // The SQL text as lines (joined by line breaks); only while closed.
    void SetSql(std::vector<std::string> lines);
    void AddSqlLine(std::string line);
    void ClearSql() { SetSql({}); }
    const std::vector<std::string>& Sql() const { return sql_; }
    // The lines joined by "\n".
    std::string SqlText() const;

    std::string DisplayName() const override;

protected:
    void DoOpen() override;
    void DoClose() override;
    const std::uint8_t* RecordBytes(std::uint32_t record) const override;
    const TextCodec& Codec() const override;
    Value DecodeBlob(std::uint32_t record, int field) const override;
    std::uint32_t DoRefresh(std::uint32_t current) override;

private:
    // Runs the query into the members; on failure they keep their old contents.
    void Execute();

    std::string databaseName_;
    std::vector<std::string> sql_;
    std::unique_ptr<TableLock> lock_;
    std::shared_ptr<TableFile> file_;
    RecordLocator locator_;                      // record number → bytes
    std::vector<int> sourceFields_;              // result field → table field
    std::vector<std::uint32_t> result_;          // record numbers in result order
};

}  // namespace ter5::engine
