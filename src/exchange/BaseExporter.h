#pragma once
// The GIS export of a base: reads the base's tables, builds the parcels' polygons as the
// map model closes their rings, and writes the layers asked for through GDAL into one
// file (GeoPackage, KML, DXF) or one file per layer (Shapefile, GeoJSON, CSV: the first
// layer under the name given, each further one as <stem>_<layer>). Everything is written
// into a staging folder first and moved into place at the end, so that a failure leaves
// no partial output and files of the same names as they were.

#include "exchange/ExportOptions.h"

namespace ter5::exchange {

// Exports options.Base as options says. An output name without an extension gets the
// format's. Throws ExportError naming the base or the file for: a directory that is no
// base; no vertex to export while a layer with geometry is asked for; an unknown format
// or reference system; KML without a reference system; a file that cannot be written
// (with GDAL's message). engine::EngineError comes through for damaged tables.
ExportSummary ExportBase(const ExportOptions& options, const ExportProgress& progress = {});

}  // namespace ter5::exchange
