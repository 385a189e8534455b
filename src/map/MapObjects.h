#pragma once
// In-memory parcel geometry: every parcel's outline with its derived boxes, areas,
// perimeters, side lengths, bearings and vertex angles. Coordinates are survey metres
// (Y east, X north); angles are degrees.
//
// All vertices of all parcels live in one flat array, parcel after parcel; a parcel holds
// the position and count of its run of vertices. A million vertices thus cost one
// TArrPoint each and nothing more.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "map/WorldPoint.h"

namespace ter5::map {

class SharedSides;

// Object kind of a closed parcel outline; the only kind the loader produces and the only
// one whose inside the hit test decides by counting boundary crossings.
inline constexpr std::uint8_t kKindClosedOutline = 4;

// One vertex of a parcel outline.
struct TArrPoint {
    std::int32_t Code = 0;   // the vertex row's own key
    double PutNumber = 0.0;  // sequence of the vertex along the outline
    double Number = 0.0;     // surveyed point number, shown as a point label
    double Y = 0.0;          // east, m
    double X = 0.0;          // north, m
    double Length = 0.0;     // m, from the previous vertex of the same ring; 0 at a ring's start
    double Bearing = 0.0;    // degrees [0, 360) of the side starting here; 0 where none is known
    double Angle = 0.0;      // degrees [0, 360), right-hand angle at the vertex; 0 where undefined

    WorldPoint Position() const { return {Y, X}; }
};

// One parcel: its vertices (a run of TArrObjects::PointStore) and derived figures.
struct TArrPoly {
    std::int32_t Code = 0;                 // the parcel's key in the parcel table
    std::string House;                     // the parcel number text as stored
    std::uint8_t Reserved = 0;             // always 0
    std::uint8_t Kind = kKindClosedOutline;
    std::size_t FirstPoint = 0;            // index of the first vertex in PointStore
    std::size_t PointCount = 0;            // number of vertices
    double Area = 0.0;                     // m^2
    double Perimeter = 0.0;                // m, sum of the sides of all rings
    double MaxY = 0.0, MaxX = 0.0;         // bounding box, upper corner, m
    double MinY = 0.0, MinX = 0.0;         // bounding box, lower corner, m
    double CenterY = 0.0, CenterX = 0.0;   // centre of the box, m
};

// The whole map model. A bound that holds exactly 0 counts as not yet set.
struct TArrObjects {
    std::vector<TArrPoly> Polys;        // one per parcel with at least one vertex, in load order
    std::vector<TArrPoint> PointStore;  // the vertices of all parcels, parcel after parcel
    double MaxY = 0.0, MaxX = 0.0;      // overall box over all parcels, m
    double MinY = 0.0, MinX = 0.0;
    double CenterY = 0.0, CenterX = 0.0;
    // The sides two parcels share, found on first use by SharedSidesOf (SharedSides.h) and
    // dropped by Clear, AddPoly, AddPolyPoint and CalcPolyGeometry/FoldPolyBox.
    mutable std::shared_ptr<const SharedSides> SharedSideCache;

    // The vertices of one parcel, in outline order.
    std::span<const TArrPoint> Points(const TArrPoly& poly) const {
        return {PointStore.data() + poly.FirstPoint, poly.PointCount};
    }
    std::span<TArrPoint> Points(const TArrPoly& poly) {
        return {PointStore.data() + poly.FirstPoint, poly.PointCount};
    }

    // Empties the model: no parcels, all bounds and the centre 0.
    void Clear();
};

// Appends an empty parcel record (kind 4, reserved byte 0) and returns its index.
std::size_t AddPoly(TArrObjects& objects, std::int32_t code, std::string house);

// Appends one vertex to parcel polyIndex with Length, Bearing and Angle 0; z is accepted
// and dropped. Appending to the last parcel is O(1); to an earlier one it shifts the
// vertices of the later parcels. Throws std::out_of_range for a bad index.
void AddPolyPoint(TArrObjects& objects, std::size_t polyIndex, std::int32_t vertexCode,
                  double putNumber, double number, double y, double x, double z);

// Computes the derived fields of parcel polyIndex (vertex lengths, bearings and angles;
// area, perimeter, box and centre) and folds its box into the overall box. Throws
// std::out_of_range for a bad index.
void CalcPolyGeometry(TArrObjects& objects, std::size_t polyIndex);

// CalcPolyGeometry in two halves: the parcel's own derived fields, which touch nothing
// but the parcel and its vertices (so several threads may compute different parcels at
// once), and the folding of its box into the overall box, which depends on the order
// the parcels are folded in (a bound that holds exactly 0 is "not set").
void CalcPolyShape(TArrObjects& objects, std::size_t polyIndex);
void FoldPolyBox(TArrObjects& objects, std::size_t polyIndex);

// Follows the rings of one parcel's vertex sequence. A ring starts at the parcel's first
// vertex or after a closing vertex; it is closed by the first later vertex equal (exactly)
// to its first one once the ring counts at least 3 vertices with it. A first vertex at
// exactly (0, 0) is taken as "no ring open", so the ring then starts at the next vertex.
class RingTracker {
public:
    // Ring vertices seen before the current one.
    int Count() const { return count_; }
    // True while a ring's first point is known.
    bool RingOpen() const { return !(first_.Y == 0.0 && first_.X == 0.0); }
    // Feeds the next vertex; true when it closes the current ring.
    bool Step(const WorldPoint& p) {
        ++count_;
        if (count_ > 2 && p == first_) {
            first_ = {};
            count_ = 0;
            return true;
        }
        if (!RingOpen()) first_ = p;
        return false;
    }

private:
    WorldPoint first_{};  // (0, 0): no ring open
    int count_ = 0;
};

// One ring of a parcel's points: the vertices [Begin, End) of its run.
struct RingRange {
    std::size_t Begin = 0;
    std::size_t End = 0;
};

// Splits a parcel's points into rings as the model closes them (RingTracker): a ring ends
// at its closing vertex; points left over at the end form one more, open ring. `rings` is
// emptied first.
void FindRings(std::span<const TArrPoint> points, std::vector<RingRange>& rings);

}  // namespace ter5::map
