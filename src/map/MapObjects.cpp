#include "map/MapObjects.h"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "map/Angles.h"

namespace ter5::map {

namespace {

// Folds a value into a lower bound where exactly 0 means "not yet set".
void FoldMin(double& bound, double value) {
    if (bound > value || bound == 0.0) bound = value;
}

// Folds a value into an upper bound where exactly 0 means "not yet set".
void FoldMax(double& bound, double value) {
    if (bound < value || bound == 0.0) bound = value;
}

// Centre of a box along one axis, m.
double Middle(double min, double max) { return (max - min) / 2.0 + min; }

// A full turn, degrees.
constexpr double kFullTurn = 360.0;

// Right-hand angle at a vertex, degrees [0, 360).
double RightHandAngle(const TArrPoint& next, const TArrPoint& at, const TArrPoint& prev) {
    const double angle = VertexAngle(next.Position(), at.Position(), prev.Position());
    return angle < 0.0 ? angle + kFullTurn : angle;
}

TArrPoly& PolyAt(TArrObjects& objects, std::size_t polyIndex) {
    if (polyIndex >= objects.Polys.size()) {
        throw std::out_of_range("map model: no parcel at index " + std::to_string(polyIndex));
    }
    return objects.Polys[polyIndex];
}

}  // namespace

void TArrObjects::Clear() {
    Polys.clear();
    PointStore.clear();
    SharedSideCache.reset();
    MaxY = MaxX = MinY = MinX = 0.0;
    CenterY = Middle(MinY, MaxY);
    CenterX = Middle(MinX, MaxX);
}

std::size_t AddPoly(TArrObjects& objects, std::int32_t code, std::string house) {
    TArrPoly poly;
    poly.Code = code;
    poly.House = std::move(house);
    poly.FirstPoint = objects.PointStore.size();
    objects.Polys.push_back(std::move(poly));
    objects.SharedSideCache.reset();
    return objects.Polys.size() - 1;
}

void AddPolyPoint(TArrObjects& objects, std::size_t polyIndex, std::int32_t vertexCode,
                  double putNumber, double number, double y, double x, double /*z*/) {
    TArrPoly& poly = PolyAt(objects, polyIndex);
    TArrPoint point;
    point.Code = vertexCode;
    point.PutNumber = putNumber;
    point.Number = number;
    point.Y = y;
    point.X = x;
    const std::size_t end = poly.FirstPoint + poly.PointCount;
    if (end == objects.PointStore.size()) {
        objects.PointStore.push_back(point);
    } else {
        objects.PointStore.insert(objects.PointStore.begin() + static_cast<std::ptrdiff_t>(end), point);
        for (std::size_t i = polyIndex + 1; i < objects.Polys.size(); ++i) ++objects.Polys[i].FirstPoint;
    }
    ++poly.PointCount;
    objects.SharedSideCache.reset();
}

void FindRings(std::span<const TArrPoint> points, std::vector<RingRange>& rings) {
    rings.clear();
    RingTracker tracker;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (tracker.Step(points[i].Position())) {
            rings.push_back({begin, i + 1});
            begin = i + 1;
        }
    }
    if (begin < points.size()) rings.push_back({begin, points.size()});
}

void CalcPolyGeometry(TArrObjects& objects, std::size_t polyIndex) {
    CalcPolyShape(objects, polyIndex);
    FoldPolyBox(objects, polyIndex);
}

void CalcPolyShape(TArrObjects& objects, std::size_t polyIndex) {
    TArrPoly& poly = PolyAt(objects, polyIndex);
    const std::span<TArrPoint> p = objects.Points(poly);

    double minY = 0.0, minX = 0.0, maxY = 0.0, maxX = 0.0;  // m
    double areaSum = 0.0;    // twice the signed area, m^2
    double perimeter = 0.0;  // m
    std::size_t ringStart = 0;
    RingTracker ring;

    for (std::size_t i = 0; i < p.size(); ++i) {
        FoldMin(minY, p[i].Y);
        FoldMin(minX, p[i].X);
        FoldMax(maxY, p[i].Y);
        FoldMax(maxX, p[i].X);

        if (i > 0 && ring.RingOpen()) perimeter += Distance(p[i - 1].Position(), p[i].Position());

        const int seen = ring.Count();  // ring vertices before this one
        if (seen > 0) {
            p[i].Length = Distance(p[i - 1].Position(), p[i].Position());
            p[i - 1].Bearing = DirectionAngle(p[i - 1].Position(), p[i].Position());
        }
        if (seen > 1) {
            p[i - 1].Angle = RightHandAngle(p[i], p[i - 1], p[i - 2]);
            areaSum += (p[i].X - p[i - 2].X) * p[i - 1].Y;  // shoelace term of vertex i-1
        }

        if (ring.Step(p[i].Position())) {
            // The closing vertex repeats the ring's first one: it carries the first side's
            // bearing, and both carry the angle between the last and the first side.
            p[i].Bearing = p[ringStart].Bearing;
            const double closingAngle = RightHandAngle(p[ringStart + 1], p[i], p[i - 1]);
            p[i].Angle = closingAngle;
            p[ringStart].Angle = closingAngle;
            areaSum += (p[ringStart + 1].X - p[i - 1].X) * p[i].Y;  // shoelace term of the first vertex
            ringStart = i + 1;
        }
    }

    poly.Area = p.size() >= 2 ? std::fabs(areaSum / 2.0) : areaSum;
    poly.Perimeter = perimeter;
    poly.MinY = minY;
    poly.MinX = minX;
    poly.MaxY = maxY;
    poly.MaxX = maxX;
    poly.CenterY = Middle(minY, maxY);
    poly.CenterX = Middle(minX, maxX);
}

void FoldPolyBox(TArrObjects& objects, std::size_t polyIndex) {
    const TArrPoly& poly = PolyAt(objects, polyIndex);
    objects.SharedSideCache.reset();
    // Overall box: an exact 0 is "not set" and takes the parcel's value.
    objects.MinY = objects.MinY == 0.0 ? poly.MinY : std::fmin(objects.MinY, poly.MinY);
    objects.MinX = objects.MinX == 0.0 ? poly.MinX : std::fmin(objects.MinX, poly.MinX);
    objects.MaxY = objects.MaxY == 0.0 ? poly.MaxY : std::fmax(objects.MaxY, poly.MaxY);
    objects.MaxX = objects.MaxX == 0.0 ? poly.MaxX : std::fmax(objects.MaxX, poly.MaxX);
    objects.CenterY = Middle(objects.MinY, objects.MaxY);
    objects.CenterX = Middle(objects.MinX, objects.MaxX);
}

}  // namespace ter5::map
