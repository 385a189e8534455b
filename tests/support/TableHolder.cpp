// table_holder: a process that holds a table (or any file) the way another
// program would, for the coexistence and locking tests.
//
//   table_holder engine-shared TABLE      opens TABLE through the engine, shared
//   table_holder engine-exclusive TABLE   the same, exclusively
//   table_holder open FILE                keeps FILE open for reading
//   table_holder ofd-lock FILE            keeps FILE open with a write lock on all of it
//
// It prints "held" on standard output once it holds, then waits until its
// standard input reaches end of file, and exits 0. Any failure prints a message
// on standard error and exits 1.

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <exception>
#include <string>

#include "engine/Table.h"

namespace {

void WaitForRelease() {
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
#ifdef _WIN32
    while (::_read(0, buffer, sizeof buffer) > 0) {
    }
#else
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
#endif
}

int Usage() {
    std::fprintf(stderr, "usage: table_holder engine-shared|engine-exclusive|open|ofd-lock PATH\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Usage();
    const std::string mode = argv[1];
    const char* path = argv[2];
    try {
        if (mode == "engine-shared" || mode == "engine-exclusive") {
            ter5::engine::Table table;
            table.SetTableName(path);
            table.SetExclusive(mode == "engine-exclusive");
            table.Open();
            WaitForRelease();
            return 0;
        }
#ifndef _WIN32
        // On Windows the Windows holder program (winholder.exe) holds files.
        if (mode == "open" || mode == "ofd-lock") {
            const int fd = ::open(path, mode == "open" ? O_RDONLY : O_RDWR);
            if (fd < 0) {
                std::perror(path);
                return 1;
            }
            if (mode == "ofd-lock") {
                struct flock fl {};
                fl.l_type = F_WRLCK;
                fl.l_whence = SEEK_SET;
                if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
                    std::perror("lock");
                    return 1;
                }
            }
            WaitForRelease();
            ::close(fd);
            return 0;
        }
#endif
    } catch (const std::exception& e) {
        std::fprintf(stderr, "table_holder: %s\n", e.what());
        return 1;
    }
    return Usage();
}
