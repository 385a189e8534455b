#include "CsvOutput.h"

#include <cstdio>

#include "engine/DataSet.h"
#include "engine/EngineError.h"
#include "engine/ValueText.h"

namespace ter5::tool {
namespace {

// Output is written whenever this much text has gathered.
constexpr std::size_t kFlushSize = 1 << 16;

}  // namespace

CsvOutput::CsvOutput() {
    out_.reserve(kFlushSize * 2);
}

void CsvOutput::WriteHeader(const std::vector<engine::FieldDesc>& fields) {
    for (const engine::FieldDesc& field : fields) AddField(field.name);
    EndRow();
}

void CsvOutput::AddField(std::string_view text) {
    if (rowStarted_) out_ += ',';
    rowStarted_ = true;
    out_ += engine::CsvEscape(text);
}

void CsvOutput::AddValue(engine::FieldType type, const engine::Value& value) {
    AddField(engine::FormatValueText(type, value));
}

void CsvOutput::EndRow() {
    out_ += '\n';
    rowStarted_ = false;
    if (out_.size() >= kFlushSize) Write();
}

void CsvOutput::Finish() {
    Write();
    if (std::fflush(stdout) != 0) engine::Fail("", "cannot write to standard output");
}

void CsvOutput::Write() {
    if (std::fwrite(out_.data(), 1, out_.size(), stdout) != out_.size())
        engine::Fail("", "cannot write to standard output");
    out_.clear();
}

void PrintDataSetCsv(engine::DataSet& dataSet) {
    const auto& fields = dataSet.Fields();
    CsvOutput csv;
    csv.WriteHeader(fields);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        for (std::size_t f = 0; f < fields.size(); ++f)
            csv.AddValue(fields[f].type, dataSet.GetValue(static_cast<int>(f)));
        csv.EndRow();
    }
    csv.Finish();
}

}  // namespace ter5::tool
