#include "exchange/gdal/ParadoxDataset.h"

#include <algorithm>

#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "exchange/GdalSupport.h"
#include "exchange/gdal/BaseGeometry.h"
#include "exchange/gdal/BaseLayer.h"
#include "exchange/gdal/TableLayer.h"

namespace ter5::exchange {

namespace fs = std::filesystem;

namespace {

// The extension of table files.
constexpr char kTableExtension[] = ".db";

// The table files of a directory, by name.
std::vector<fs::path> TableFiles(const fs::path& dir) {
    std::vector<fs::path> tables;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && engine::EqualsNoCase(engine::PathToUtf8(it->path().extension()), kTableExtension))
            tables.push_back(it->path());
    std::sort(tables.begin(), tables.end());
    return tables;
}

}  // namespace

ParadoxDataset::ParadoxDataset(const fs::path& path, bool isDirectory, const ParadoxOpenOptions& options) {
    SetDescription(engine::PathToUtf8(path).c_str());
    if (isDirectory)
        OpenDirectory(path, options);
    else
        AddTable(engine::PathToUtf8(path.stem()), path, options);
}

ParadoxDataset::~ParadoxDataset() = default;

void ParadoxDataset::AddTable(const std::string& name, const fs::path& path, const ParadoxOpenOptions& options) {
    auto layer = std::make_unique<TableLayer>(name, path, options.CodePage, options.BcdAsText);
    for (const std::string& note : layer->Notes())
        CPLError(CE_Warning, CPLE_AppDefined, "%s: %s", engine::PathToUtf8(path).c_str(), note.c_str());
    layers_.push_back(std::move(layer));
}

void ParadoxDataset::OpenDirectory(const fs::path& dir, const ParadoxOpenOptions& options) {
    const std::vector<fs::path> tables = TableFiles(dir);
    std::string firstError;
    std::vector<std::string> opened;  // the file names, lower case
    for (const fs::path& table : tables) {
        try {
            std::string name = engine::PathToUtf8(table.stem());
            // A table named like a geometry layer keeps its extension in the layer name.
            for (const ExportLayer kind : {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Sides})
                if (engine::EqualsNoCase(name, LayerName(kind))) name = engine::PathToUtf8(table.filename());
            AddTable(name, table, options);
            opened.push_back(engine::PathToUtf8(table.filename()));
        } catch (const std::exception& e) {
            // The others are still offered: the user learns which one is left out and why.
            if (firstError.empty()) firstError = e.what();
            CPLError(CE_Warning, CPLE_OpenFailed, "%s; the table is left out", e.what());
        }
    }
    if (layers_.empty()) {
        if (firstError.empty()) engine::Fail(engine::PathToUtf8(dir), "holds no Paradox table");
        throw engine::EngineError(firstError);
    }

    // A base: its three tables all opened (and are held while the dataset lives).
    const auto has = [&](const char* table) {
        return std::any_of(opened.begin(), opened.end(), [&](const std::string& f) { return engine::EqualsNoCase(f, table); });
    };
    if (!has(base::kOwnerTableFile) || !has(base::kParcelTableFile) || !has(base::kVertexTableFile)) return;
    std::unique_ptr<OGRSpatialReference> srs;
    try {
        srs = ParseCrs(options.Crs);
    } catch (const std::exception& e) {
        engine::Fail("open option CRS", e.what());
    }
    const auto geometry = std::make_shared<BaseGeometry>(dir, options.CodePage);
    // The geometry layers come first, as a GIS program lists them.
    const ExportLayer kinds[] = {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Sides};
    for (std::size_t k = 0; k < std::size(kinds); ++k)
        layers_.insert(layers_.begin() + static_cast<std::ptrdiff_t>(k),
                       std::make_unique<BaseLayer>(kinds[k], geometry, srs.get()));
}

OGRLayer* ParadoxDataset::GetLayer(int index) {
    if (index < 0 || index >= GetLayerCount()) return nullptr;
    return layers_[static_cast<std::size_t>(index)].get();
}

int ParadoxDataset::TestCapability(const char*) { return FALSE; }

}  // namespace ter5::exchange
