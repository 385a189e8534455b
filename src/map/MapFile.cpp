#include "map/MapFile.h"

#include <system_error>

#include "engine/EngineError.h"
#include "map/WmfWriter.h"
#include "engine/FileUtil.h"

namespace ter5::map {

MapFileStatus MapFileWriter::Write(const Picture& picture, const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::path key = std::filesystem::weakly_canonical(directory, error);
    if (error) key = directory;
    const std::filesystem::path file = directory / kMapFileName;
    MapFileStatus status;
    try {
        WriteWmfFile(file, picture, engine::Durability::Unsynced);
        status.Written = true;
        failedDirectories_.erase(key);
    } catch (const engine::EngineError&) {
        status.Message = "Cannot create file " + engine::PathToUtf8(file);
        status.Report = failedDirectories_.insert(key).second;
    } catch (const std::filesystem::filesystem_error&) {
        status.Message = "Cannot create file " + engine::PathToUtf8(file);
        status.Report = failedDirectories_.insert(key).second;
    }
    return status;
}

}  // namespace ter5::map
