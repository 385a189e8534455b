#include "map/GeometryCsv.h"

#include <sstream>
#include <string_view>

namespace ter5::map {

namespace {

// Writes one cell, quoted (inner quotes doubled) when it holds a separator or line break.
void WriteCell(std::ostream& out, std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        out << cell;
        return;
    }
    out << '"';
    for (char c : cell) {
        if (c == '"') out << '"';
        out << c;
    }
    out << '"';
}

}  // namespace

void WriteGeometryCsv(std::ostream& out, const TArrObjects& objects, const NumberToText& numberText,
                      bool writeHeader) {
    if (writeHeader) out << kGeometryCsvHeader << '\n';
    for (const TArrPoly& poly : objects.Polys) {
        // The parcel's columns are the same on each of its rows; build them once.
        std::string prefix = std::to_string(poly.Code);
        for (double figure : {poly.Area, poly.Perimeter, poly.MinY, poly.MaxY, poly.MinX, poly.MaxX, poly.CenterY,
                              poly.CenterX}) {
            std::ostringstream cell;
            WriteCell(cell, numberText(figure));
            prefix += ',' + cell.str();
        }
        std::size_t index = 0;
        for (const TArrPoint& point : objects.Points(poly)) {
            out << prefix << ',' << index++;
            for (double value : {point.Number, point.Y, point.X, point.Length, point.Bearing, point.Angle}) {
                out << ',';
                WriteCell(out, numberText(value));
            }
            out << '\n';
        }
    }
}

}  // namespace ter5::map
