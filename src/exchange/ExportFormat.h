#pragma once
// The GIS formats the export writes and what each of them keeps: whether its layers share
// one file, whether it carries plain tables, attributes and any reference system, and the
// limits of its field names and texts (doc/exchange.md has the table).

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace ter5::exchange {

struct ExportFormat {
    std::string Driver;           // GDAL's short name
    std::string Title;            // a name for people ("GeoPackage")
    std::string Extension;        // lower case, with the dot
    bool OneFilePerLayer = false; // Shapefile, GeoJSON, CSV: file, file_vertices …
    bool PlainTables = true;      // carries a layer without geometry (the owners)
    bool Attributes = true;       // false: DXF keeps geometry and the CAD layer name only
    bool OneCadLayer = false;     // DXF: every feature in one OGR layer, its CAD layer in "Layer"
    bool NeedsCrs = false;        // KML: coordinates are longitude and latitude on WGS 84
    bool Multipolygons = false;   // every parcel a multipolygon (GeoPackage's strict layer types)
    bool Transactions = false;    // write each layer in one transaction
    std::size_t MaxNameBytes = 0; // longest field name, bytes; 0: no limit
    std::size_t MaxTextBytes = 0; // longest text, bytes; 0: no limit
    std::vector<std::string> DatasetOptions;  // GDAL creation options, "KEY=VALUE"
    std::vector<std::string> LayerOptions;
    // Further options of the vertex and side layers, a million features in a district.
    std::vector<std::string> DetailLayerOptions;
};

// The extensions the export knows, each with its format: .gpkg, .shp, .dxf, .geojson,
// .json, .kml, .csv.
std::vector<std::string> KnownExtensions();

// The format for writing `output`: the GDAL driver `format` names (its short name, any
// case, or one of gpkg, shp, shapefile, dxf, geojson, kml, csv) or, when `format` is
// empty, the one of output's extension. Throws ExportError for an unknown extension, a
// driver GDAL does not have and one that cannot write vector data.
ExportFormat ResolveExportFormat(const std::filesystem::path& output, const std::string& format);

}  // namespace ter5::exchange
