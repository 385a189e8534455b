#pragma once
// Real processes for the locking, crash and coexistence tests: ter5tool runs and
// table_holder processes that hold a table while a test works on it, and the
// bytes of a directory's files to compare before and after.

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../support/ProcessRun.h"
#include "engine/FileUtil.h"
#include "engine/TableLock.h"

namespace ter5::engine::testing {

namespace fs = std::filesystem;
using ter5::testing::RunProgram;

// Runs ter5tool with `arguments` (shell words) and `env` ("NAME=value " prefixes);
// returns its exit code and its output (standard output and error).
inline int RunTool(const std::string& arguments, std::string* output = nullptr, const std::string& env = "") {
    return RunProgram(TER5_TOOL_PATH, arguments, output, env);
}

#ifdef _WIN32
// A child process with a pipe to its standard input and one from its output
// (and errors).
class Child {
public:
    // Starts `argv[0]` with `argv` and, added to the environment, `extraEnv`.
    explicit Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {})
        : p_(ter5::testing::StartProcess(argv, extraEnv, true)) {}
    ~Child() {
        Release();
        if (p_.process && !reaped_) {
            Kill();
            Wait();
        }
        if (p_.output) CloseHandle(p_.output);
        if (p_.process) CloseHandle(p_.process);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    long Pid() const { return p_.process ? static_cast<long>(p_.pid) : -1; }
    // Reads the child's output up to and including a line equal to `line`.
    bool WaitForLine(const std::string& line) {
        std::string current;
        char c;
        DWORD n = 0;
        while (p_.output && ReadFile(p_.output, &c, 1, &n, nullptr) && n == 1) {
            if (c == '\r') continue;
            if (c != '\n') {
                current += c;
                continue;
            }
            if (current == line || (line == kStoppedLine && current.rfind(kStoppedLine, 0) == 0)) return true;
            current.clear();
        }
        return false;
    }
    // Closes the child's standard input (a holder lets go).
    void Release() {
        if (p_.input) CloseHandle(p_.input);
        p_.input = nullptr;
    }
    // Waits until the child has stopped itself at a write step (ter5tool's stop
    // hook prints "ter5tool: stopped" and sleeps); false when it exited.
    bool WaitStopped() { return WaitForLine(kStoppedLine); }
    // Ends the child at once, as SIGKILL does.
    void Kill() {
        if (p_.process && TerminateProcess(p_.process, kKilledCode)) killed_ = true;
    }
    // Waits for the child's end; its exit code, or -1 when it was killed.
    int Wait() {
        if (!p_.process) return -1;
        WaitForSingleObject(p_.process, INFINITE);
        reaped_ = true;
        DWORD code = 0;
        GetExitCodeProcess(p_.process, &code);
        return killed_ ? -1 : static_cast<int>(code);
    }

private:
    static constexpr char kStoppedLine[] = "ter5tool: stopped";
    static constexpr UINT kKilledCode = 137;
    ter5::testing::StartedProcess p_;
    bool reaped_ = false;
    bool killed_ = false;
};
#else
// A child process with a pipe to its standard input and one from its output (and,
// when asked, its errors).
class Child {
public:
    // Starts `argv[0]` with `argv` and, added to the environment, `extraEnv`.
    explicit Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                   bool withErrors = false) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (withErrors) posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<std::string> envText;
        for (char** e = environ; *e; ++e) envText.emplace_back(*e);
        for (const auto& e : extraEnv) envText.push_back(e);
        std::vector<char*> envp;
        for (auto& e : envText) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
    }
    ~Child() {
        Release();
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (stdout_ >= 0) ::close(stdout_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    // Reads the child's output up to and including a line equal to `line` (a
    // Windows program ends its lines with CR LF).
    bool WaitForLine(const std::string& line) {
        std::string current;
        char c;
        while (::read(stdout_, &c, 1) == 1) {
            if (c == '\r') continue;
            if (c != '\n') {
                current += c;
                continue;
            }
            if (current == line) return true;
            current.clear();
        }
        return false;
    }
    // Closes the child's standard input (a holder lets go).
    void Release() {
        if (stdin_ >= 0) ::close(stdin_);
        stdin_ = -1;
    }
    // Waits until the child has stopped itself (SIGSTOP); false when it exited.
    bool WaitStopped() {
        int status = 0;
        if (::waitpid(pid_, &status, WUNTRACED) != pid_) return false;
        if (WIFSTOPPED(status)) return true;
        reaped_ = true;
        status_ = status;
        return false;
    }
    void Kill() { ::kill(pid_, SIGKILL); }
    // Lets a child stopped at a write step go on.
    void Continue() { ::kill(pid_, SIGCONT); }
    // The child's output from here to its end.
    std::string ReadAll() {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(stdout_, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }
    // Waits for the child's end; its exit code, or -1 when a signal ended it.
    int Wait() {
        if (!reaped_) {
            ::waitpid(pid_, &status_, 0);
            reaped_ = true;
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int status_ = 0;
    bool reaped_ = false;
};
#endif

// A table_holder process holding `path` in `mode` until it goes out of scope.
class Holder {
public:
    Holder(const std::string& mode, const fs::path& path) : child_({TER5_HOLDER_PATH, mode, PathToUtf8(path)}) {
        held_ = child_.WaitForLine("held");
    }
    bool Held() const { return held_; }
    long Pid() const { return child_.Pid(); }
    // Lets go and waits for the holder's end.
    int Finish() {
        child_.Release();
        return child_.Wait();
    }

private:
    Child child_;
    bool held_ = false;
};

// Every file of `dir` (but our lock file) with its bytes.
inline std::map<std::string, std::vector<std::uint8_t>> Snapshot(const fs::path& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && e.path().filename() != kLockFileName)
            files[PathToUtf8(e.path().filename())] = ReadWholeFile(e.path());
    return files;
}

// The names of a snapshot's files.
inline std::vector<std::string> Names(const std::map<std::string, std::vector<std::uint8_t>>& files) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    return names;
}

}  // namespace ter5::engine::testing
