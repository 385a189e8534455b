// The POSIX side of FileGuard.h: the check alone. A rename replaces a file
// other processes have open, so nothing is held (the companion program's opens
// under Wine are found by FindFileHolders).
#ifndef _WIN32

#include "FileGuard.h"

namespace ter5::engine {

struct FileGuard::Held {};

FileGuard::FileGuard() = default;
FileGuard::~FileGuard() = default;
FileGuard::FileGuard(FileGuard&& other) noexcept = default;
FileGuard& FileGuard::operator=(FileGuard&& other) noexcept = default;

std::vector<FileHolder> FileGuard::Take(const std::vector<std::filesystem::path>& files) {
    return FindFileHolders(files);
}

void FileGuard::Release() {}

void ReleaseGuard(const std::filesystem::path&) {}

void RestoreGuard(const std::filesystem::path&) {}

}  // namespace ter5::engine

#endif  // !_WIN32
