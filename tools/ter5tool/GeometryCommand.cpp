// ter5tool geometry / pick: the parcel geometry model of a base, loaded as the
// program loads it (data module, parcel query, vertex detail table), as CSV, and
// the parcel hit test at a world point.
#include <cstdio>
#include <iostream>
#include <optional>

#include "Commands.h"
#include "base/BaseParcelSource.h"
#include "base/TDM.h"
#include "engine/EngineError.h"
#include "engine/ValueText.h"
#include "map/GeometryCsv.h"
#include "map/MapLoader.h"
#include "map/ParcelHitTest.h"

namespace ter5::tool {
namespace {

// Loads the model of `dir` through the data module; EngineError when it is no base.
map::TArrObjects LoadBase(const std::string& dir) {
    base::TDM dm;
    map::TArrObjects objects;
    bool loaded = false;
    dm.OpenBaseDirectory(dir, true, [&](bool) {
        base::BaseParcelSource source(dm);
        map::LoadMapObjects(objects, source, true);
        loaded = true;
    });
    dm.CloseBaseDataSets();
    if (!loaded) throw engine::EngineError(dir + ": not a base (ter.db, subter.db and poligon.db are needed)");
    return objects;
}

double ParseNumber(const std::string& text, const char* what) {
    const engine::Value v = engine::ParseValueText(engine::FieldType::Number, text);
    if (v.IsNull()) throw engine::EngineError(std::string("missing ") + what);
    return v.number;
}

int RunGeometry(const std::vector<std::string>& args) {
    std::string dir;
    std::optional<std::string> parcel;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--parcel") {
            if (i + 1 >= args.size()) throw engine::EngineError("--parcel needs a parcel code");
            parcel = args[++i];
        } else if (IsOption(args[i])) {
            throw engine::EngineError("unknown option '" + args[i] + "'");
        } else if (dir.empty()) {
            dir = args[i];
        } else {
            throw engine::EngineError("one base directory only, got more than one");
        }
    }
    if (dir.empty()) throw engine::EngineError("no base directory given (usage: geometry BASE [--parcel CODE])");
    map::TArrObjects objects = LoadBase(dir);
    if (parcel) {
        const auto code = static_cast<std::int32_t>(ParseNumber(*parcel, "parcel code"));
        map::TArrObjects one = objects;
        one.Polys.clear();
        for (const auto& poly : objects.Polys)
            if (poly.Code == code) one.Polys.push_back(poly);
        objects = std::move(one);
    }
    map::WriteGeometryCsv(std::cout, objects, [](double v) { return engine::FormatNumber(v); });
    return 0;
}

int RunPick(const std::vector<std::string>& args) {
    RejectOptions(args);
    if (args.size() != 3) throw engine::EngineError("pick takes a base directory and a world point Y X in metres");
    const map::TArrObjects objects = LoadBase(args[0]);
    const map::WorldPoint point{ParseNumber(args[1], "Y"), ParseNumber(args[2], "X")};
    const map::TPickResult hit = map::FindParcelAt(objects, point);
    std::cout << "Found,Code\n" << (hit.Found ? "true" : "false") << ',' << hit.Code << '\n';
    return 0;
}

const CommandRegistration kGeometry("geometry", "BASE [--parcel CODE]  the parcel geometry model as CSV, one row per vertex",
                                    RunGeometry,
                                    "The base's parcels as the map loads them, one row per vertex: the parcel's\n"
                                    "code, area, perimeter and extent, the vertex and its side's length, bearing\n"
                                    "and angle (metres, square metres, degrees).\n\n"
                                    "options:\n"
                                    "  --parcel CODE  only the parcel with this code\n");
const CommandRegistration kPick("pick", "BASE Y X  the parcel at a world point (Found,Code)", RunPick,
                                "Y and X are world coordinates in metres (Y east, X north), as the map's status\n"
                                "bar shows them. Prints \"Found,Code\" and one row: true and the parcel's code, or\n"
                                "false.\n");

}  // namespace
}  // namespace ter5::tool
