#include "exchange/BaseExporter.h"

#include <algorithm>
#include <memory>

#include <gdal_priv.h>

#include "base/DemoBase.h"
#include "engine/FileUtil.h"
#include "exchange/BaseExportData.h"
#include "exchange/ExportFormat.h"
#include "exchange/ExportLayers.h"
#include "exchange/FieldNames.h"
#include "exchange/GdalSupport.h"
#include "exchange/LayerWriter.h"
#include "exchange/StagedOutput.h"

namespace ter5::exchange {

namespace {

// Share of the progress strip taken by reading the base; the layers share the rest by
// their sizes.
constexpr double kReadShare = 0.2;
// Name of the one OGR layer of a DXF file.
constexpr const char* kCadEntitiesLayer = "entities";

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The datasets of one export, each created on first use in the staging folder.
class OutputDatasets {
public:
    OutputDatasets(const ExportFormat& format, const StagedOutput& staged, const GdalErrorTrap& errors)
        : format_(format), staged_(staged), errors_(errors) {
        driver_ = GetGDALDriverManager()->GetDriverByName(format.Driver.c_str());
        if (!driver_) FailExport("", "GDAL has no driver '" + format.Driver + "'");
    }

    GDALDataset& Open(const std::string& fileName) {
        for (auto& [name, dataset] : open_)
            if (name == fileName) return *dataset;
        std::vector<const char*> options;
        for (const std::string& option : format_.DatasetOptions) options.push_back(option.c_str());
        options.push_back(nullptr);
        const std::string path = staged_.Stage(fileName).string();
        GDALDataset* dataset =
            driver_->Create(path.c_str(), 0, 0, 0, GDT_Unknown, const_cast<char**>(options.data()));
        if (!dataset) errors_.Fail((staged_.Folder() / fileName).string(), "cannot create the file");
        open_.emplace_back(fileName, GDALDatasetUniquePtr(dataset));
        return *dataset;
    }

