#pragma once
// Running real programs from the tests, on POSIX systems and on Windows (also
// under Wine): a command given as shell words with its exit code and output, and
// a child process with pipes to its standard input and from its output.
//
// Commands are written once, in POSIX shell words: 'single' and "double" quotes,
// leading NAME=value words setting the environment. On POSIX systems they go to
// the shell; on Windows they are split here (a backslash outside quotes is a path
// separator, not an escape) and started with CreateProcessW, so UTF-8 arguments
// reach the program whole.

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "engine/FileUtil.h"

namespace ter5::testing {

#ifdef _WIN32

// The UTF-16 text of UTF-8 text.
inline std::wstring Wide(const std::string& utf8) { return engine::PathFromUtf8(utf8).native(); }

// POSIX shell words split: quotes removed, backslash escapes only inside "…".
inline std::vector<std::string> SplitShellWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            word += text.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? text.size() : end;
            inWord = true;
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
                word += text[i];
            }
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// One argument quoted as CommandLineToArgvW and the C runtime read it back.
inline std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// A started process with the handles the tests keep.
struct StartedProcess {
    HANDLE process = nullptr;
    DWORD pid = 0;
    HANDLE input = nullptr;   // write end of its standard input, or null
    HANDLE output = nullptr;  // read end of its standard output and error
};

// Starts `argv` with `extraEnv` ("NAME=value") added to this process's environment.
// Standard error goes to `errorFile` when it is given, else with the output.
inline StartedProcess StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                                   bool withInput, const std::filesystem::path* errorFile = nullptr) {
    StartedProcess p;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, inRead = nullptr, inWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return p;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    if (withInput) {
        CreatePipe(&inRead, &inWrite, &inherit, 0);
        SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    } else {
        inRead = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    }
    HANDLE errWrite = outWrite;
    if (errorFile)
        errWrite = CreateFileW(errorFile->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::wstring commandLine;
    for (const std::string& a : argv) commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(Wide(a));
    // The inherited environment without the variables `extraEnv` sets (Windows
    // names ignore case), then those.
    std::vector<std::wstring> names;
    for (const std::string& e : extraEnv) {
        std::wstring name = Wide(e.substr(0, e.find('=')));
        CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        names.push_back(name);
    }
    std::wstring environment;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* e = block; *e; e += wcslen(e) + 1) {
            const std::wstring entry(e);
            std::wstring name = entry.substr(0, entry.find(L'=', 1));
            CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
            if (std::find(names.begin(), names.end(), name) == names.end()) environment += entry + L'\0';
        }
        FreeEnvironmentStringsW(block);
    }
    for (const std::string& e : extraEnv) environment += Wide(e) + L'\0';
    environment += L'\0';
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info{};
    const std::wstring program = std::filesystem::absolute(engine::PathFromUtf8(argv.at(0))).native();
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       environment.data(), nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        p.process = info.hProcess;
        p.pid = info.dwProcessId;
        p.output = outRead;
        p.input = inWrite;
    } else {
        CloseHandle(outRead);
        if (inWrite) CloseHandle(inWrite);
    }
    CloseHandle(outWrite);
    if (errWrite != outWrite && errWrite != INVALID_HANDLE_VALUE) CloseHandle(errWrite);
    if (inRead && inRead != INVALID_HANDLE_VALUE) CloseHandle(inRead);
    return p;
}

// Runs `argv` with `extraEnv` added to the environment; returns its exit code and
// its output (LF line ends), with its errors unless `errorFile` takes them.
inline int RunArgv(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                   std::string* output, const std::filesystem::path* errorFile = nullptr) {
    StartedProcess p = StartProcess(argv, extraEnv, false, errorFile);
    if (!p.process) return -1;
    std::string text;
    std::array<char, 4096> buffer{};
    DWORD n = 0;
    // Until the pipe breaks: the child and every process that inherited its end have
    // gone. A read of no bytes is not the end (Wine gives some).
    for (;;) {
        if (ReadFile(p.output, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
            text.append(buffer.data(), n);
            if (n == 0 && WaitForSingleObject(p.process, 10) == WAIT_OBJECT_0) {
                DWORD waiting = 0;
                if (!PeekNamedPipe(p.output, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) break;
            }
            continue;
        }
        break;  // ERROR_BROKEN_PIPE at the end, or the pipe failed
    }
    CloseHandle(p.output);
    WaitForSingleObject(p.process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(p.process, &code);
    CloseHandle(p.process);
    // Text mode output ends lines with CR LF; the tests compare LF lines.
    std::string lf;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    if (output) *output = lf;
    return static_cast<int>(code);
}

// Runs `program` with `arguments` (shell words, NAME=value words first setting
// its environment, as does `env`); returns its exit code and its output.
inline int RunProgram(const std::string& program, const std::string& arguments, std::string* output = nullptr,
                      const std::string& env = "") {
    std::vector<std::string> extraEnv;
    std::vector<std::string> argv{program};
    bool leading = true;
    for (const std::string& w : SplitShellWords(env + " " + arguments)) {
        if (w == "2>&1") continue;  // output and errors share one pipe anyway
        if (leading && w.find('=') != std::string::npos && w.find('=') > 0 && w[0] != '-') {
            extraEnv.push_back(w);
            continue;
        }
        leading = false;
        argv.push_back(w);
    }
    return RunArgv(argv, extraEnv, output);
}

#else

inline int RunProgram(const std::string& program, const std::string& arguments, std::string* output = nullptr,
                      const std::string& env = "") {
    std::FILE* pipe = ::popen((env + " '" + program + "' " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
    const int status = ::pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace ter5::testing
