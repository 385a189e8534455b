// `ter5tool export BASE -o FILE [--format NAME] [--layers LIST] [--crs CRS]
// [--current-only CODE]`: writes the parcels, vertices, sides and owners of a base as GIS
// layers through GDAL, the format by the file's extension unless --format names a GDAL
// driver. Prints each layer's file and feature count, then what the user should know
// (no reference system, open rings …) as notes on stderr. A build without GDAL says so.

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#ifdef TER5_HAVE_EXCHANGE
#include "exchange/BaseExporter.h"
#endif

namespace ter5::tool {
namespace {

using engine::Fail;

constexpr const char* kUsage =
    "BASE -o FILE [--format NAME] [--layers parcels,vertices,sides,owners] [--crs EPSG:n|PROJ|WKT] "
    "[--current-only CODE]  export to GIS: .gpkg, .shp, .dxf, .geojson, .kml, .csv";

#ifdef TER5_HAVE_EXCHANGE

exchange::ExportOptions ParseArgs(const std::vector<std::string>& args) {
    exchange::ExportOptions options;
    bool haveBase = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) Fail("", a + " needs a value");
            return args[++i];
        };
        if (a == "-o" || a == "--output") {
            options.Output = value();
        } else if (a == "--format") {
            options.Format = value();
        } else if (a == "--layers") {
            options.Layers = exchange::ParseLayerList(value());
        } else if (a == "--crs") {
            options.Crs = value();
        } else if (a == "--current-only") {
            const std::string& text = value();
            std::int32_t code = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
            if (ec != std::errc() || end != text.data() + text.size())
                Fail("", "--current-only needs a parcel Code, not '" + text + "'");
            options.CurrentOnly = code;
        } else if (a.starts_with("-")) {
            Fail("", "unknown option '" + a + "'");
        } else if (!haveBase) {
            options.Base = a;
            haveBase = true;
        } else {
            Fail("", "one base directory only, got more than one");
        }
    }
    if (!haveBase || options.Output.empty()) Fail("", std::string("usage: export ") + kUsage);
    return options;
}

int RunExport(const std::vector<std::string>& args) {
    const exchange::ExportOptions options = ParseArgs(args);
    const exchange::ExportSummary summary = exchange::ExportBase(options);
    for (const exchange::LayerSummary& layer : summary.Layers)
        std::printf("%s: %s, %zu features\n", engine::PathToUtf8(layer.File).c_str(), layer.Layer.c_str(), layer.Features);
    for (const std::string& note : summary.Notes) std::fprintf(stderr, "note: %s\n", note.c_str());
    return 0;
}

#else

int RunExport(const std::vector<std::string>&) {
    std::fprintf(stderr, "ter5tool export: this build has no GIS export (GDAL was not found when it was built)\n");
    return 2;
}

#endif

const CommandRegistration kExport("export", kUsage, RunExport);

}  // namespace
}  // namespace ter5::tool
