#pragma once
// Per-vertex listing of the map model as CSV, one row per vertex with its parcel's
// figures repeated, for command-line inspection and comparison.

#include <functional>
#include <ostream>
#include <string>

#include "map/MapObjects.h"

namespace ter5::map {

// Turns a real into its text for one CSV cell.
using NumberToText = std::function<std::string(double)>;

// The header line's columns, comma-separated, without a line end.
inline constexpr const char* kGeometryCsvHeader =
    "Code,Area,Perimeter,MinY,MaxY,MinX,MaxX,CenterY,CenterX,Index,Number,Y,X,Length,Bearing,Angle";

// Writes the header line (when writeHeader) and then, for every parcel in model order, one
// line per vertex: the parcel's Code and figures, the vertex's Index from 0 within the
// parcel, and its Number, Y, X, Length, Bearing and Angle. Reals go through numberText;
// a cell holding a comma, quote or line break is quoted. Lines end with "\n".
void WriteGeometryCsv(std::ostream& out, const TArrObjects& objects, const NumberToText& numberText,
                      bool writeHeader = true);

}  // namespace ter5::map
