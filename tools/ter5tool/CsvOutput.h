#pragma once
// CSV on standard output in the form of `dump`: RFC 4180 fields (CsvEscape) joined
// by commas, rows ended by LF, values in their dump text (ValueText.h), NULL as an
// empty field. Text is gathered and written in blocks; what has not been written
// when an error is thrown is dropped.

#include <string>
#include <string_view>
#include <vector>

#include "engine/FieldDesc.h"
#include "engine/Value.h"

namespace ter5::engine {
class DataSet;
}

namespace ter5::tool {

class CsvOutput {
public:
    // An empty output; nothing is written before a block has gathered or Finish.
    CsvOutput();

    // Appends a row of the fields' names.
    void WriteHeader(const std::vector<engine::FieldDesc>& fields);
    // Appends `text` as the next field of the current row.
    void AddField(std::string_view text);
    // Appends `value` of a field of `type` as the next field, in its dump text.
    void AddValue(engine::FieldType type, const engine::Value& value);
    // Ends the current row; writes the gathered text once a block is full.
    void EndRow();
    // Writes what is left and flushes standard output; EngineError when it cannot.
    void Finish();

private:
    void Write();

    std::string out_;
    bool rowStarted_ = false;
};

// Prints the open data set as CSV from its first row to its end: the header row of
// its field names, then one row per record; standard output is flushed at the end.
void PrintDataSetCsv(engine::DataSet& dataSet);

}  // namespace ter5::tool
