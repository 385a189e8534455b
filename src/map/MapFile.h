#pragma once
// The picture file map.wmf that every drawing writes into the current directory. A
// directory where it cannot be written (a base on a CD or a read-only share) does not stop
// the map: the new picture is shown all the same, and the failure is reported once for that
// directory rather than at every redraw.

#include <filesystem>
#include <set>
#include <string>

#include "map/Picture.h"

namespace ter5::map {

// Name of the picture file.
inline constexpr const char* kMapFileName = "map.wmf";

// What became of one write.
struct MapFileStatus {
    bool Written = false;  // the file now holds the picture
    bool Report = false;   // the failure is new for this directory: show Message to the user
    std::string Message;   // "Рисунок карты не записан в файл <path>" on failure, empty otherwise
    std::string Reason;    // the failure as the file system or the writer told it, empty otherwise
};

class MapFileWriter {
public:
    // Writes the picture as map.wmf in `directory`, replacing the old file through a
    // temporary file and a rename, so a reader never sees half a picture. The file is a
    // picture derived from the base and rewritten at every redraw: it is not forced to disk
    // (on a slow or shared directory that would cost each redraw a wait for the disk). On
    // failure Report is set only for the first failure in the directory since its last
    // successful write.
    MapFileStatus Write(const Picture& picture, const std::filesystem::path& directory);

private:
    void Failed(MapFileStatus& status, const std::filesystem::path& file, const std::filesystem::path& key,
                const std::string& reason);

    std::set<std::filesystem::path> failedDirectories_;  // failures already reported
};

}  // namespace ter5::map
