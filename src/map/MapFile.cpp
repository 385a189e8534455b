#include "map/MapFile.h"

#include <system_error>

#include "engine/EngineError.h"
#include "map/WmfWriter.h"
#include "engine/FileUtil.h"

namespace ter5::map {

void MapFileWriter::Failed(MapFileStatus& status, const std::filesystem::path& file, const std::filesystem::path& key,
                           const std::string& reason) {
    const std::string path = engine::PathToUtf8(file);
    status.Message = "Рисунок карты не записан в файл " + path;
    // The writer's message names the file first: the message above names it already.
    status.Reason = reason.starts_with(path + ": ") ? reason.substr(path.size() + 2) : reason;
    status.Report = failedDirectories_.insert(key).second;
}

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
    } catch (const engine::EngineError& error) {
        Failed(status, file, key, error.what());
    } catch (const std::filesystem::filesystem_error& error) {
        Failed(status, file, key, error.what());
    }
    return status;
}

}  // namespace ter5::map
