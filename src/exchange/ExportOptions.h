#pragma once
// What a GIS export of a base writes and where: the layers, the output file and its
// format, the reference system the coordinates are given in, and what the export
// reports back.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::exchange {

// The one exception type of the export. Messages name the file and the problem; errors
// of GDAL carry GDAL's own message.
class ExportError : public std::runtime_error {
public:
    explicit ExportError(const std::string& message) : std::runtime_error(message) {}
};

// Throws ExportError("<file>: <problem>").
[[noreturn]] void FailExport(const std::string& file, const std::string& problem);

// The layers an export can write.
enum class ExportLayer {
    Parcels,   // one polygon or multipolygon per parcel with vertices
    Vertices,  // one 3-D point per vertex row
    Sides,     // one line per side, each shared side once
    Owners,    // the owner table, without geometry
};

// Every layer in the order they are written.
inline constexpr ExportLayer kAllLayers[] = {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Sides,
                                             ExportLayer::Owners};

// The layers written when none are named: parcels, vertices and owners.
std::vector<ExportLayer> DefaultLayers();

// The layer's name in files and on the command line: "parcels", "vertices", "sides", "owners".
const char* LayerName(ExportLayer layer);

// Parses a comma-separated list of layer names ("parcels,owners"); the result keeps the
// order of kAllLayers and names each layer once. Throws ExportError for an empty list or
// an unknown name.
std::vector<ExportLayer> ParseLayerList(std::string_view list);

struct ExportOptions {
    std::filesystem::path Base;    // the base directory
    std::filesystem::path Output;  // the file to write
    // A GDAL driver name ("GPKG", "ESRI Shapefile" …); empty: chosen by Output's extension.
    std::string Format;
    std::vector<ExportLayer> Layers = DefaultLayers();
    // The reference system of the survey coordinates: "EPSG:n", a PROJ string or WKT;
    // empty: the layers carry none.
    std::string Crs;
    // Export only the parcel with this Code (its vertices, sides and owners).
    std::optional<std::int32_t> CurrentOnly;
};

// One file or layer written.
struct LayerSummary {
    std::string Layer;                // "parcels" …
    std::filesystem::path File;       // the file holding it
    std::size_t Features = 0;
};

struct ExportSummary {
    std::string Driver;                   // the GDAL driver used
    std::vector<LayerSummary> Layers;     // in the order written
    std::vector<std::filesystem::path> Files;  // every file written, sidecars included
    std::vector<std::string> Notes;       // what the user should know (no reference system …)
};

// Progress report: upper fraction for the whole export, lower for the layer being
// written, both in [0, 1].
using ExportProgress = std::function<void(double upper, double lower)>;

}  // namespace ter5::exchange
