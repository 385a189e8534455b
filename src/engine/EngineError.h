#pragma once
// The one exception type of the table engine. Messages name the file and the problem.

#include <stdexcept>
#include <string>

namespace ter5::engine {

class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

// Throws EngineError("<file>: <problem>").
[[noreturn]] inline void Fail(const std::string& file, const std::string& problem) {
    throw EngineError(file.empty() ? problem : file + ": " + problem);
}

}  // namespace ter5::engine
