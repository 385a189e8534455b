#include "exchange/ExportFormat.h"

#include <algorithm>
#include <cctype>

#include <gdal_priv.h>

#include "exchange/ExportOptions.h"
#include "exchange/FieldNames.h"
#include "exchange/GdalSupport.h"

namespace ter5::exchange {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

ExportFormat Named(const std::string& driver, const std::string& title, const std::string& extension) {
    ExportFormat format;
    format.Driver = driver;
    format.Title = title;
    format.Extension = extension;
    return format;
}

// The formats written with options of their own, each under the names that choose it.
struct KnownFormat {
    std::vector<std::string> Names;  // lower case: extensions and --format words
    ExportFormat Format;
};

const std::vector<KnownFormat>& KnownFormats() {
    static const std::vector<KnownFormat> formats = [] {
        std::vector<KnownFormat> list;
        ExportFormat gpkg = Named("GPKG", "GeoPackage", ".gpkg");
        gpkg.Multipolygons = true;
        gpkg.Transactions = true;
        // SQLite's R-tree takes 10 s for a district's million vertices, twice the rest of
        // the export: the vertex and side layers go without one (doc/exchange.md tells
        // how to add it); the parcels keep theirs.
        gpkg.DetailLayerOptions = {"SPATIAL_INDEX=NO"};
        list.push_back({{".gpkg", "gpkg", "geopackage"}, gpkg});

        ExportFormat shp = Named("ESRI Shapefile", "Shapefile", ".shp");
        shp.OneFilePerLayer = true;
        shp.MaxNameBytes = kDbfNameBytes;
        shp.MaxTextBytes = kDbfTextBytes;
        // UTF-8 text with a .cpg saying so; text fields are as wide as their longest text.
        shp.LayerOptions = {"ENCODING=UTF-8"};
        list.push_back({{".shp", "esri shapefile", "shp", "shapefile"}, shp});

        ExportFormat dxf = Named("DXF", "DXF", ".dxf");
        dxf.PlainTables = false;
        dxf.Attributes = false;
        dxf.OneCadLayer = true;
        list.push_back({{".dxf", "dxf"}, dxf});

        ExportFormat geojson = Named("GeoJSON", "GeoJSON", ".geojson");
        geojson.OneFilePerLayer = true;
        list.push_back({{".geojson", ".json", "geojson"}, geojson});

        ExportFormat kml = Named("KML", "KML", ".kml");
        kml.PlainTables = false;
        kml.NeedsCrs = true;
        list.push_back({{".kml", "kml"}, kml});

        ExportFormat csv = Named("CSV", "CSV", ".csv");
        csv.OneFilePerLayer = true;
        // Geometry as WKT; a .csvt with the column types; a byte-order mark for spreadsheets.
        csv.LayerOptions = {"GEOMETRY=AS_WKT", "CREATE_CSVT=YES", "WRITE_BOM=YES"};
        list.push_back({{".csv", "csv"}, csv});
        return list;
    }();
    return formats;
}

const ExportFormat* FindKnown(const std::string& name) {
    const std::string key = Lower(name);
    for (const KnownFormat& known : KnownFormats())
        if (std::find(known.Names.begin(), known.Names.end(), key) != known.Names.end()) return &known.Format;
    return nullptr;
}

std::string ExtensionList() {
    std::string list;
    for (const std::string& ext : KnownExtensions()) list += (list.empty() ? "" : ", ") + ext;
    return list;
}

// Any other GDAL vector driver, with what its metadata tells.
ExportFormat FromDriver(const std::string& name) {
    RegisterGdal();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name.c_str());
    if (!driver) FailExport("", "unknown format '" + name + "': GDAL has no driver of that name");
    const auto has = [&](const char* item) { return CPLFetchBool(driver->GetMetadata(), item, false); };
    if (!has(GDAL_DCAP_VECTOR) || !(has(GDAL_DCAP_CREATE)))
        FailExport("", "GDAL's driver '" + name + "' cannot write vector data");
    ExportFormat format = Named(driver->GetDescription(), driver->GetDescription(), "");
    if (const char* ext = driver->GetMetadataItem(GDAL_DMD_EXTENSION)) format.Extension = std::string(".") + ext;
    format.OneFilePerLayer = !has(GDAL_DCAP_MULTIPLE_VECTOR_LAYERS);
    format.PlainTables = has(GDAL_DCAP_NONSPATIAL);
    format.Multipolygons = true;
    format.Transactions = true;
    return format;
}

}  // namespace

std::vector<std::string> KnownExtensions() {
    std::vector<std::string> extensions;
    for (const KnownFormat& known : KnownFormats())
        for (const std::string& name : known.Names)
            if (name.starts_with(".")) extensions.push_back(name);
    return extensions;
}

ExportFormat ResolveExportFormat(const std::filesystem::path& output, const std::string& format) {
    if (!format.empty()) {
        if (const ExportFormat* known = FindKnown(format)) return *known;
        return FromDriver(format);
    }
    const std::string ext = Lower(output.extension().string());
    if (const ExportFormat* known = ext.empty() ? nullptr : FindKnown(ext)) return *known;
    FailExport(output.string(), ext.empty() ? "no extension to tell the format by; use " + ExtensionList() +
                                                  " or --format with a GDAL driver name"
                                            : "unknown format '" + ext + "'; use " + ExtensionList() +
                                                  " or --format with a GDAL driver name");
}

}  // namespace ter5::exchange
