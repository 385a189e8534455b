// The platform-independent part of LockFile (PlatformFiles.h): moving and
// closing on destruction. Opening, locking and Close are in PosixFiles.cpp and
// WindowsFiles.cpp.

#include <utility>

#include "PlatformFiles.h"

namespace ter5::engine {

LockFile::LockFile(LockFile&& other) noexcept { *this = std::move(other); }

LockFile& LockFile::operator=(LockFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, -1);
        writable_ = other.writable_;
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
        identity_ = std::move(other.identity_);
        byte_ = other.byte_;
        held_ = other.held_;
    }
    return *this;
}

LockFile::~LockFile() { Close(); }

}  // namespace ter5::engine
