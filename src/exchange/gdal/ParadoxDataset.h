#pragma once
// What the driver opens: one Paradox table file (one layer), or a directory, where
// every table that can be read becomes a layer (one that cannot is left out with a
// warning naming it and why) and a base (ter.db, subter.db, poligon.db all readable)
// adds the geometry layers parcels, vertices and sides. Read-only.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

namespace ter5::exchange {

// How the user asked for the tables to be read (the driver's open options).
struct ParadoxOpenOptions {
    int CodePage = 0;        // ENCODING: the text's code page; 0: each table's own
    bool BcdAsText = false;  // BCD_AS=STRING
    std::string Crs;         // CRS: the reference system of a base's survey coordinates
};

class ParadoxDataset final : public GDALDataset {
public:
    // Opens `path` as said above. Throws (engine::EngineError, ExportError) naming the
    // file and the cause when a table file cannot be read, or a directory holds no
    // readable table.
    ParadoxDataset(const std::filesystem::path& path, bool isDirectory, const ParadoxOpenOptions& options);
    ~ParadoxDataset() override;

    int GetLayerCount() override { return static_cast<int>(layers_.size()); }
    OGRLayer* GetLayer(int index) override;
    int TestCapability(const char* capability) override;

private:
    void OpenDirectory(const std::filesystem::path& dir, const ParadoxOpenOptions& options);
    void AddTable(const std::string& name, const std::filesystem::path& path, const ParadoxOpenOptions& options);

    std::vector<std::unique_ptr<OGRLayer>> layers_;
};

}  // namespace ter5::exchange