    // Closes every dataset, which writes what the drivers keep back; ExportError when
    // GDAL reports an error meanwhile.
    void CloseAll(GdalErrorTrap& errors) {
        for (auto& [name, dataset] : open_) {
            errors.Clear();
            dataset.reset();
            if (!errors.LastError().empty()) errors.Fail((staged_.Folder() / name).string(), "cannot complete the file");
        }
        open_.clear();
    }

private:
    const ExportFormat& format_;
    const StagedOutput& staged_;
    const GdalErrorTrap& errors_;
    GDALDriver* driver_ = nullptr;
    std::vector<std::pair<std::string, GDALDatasetUniquePtr>> open_;
};

// The file a layer goes to: the output itself, or <stem>_<layer> beside it for a format
// of one file per layer.
std::string LayerFileName(const std::filesystem::path& output, const ExportFormat& format, ExportLayer layer,
                          bool first) {
    if (!format.OneFilePerLayer || first) return output.filename().string();
    return output.stem().string() + "_" + LayerName(layer) + output.extension().string();
}

// Refuses a file that would sit in the base's folder under the name of one of its tables
// (ter.gpkg beside ter.db): the table engine takes every "<table>.*" file there for one of
// the table's own, and a table file itself would be replaced.
void CheckBesideTables(const std::filesystem::path& base, const std::filesystem::path& folder,
                       const std::string& fileName) {
    std::error_code ec;
    if (!std::filesystem::equivalent(base, folder, ec)) return;
    const std::string stem = std::filesystem::path(fileName).stem().string();
    for (const char* table : {base::kOwnerTableFile, base::kParcelTableFile, base::kVertexTableFile}) {
        if (engine::EqualsNoCase(stem, std::filesystem::path(table).stem().string()))
            FailExport((folder / fileName).string(),
                       "a file named like the base's table " + std::string(table) + " cannot be written beside it");
    }
}

// Every layer must have reached a file: a driver may write something else under the
// name (GDAL's CSV driver makes a folder of a name without ".csv"), and an export
// reporting features it did not write would be a lie.
void CheckLayersWritten(const StagedOutput& staged, const std::vector<LayerSummary>& layers, const ExportFormat& format) {
    for (const LayerSummary& layer : layers) {
        if (staged.HoldsFile(layer.File.stem())) continue;
        const std::string name = layer.File.filename().string();
        FailExport(layer.File.string(),
                   "GDAL's " + format.Driver + " driver wrote no file of this name for the layer " + layer.Layer +
                       (staged.HoldsFolder(name) ? " (it made a folder of it: name the file with the extension " +
                                                       format.Extension + ")"
                                                 : std::string()) +
                       "; nothing was written");
    }
}

void AddNotes(ExportSummary& summary, const ExportFormat& format, const BaseExportData& data,
              const LayerStats& stats, std::size_t textsCut, bool crsGiven) {
    auto& notes = summary.Notes;
    if (!crsGiven)
        notes.push_back("no reference system given: the layers carry none; x is the survey Y (east) and y the "
                        "survey X (north), in metres");
    if (!format.Attributes) notes.push_back(format.Title + " keeps the geometry and the layer names only, no attributes");
    if (data.LooseVertices > 0)
        notes.push_back(Count(data.LooseVertices, "vertex row belongs", "vertex rows belong") +
                        " to no parcel and " + (data.LooseVertices == 1 ? "is" : "are") + " not exported");
    if (stats.Unclosed > 0)
        notes.push_back(Count(stats.Unclosed, "parcel ends", "parcels end") +
                        " in an open ring, closed for the polygon and marked Unclosed");
    if (stats.LeftOutRings > 0)
        notes.push_back(Count(stats.LeftOutRings, "ring has", "rings have") +
                        " fewer than 3 corners and bound no area: left out of the polygons");
    if (stats.WithoutGeometry > 0)
        notes.push_back(Count(stats.WithoutGeometry, "parcel has", "parcels have") + " no polygon");
    if (textsCut > 0)
        notes.push_back(Count(textsCut, "text was", "texts were") + " longer than " +
                        std::to_string(format.MaxTextBytes) + " bytes and cut (the limit of " + format.Title + ")");
    if (stats.SkippedFields > 0)
        notes.push_back(Count(stats.SkippedFields, "binary field", "binary fields") + " of the owner table not exported");
}

}  // namespace

ExportSummary ExportBase(const ExportOptions& options, const ExportProgress& progress) {
    RegisterGdal();
    GdalErrorTrap errors;
    const ExportFormat format = ResolveExportFormat(options.Output, options.Format);
    std::filesystem::path output = options.Output;
    if (!output.has_extension() && !format.Extension.empty()) output += format.Extension;
    const std::unique_ptr<OGRSpatialReference> srs = ParseCrs(options.Crs);
    if (format.NeedsCrs && !srs)
        FailExport(output.string(), format.Title + " holds longitude and latitude: the reference system of the "
                                                   "base's coordinates is needed");

    ExportSummary summary;
    summary.Driver = format.Driver;
    std::vector<ExportLayer> layers;
    for (const ExportLayer layer : options.Layers) {
        if (layer == ExportLayer::Owners && !format.PlainTables) {
            summary.Notes.push_back(format.Title + " carries no table without geometry: the owners are left out");
            continue;
        }
        layers.push_back(layer);
    }
    if (layers.empty()) FailExport(output.string(), format.Title + " carries none of the layers asked for");

    const auto report = [&](double upper, double lower) {
        if (progress) progress(std::clamp(upper, 0.0, 1.0), std::clamp(lower, 0.0, 1.0));
    };
    BaseExportData data = ReadBaseForExport(options.Base, options.CurrentOnly,
                                            [&](double upper, double) { report(upper * kReadShare, 0.0); });
    const bool withGeometry = std::any_of(layers.begin(), layers.end(), [](ExportLayer l) { return l != ExportLayer::Owners; });
    if (withGeometry && data.Objects.Polys.empty()) {
        FailExport(options.Base.string(), options.CurrentOnly
                                              ? "parcel " + std::to_string(*options.CurrentOnly) + " has no vertices"
                                              : "the base has no parcel vertices; there is nothing to export");
    }

    // Durability comes from the commit's flush, so SQLite need not sync on the way.
    const ScopedGdalConfig noSync("OGR_SQLITE_SYNCHRONOUS", "OFF");

    const std::filesystem::path folder = output.parent_path().empty() ? "." : output.parent_path();
    for (std::size_t k = 0; k < layers.size(); ++k) {
        const std::string fileName = LayerFileName(output, format, layers[k], k == 0);
        RefuseEngineFile(folder / fileName);
        CheckBesideTables(options.Base, folder, fileName);
    }

    StagedOutput staged(output);
    OutputDatasets datasets(format, staged, errors);
    std::size_t totalSize = 0;
    for (const ExportLayer layer : layers) totalSize += std::max<std::size_t>(LayerSize(layer, data), 1);
    std::size_t doneSize = 0;
    LayerStats stats;
    std::size_t textsCut = 0;
    std::unique_ptr<LayerWriter> cadWriter;
    for (std::size_t k = 0; k < layers.size(); ++k) {
        const ExportLayer layer = layers[k];
        const std::string fileName = LayerFileName(output, format, layer, k == 0);
        const std::string filePath = (staged.Folder() / fileName).string();
        GDALDataset& dataset = datasets.Open(fileName);
        std::unique_ptr<LayerWriter> ownWriter;
        LayerWriter* writer = nullptr;
        if (format.OneCadLayer) {
            if (!cadWriter)
                cadWriter = std::make_unique<LayerWriter>(dataset, format, kCadEntitiesLayer, wkbUnknown, srs.get(),
                                                          std::vector<FieldSpec>{}, errors, filePath);
            writer = cadWriter.get();
            writer->SetCadLayer(LayerName(layer));
        } else {
            const OGRSpatialReference* layerSrs = layer == ExportLayer::Owners ? nullptr : srs.get();
            const bool detail = layer == ExportLayer::Vertices || layer == ExportLayer::Sides;
            ownWriter = std::make_unique<LayerWriter>(
                dataset, format, LayerName(layer), LayerGeometryType(layer, format), layerSrs,
                LayerFields(layer, data), errors, filePath,
                detail ? format.DetailLayerOptions : std::vector<std::string>{});
            writer = ownWriter.get();
        }
        const std::size_t before = writer->Written();
        const std::size_t size = std::max<std::size_t>(LayerSize(layer, data), 1);
        WriteLayerFeatures(layer, *writer, data, format, [&](double fraction) {
            const double written = static_cast<double>(doneSize) + fraction * static_cast<double>(size);
            report(kReadShare + (1.0 - kReadShare) * written / static_cast<double>(totalSize), fraction);
        }, stats);
        doneSize += size;
        if (ownWriter) {
            ownWriter->Finish();
            textsCut += ownWriter->TextsCut();
        }
        summary.Layers.push_back({LayerName(layer), staged.Folder() / fileName, writer->Written() - before});
    }
    if (cadWriter) cadWriter->Finish();
    cadWriter.reset();
    datasets.CloseAll(errors);
    CheckLayersWritten(staged, summary.Layers, format);
    summary.Files = staged.Commit();
    // A layer without geometry may have gone to another file of its stem (Shapefile: .dbf).
    for (LayerSummary& layer : summary.Layers) {
        if (std::find(summary.Files.begin(), summary.Files.end(), layer.File) != summary.Files.end()) continue;
        for (const std::filesystem::path& file : summary.Files)
            if (file.stem() == layer.File.stem()) layer.File = file;
    }

    AddNotes(summary, format, data, stats, textsCut, srs != nullptr);
    for (const std::string& warning : errors.Warnings()) summary.Notes.push_back("GDAL: " + warning);
    report(1.0, 1.0);
    return summary;
}

}  // namespace ter5::exchange
