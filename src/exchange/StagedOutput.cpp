#include "exchange/StagedOutput.h"

#include <algorithm>
#include <random>
#include <set>
#include <system_error>

#include "engine/FileTransaction.h"
#include "engine/FileUtil.h"
#include "engine/PlatformFiles.h"
#include "exchange/ExportOptions.h"

namespace fs = std::filesystem;

namespace ter5::exchange {

namespace {

// The files that belong together under one stem: a Shapefile layer (its .dbf alone for a
// table without geometry) and a CSV layer with its column types and reference system.
struct FileFamily {
    std::vector<std::string> Main;      // extensions of the file that leads the family
    std::vector<std::string> Sidecars;  // every extension of the family
};
const FileFamily kFamilies[] = {
    {{".shp", ".dbf"}, {".shp", ".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx"}},
    {{".csv"}, {".csvt", ".prj"}},
};
// SQLite's journals of a database file, named by appending these.
constexpr const char* kJournals[] = {"-wal", "-shm", "-journal"};
// Tries at a staging name before giving up.
constexpr int kStagingAttempts = 16;

std::string RandomTag() {
    std::random_device random;
    return std::to_string(random()) + std::to_string(random() % 1000);
}

void RemoveIfThere(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

}  // namespace

void RefuseEngineFile(const fs::path& file) {
    if (engine::IsReservedFileName(engine::PathToUtf8(file.filename())))
        FailExport(engine::PathToUtf8(file), "is a lock, journal or temporary file of the table engine; "
                                             "an export never writes over it");
}

StagedOutput::StagedOutput(const fs::path& target) {
    folder_ = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) FailExport(folder_.string(), "the folder does not exist");
    if (fs::is_directory(target, ec)) FailExport(target.string(), "is a folder, not a file name");
    RefuseEngineFile(target);
    const std::string name = target.filename().string();
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        const fs::path candidate = folder_ / ("." + name + ".export-" + RandomTag());
        if (fs::create_directory(candidate, ec)) {
            staging_ = candidate;
            return;
        }
        if (ec) FailExport(folder_.string(), "cannot write into the folder: " + ec.message());
    }
    FailExport(folder_.string(), "cannot create a staging folder");
}

StagedOutput::~StagedOutput() {
    if (staging_.empty()) return;
    std::error_code ec;
    fs::remove_all(staging_, ec);
}

std::vector<fs::path> StagedOutput::Commit() {
    std::vector<fs::path> staged;
    for (const fs::directory_entry& entry : fs::directory_iterator(staging_))
        if (entry.is_regular_file()) staged.push_back(entry.path());
    std::sort(staged.begin(), staged.end());

    std::set<std::string> names;
    for (const fs::path& file : staged) RefuseEngineFile(folder_ / file.filename());
    for (const fs::path& file : staged) {
        names.insert(file.filename().string());
        engine::SyncFile(file);
    }

    std::vector<fs::path> moved;
    for (const fs::path& file : staged) {
        const fs::path target = folder_ / file.filename();
        std::error_code ec;
        const fs::file_status old = fs::status(target, ec);
        if (fs::exists(old)) fs::permissions(file, old.permissions(), ec);
        for (const char* journal : kJournals) RemoveIfThere(folder_ / (file.filename().string() + journal));
        fs::rename(file, target, ec);
        if (ec) FailExport(target.string(), "cannot replace the file: " + ec.message());
        moved.push_back(target);
    }
    // Sidecars of an earlier export that this one has not replaced.
    for (const fs::path& file : staged) {
        for (const FileFamily& family : kFamilies) {
            const std::string ext = file.extension().string();
            if (std::find(family.Main.begin(), family.Main.end(), ext) == family.Main.end()) continue;
            for (const std::string& sidecar : family.Sidecars) {
                const std::string name = file.stem().string() + sidecar;
                if (!names.count(name)) RemoveIfThere(folder_ / name);
            }
        }
    }
    engine::SyncDirectory(folder_);
    std::error_code ec;
    fs::remove_all(staging_, ec);
    return moved;
}

bool StagedOutput::HoldsFile(const fs::path& stem) const {
    std::error_code ec;
    for (fs::directory_iterator it(staging_, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && it->path().stem() == stem) return true;
    return false;
}

bool StagedOutput::HoldsFolder(const std::string& name) const {
    std::error_code ec;
    return fs::is_directory(staging_ / name, ec);
}

}  // namespace ter5::exchange
