#pragma once
// The one exception type of the table engine. Messages name the file and the problem.

#include <stdexcept>
#include <string>

namespace ter5::engine {

class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

// A table another program (or another use in this one) holds against the use
// asked for: "<table>: Table is busy[ (held by PROGRAM, process N)]". The holder is
// known when another process was found holding the table's files.
class TableBusyError : public EngineError {
public:
    TableBusyError(std::string table, std::string program, long pid, const std::string& message)
        : EngineError(message), table_(std::move(table)), program_(std::move(program)), pid_(pid) {}
    const std::string& Table() const { return table_; }
    const std::string& Program() const { return program_; }  // empty when unknown
    long Pid() const { return pid_; }                         // 0 when unknown

private:
    std::string table_;
    std::string program_;
    long pid_;
};

// Throws EngineError("<file>: <problem>").
[[noreturn]] inline void Fail(const std::string& file, const std::string& problem) {
    throw EngineError(file.empty() ? problem : file + ": " + problem);
}

}  // namespace ter5::engine
