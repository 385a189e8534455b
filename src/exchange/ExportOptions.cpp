#include "exchange/ExportOptions.h"

#include <algorithm>

namespace ter5::exchange {

void FailExport(const std::string& file, const std::string& problem) {
    throw ExportError(file.empty() ? problem : file + ": " + problem);
}

std::vector<ExportLayer> DefaultLayers() { return {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Owners}; }

const char* LayerName(ExportLayer layer) {
    switch (layer) {
    case ExportLayer::Parcels: return "parcels";
    case ExportLayer::Vertices: return "vertices";
    case ExportLayer::Sides: return "sides";
    case ExportLayer::Owners: return "owners";
    }
    return "";
}

std::vector<ExportLayer> ParseLayerList(std::string_view list) {
    std::vector<bool> wanted(std::size(kAllLayers), false);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string_view name = list.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        const auto* found = std::find_if(std::begin(kAllLayers), std::end(kAllLayers),
                                         [&](ExportLayer layer) { return name == LayerName(layer); });
        if (found == std::end(kAllLayers))
            FailExport("", "unknown layer '" + std::string(name) + "' (layers: parcels, vertices, sides, owners)");
        wanted[static_cast<std::size_t>(found - std::begin(kAllLayers))] = true;
    }
    std::vector<ExportLayer> layers;
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (wanted[i]) layers.push_back(kAllLayers[i]);
    if (layers.empty()) FailExport("", "no layer named (layers: parcels, vertices, sides, owners)");
    return layers;
}

}  // namespace ter5::exchange
