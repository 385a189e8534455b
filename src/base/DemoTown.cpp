#include "base/DemoTown.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/DemoNames.h"
#include "base/DemoRandom.h"

namespace ter5::base {
namespace {

// Placement of the local grid: its origin in survey coordinates (m) and its turn.
constexpr double kOriginX = 5'403'120.0;
constexpr double kOriginY = 1'296'480.0;
constexpr double kMinTurnDegrees = 4.0;
constexpr double kMaxTurnDegrees = 20.0;
// Coordinates and elevations are kept to 1/kPerMetre of a metre (centimetres).
constexpr double kPerMetre = 100.0;

// Streets, lanes and quarters, in metres; "length" runs along the street.
constexpr double kStreetWidth = 20.0;
constexpr double kLaneWidth = 15.0;
constexpr double kMinQuarterLength = 220.0;
constexpr double kMaxQuarterLength = 320.0;
constexpr double kMinRowDepth = 30.0;
constexpr double kMaxRowDepth = 45.0;
constexpr int kMinPlotsPerRow = 8;
constexpr int kMaxPlotsPerRow = 14;
// Plot widths in a row differ from their mean by up to this share of it.
constexpr double kWidthSpread = 0.25;
// Side boundaries of the two rows ending closer than this (m) meet in one back point.
constexpr double kSnapDistance = 1.5;
// Extra points on the back line keep at least this distance (m) from each other.
constexpr double kMinBackGap = 2.5;

// Intermediate points of each boundary and how far (m) they stray from the straight line.
constexpr int kMinSidePoints = 3;
constexpr int kMaxSidePoints = 8;
constexpr int kMinFrontPoints = 1;
constexpr int kMaxFrontPoints = 4;
constexpr int kMaxBackExtras = 2;  // per stretch of back line between two corners
constexpr double kSideJitter = 0.4;
constexpr double kFrontJitter = 0.2;
constexpr double kBackJitter = 0.3;

// Terrain: a gentle slope to the north with a long wave over it (m).
constexpr double kBaseElevation = 28.0;
constexpr double kElevationSlope = 0.002;
constexpr double kElevationWave = 1.5;
constexpr double kWaveLength = 600.0;

// Enclaves (a small parcel inside a plot): distance from the plot's sides and from
// its front and back lines, and the size range of each side (m).
constexpr double kEnclaveSideGap = 4.0;
constexpr double kEnclaveFrontGap = 8.0;
constexpr double kMinEnclaveSide = 4.0;
constexpr double kMaxEnclaveSide = 7.0;

// Shares of parcels with each peculiarity.
constexpr double kUnsurveyedShare = 0.02;  // registered without vertices
constexpr double kEnclaveShare = 0.02;     // holding an enclave
constexpr double kTwoPlotShare = 0.015;    // made of two plots with another one between
constexpr double kOkShare = 0.65;
constexpr double kFlagShare = 0.08;
constexpr double kRegisteredShare = 0.9;  // with a cadastral number
// Documented area range of parcels without vertices (m²).
constexpr double kMinUnsurveyedArea = 400.0;
constexpr double kMaxUnsurveyedArea = 1500.0;

// Owners: shares of parcels with 0, 1, 2, … owners, and of owner properties.
constexpr double kOwnerCountShares[] = {0.06, 0.71, 0.16, 0.05, 0.02};
constexpr double kOwnerFlagShare = 0.4;
constexpr double kSameFamilyShare = 0.8;  // a co-owner shares the first owner's family name
constexpr double kFemaleShare = 0.5;
constexpr double kNoAddressShare = 0.05;
constexpr double kResidentShare = 0.75;  // lives on the parcel

// Cadastral numbers: region and district, then the quarter, then the parcel.
constexpr char kCadastralDistrict[] = "23:43:";
constexpr int kFirstQuarterNumber = 142001;

// Mean quarter (two rows of plots, and the street and lane beside it), to shape the grid.
constexpr double kMeanParcelsPerQuarter = kMinPlotsPerRow + kMaxPlotsPerRow;
constexpr double kMeanQuarterDepth = kMinRowDepth + kMaxRowDepth + kStreetWidth;
constexpr double kMeanQuarterLength = (kMinQuarterLength + kMaxQuarterLength) / 2 + kLaneWidth;
// Room reserved for vertices per parcel (about 20 on average).
constexpr std::size_t kVertexReservePerParcel = 22;

double Round(double v) { return std::round(v * kPerMetre) / kPerMetre; }

class TownBuilder {
public:
    TownBuilder(std::size_t target, std::uint64_t seed) : target_(target), random_(seed) {
        const double turn = random_.Between(kMinTurnDegrees, kMaxTurnDegrees) * std::numbers::pi / 180.0;
        cosTurn_ = std::cos(turn);
        sinTurn_ = std::sin(turn);
    }

    DemoTown Build() {
        if (target_ == 0) return {};
        const double quarters = std::ceil(static_cast<double>(target_) / kMeanParcelsPerQuarter);
        const auto columns = std::max<std::size_t>(
            1, static_cast<std::size_t>(std::lround(std::sqrt(quarters * kMeanQuarterDepth / kMeanQuarterLength))));
        std::vector<double> starts, lengths;
        for (double u = 0; starts.size() < columns;) {
            starts.push_back(u);
            lengths.push_back(random_.Between(kMinQuarterLength, kMaxQuarterLength));
            u += lengths.back() + kLaneWidth;
        }
        town_.vertices.reserve(target_ * kVertexReservePerParcel);
        double v = 0;
        for (std::size_t street = 0; !Full(); ++street) {
            const double southDepth = random_.Between(kMinRowDepth, kMaxRowDepth);
            const double northDepth = random_.Between(kMinRowDepth, kMaxRowDepth);
            int oddHouse = 1, evenHouse = 2;
            for (std::size_t c = 0; c < columns && !Full(); ++c)
                BuildQuarter(starts[c], lengths[c], v, southDepth, northDepth, street, oddHouse, evenHouse);
            v += southDepth + northDepth + kStreetWidth;
        }
        return std::move(town_);
    }

private:
    struct Point {
        double x, y, z;
        int number;
    };
    // One row of plots between a street's front line and the quarter's back line.
    struct Row {
        std::vector<double> edges;             // u of the side boundaries, west to east
        std::vector<std::vector<int>> sides;   // per side boundary: points front to back
        std::vector<std::vector<int>> fronts;  // per plot: front points between its corners
        double front = 0, back = 0;            // v of the front and back lines
        bool facesNorth = false;
        std::size_t street = 0;
    };

    bool Full() const { return town_.parcels.size() >= target_; }
    std::size_t Room() const { return target_ - town_.parcels.size(); }

    int AddPoint(double u, double v) {
        const double y = kOriginY + u * cosTurn_ - v * sinTurn_;
        const double x = kOriginX + u * sinTurn_ + v * cosTurn_;
        const double z = kBaseElevation + kElevationSlope * v + kElevationWave * std::sin(u / kWaveLength) * std::cos(v / kWaveLength);
        points_.push_back({Round(x), Round(y), Round(z), static_cast<int>(points_.size()) + 1});
        return static_cast<int>(points_.size()) - 1;
    }

    std::vector<double> DivideRow(double start, double length) {
        const int plots = random_.Int(kMinPlotsPerRow, kMaxPlotsPerRow);
        std::vector<double> widths(static_cast<std::size_t>(plots));
        double sum = 0;
        for (auto& w : widths) sum += (w = 1.0 + random_.Between(-kWidthSpread, kWidthSpread));
        std::vector<double> edges{start};
        double at = 0;
        for (std::size_t i = 0; i + 1 < widths.size(); ++i) edges.push_back(start + (at += widths[i] * length / sum));
        edges.push_back(start + length);
        return edges;
    }

    // Moves the inner edges of `edges` onto inner edges of `other` closer than kSnapDistance.
    static void Snap(std::vector<double>& edges, const std::vector<double>& other) {
        for (std::size_t i = 1; i + 1 < edges.size(); ++i)
            for (std::size_t j = 1; j + 1 < other.size(); ++j)
                if (std::abs(edges[i] - other[j]) < kSnapDistance) edges[i] = other[j];
    }

    void BuildBackLine(const std::vector<double>& south, const std::vector<double>& north, double v) {
        std::vector<double> corners(south);
        corners.insert(corners.end(), north.begin(), north.end());
        std::sort(corners.begin(), corners.end());
        corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
        backLine_.clear();
        for (std::size_t i = 0; i < corners.size(); ++i) {
            backLine_.push_back({corners[i], AddPoint(corners[i], v + random_.Between(-kBackJitter, kBackJitter))});
            if (i + 1 == corners.size()) break;
            const int extras = random_.Int(0, kMaxBackExtras);
            const double step = (corners[i + 1] - corners[i]) / (extras + 1);
            if (step < kMinBackGap) continue;
            for (int k = 1; k <= extras; ++k) {
                const double u = corners[i] + step * k;
                backLine_.push_back({u, AddPoint(u, v + random_.Between(-kBackJitter, kBackJitter))});
            }
        }
    }

    int BackPoint(double u) const {
        auto it = std::lower_bound(backLine_.begin(), backLine_.end(), std::pair<double, int>{u, -1});
        return it->second;  // every row edge is a back-line corner
    }

    void BuildRowPoints(Row& row) {
        for (double u : row.edges) {
            std::vector<int> side{AddPoint(u, row.front)};
            const int between = random_.Int(kMinSidePoints, kMaxSidePoints);
            for (int j = 1; j <= between; ++j)
                side.push_back(AddPoint(u + random_.Between(-kSideJitter, kSideJitter),
                                        row.front + (row.back - row.front) * j / (between + 1)));
            side.push_back(BackPoint(u));
            row.sides.push_back(std::move(side));
        }
        for (std::size_t i = 0; i + 1 < row.edges.size(); ++i) {
            std::vector<int> front;
            const int between = random_.Int(kMinFrontPoints, kMaxFrontPoints);
            for (int j = 1; j <= between; ++j)
                front.push_back(AddPoint(row.edges[i] + (row.edges[i + 1] - row.edges[i]) * j / (between + 1),
                                         row.front + random_.Between(-kFrontJitter, kFrontJitter)));
            row.fronts.push_back(std::move(front));
        }
    }

    // The closed outline of plot `i`, clockwise on a north-up map.
    std::vector<int> PlotRing(const Row& row, std::size_t i) const {
        const auto& west = row.sides[i];
        const auto& east = row.sides[i + 1];
        std::vector<int> ring{west.front()};
        ring.insert(ring.end(), row.fronts[i].begin(), row.fronts[i].end());
        ring.insert(ring.end(), east.begin(), east.end());
        for (auto it = backLine_.rbegin(); it != backLine_.rend(); ++it)
            if (it->first > row.edges[i] && it->first < row.edges[i + 1]) ring.push_back(it->second);
        ring.insert(ring.end(), west.rbegin(), west.rend() - 1);
        ring.push_back(west.front());
        // Built front-west, front, east, back, west: clockwise when the front is north.
        if (!row.facesNorth) std::reverse(ring.begin(), ring.end());
        return ring;
    }

    // A closed clockwise rectangle inside plot `i`, or nothing when the plot is too narrow.
    std::vector<int> EnclaveRing(const Row& row, std::size_t i) {
        const double width = random_.Between(kMinEnclaveSide, kMaxEnclaveSide);
        const double depth = random_.Between(kMinEnclaveSide, kMaxEnclaveSide);
        const double room = row.edges[i + 1] - row.edges[i] - 2 * kEnclaveSideGap - width;
        if (room <= 0) return {};
        const double u0 = row.edges[i] + kEnclaveSideGap + random_.Between(0, room);
        const double v0 = std::min(row.front, row.back) + kEnclaveFrontGap +
                          random_.Between(0, std::abs(row.back - row.front) - 2 * kEnclaveFrontGap - depth);
        const int first = AddPoint(u0, v0 + depth);
        return {first, AddPoint(u0 + width, v0 + depth), AddPoint(u0 + width, v0), AddPoint(u0, v0), first};
    }

    void BuildQuarter(double u0, double length, double vSouth, double southDepth, double northDepth,
                      std::size_t street, int& oddHouse, int& evenHouse) {
        points_.clear();
        quarterName_ = kCadastralDistrict + Pad7(kFirstQuarterNumber + quarterCount_++) + ":";
        parcelInQuarter_ = 0;
        Row south, north;
        north.edges = DivideRow(u0, length);
        south.edges = DivideRow(u0, length);
        Snap(south.edges, north.edges);
        const double back = vSouth + southDepth;
        south.front = vSouth;
        south.back = north.back = back;
        north.front = back + northDepth;
        north.facesNorth = true;
        south.street = street;
        north.street = street + 1;
        BuildBackLine(south.edges, north.edges, back);
        BuildRowPoints(south);
        BuildRowPoints(north);
        FillRow(south, oddHouse);
        FillRow(north, evenHouse);
    }

    static std::string Pad7(int n) {
        char text[16];
        std::snprintf(text, sizeof text, "%07d", n);
        return text;
    }

    void FillRow(const Row& row, int& house) {
        const std::string street = StreetName(row.street);
        const std::size_t plots = row.edges.size() - 1;
        std::vector<bool> taken(plots, false);
        for (std::size_t i = 0; i < plots && !Full(); ++i) {
            if (taken[i]) continue;
            const std::string number = std::to_string(house);
            house += 2;
            if (random_.Chance(kUnsurveyedShare)) {
                AddParcel(street, number + "а", {}, true);
                if (Full()) break;
            }
            std::vector<std::vector<int>> rings{PlotRing(row, i)};
            std::vector<int> enclave;
            if (i + 2 < plots && !taken[i + 2] && random_.Chance(kTwoPlotShare)) {
                rings.push_back(PlotRing(row, i + 2));
                taken[i + 2] = true;
            } else if (Room() >= 2 && random_.Chance(kEnclaveShare)) {
                enclave = EnclaveRing(row, i);
                if (!enclave.empty()) rings.emplace_back(enclave.rbegin(), enclave.rend());
            }
            AddParcel(street, number, rings, true);
            if (!enclave.empty()) AddParcel(street, number, {enclave}, false);
        }
    }

    // `mark` with probability `share`, else blank.
    std::string Mark(double share, const char* mark) { return random_.Chance(share) ? std::string(mark) : std::string(); }

    void AddParcel(const std::string& street, const std::string& house, const std::vector<std::vector<int>>& rings,
                   bool owned) {
        DemoParcel p;
        p.code = static_cast<std::int32_t>(town_.parcels.size() + 1);
        p.flag = Mark(kFlagShare, kTickMark);
        p.ok = Mark(kOkShare, kTickedBoxMark);
        const std::string address = street + ", д. " + house;
        p.house = address + ", уч. №" + std::to_string(p.code);
        if (random_.Chance(kRegisteredShare)) p.cadastralNumber = quarterName_ + std::to_string(++parcelInQuarter_);
        double area = 0;
        double put = 0;
        for (const auto& ring : rings) {
            const Point& o = points_[static_cast<std::size_t>(ring.front())];
            for (std::size_t k = 0; k < ring.size(); ++k) {
                const Point& a = points_[static_cast<std::size_t>(ring[k])];
                town_.vertices.push_back({p.code, ++put, static_cast<double>(a.number), a.x, a.y, a.z});
                if (k + 1 == ring.size()) break;
                const Point& b = points_[static_cast<std::size_t>(ring[k + 1])];
                area += ((a.y - o.y) * (b.x - o.x) - (b.y - o.y) * (a.x - o.x)) / 2;
            }
        }
        p.area = rings.empty() ? std::round(random_.Between(kMinUnsurveyedArea, kMaxUnsurveyedArea))
                               : std::round(std::abs(area));
        if (owned) AddOwners(p.code, kDemoSettlement + std::string(", ") + address);
        town_.parcels.push_back(std::move(p));
    }

    void AddOwners(std::int32_t parcel, const std::string& residence) {
        double draw = random_.Unit();
        std::size_t count = 0;
        while (count + 1 < std::size(kOwnerCountShares) && draw >= kOwnerCountShares[count]) draw -= kOwnerCountShares[count++];
        std::size_t surname = RandomSurname(random_);
        for (std::size_t k = 0; k < count; ++k) {
            if (k > 0 && !random_.Chance(kSameFamilyShare)) surname = RandomSurname(random_);
            DemoOwner o;
            o.code = static_cast<std::int32_t>(town_.owners.size() + 1);
            o.family = FullName(random_, surname, random_.Chance(kFemaleShare));
            o.parcel = parcel;
            o.flag = Mark(kOwnerFlagShare, kTickedBoxMark);
            const double where = random_.Unit();
            if (where >= kNoAddressShare) o.address = where < kNoAddressShare + kResidentShare ? residence : DistantAddress(random_);
            town_.owners.push_back(std::move(o));
        }
    }

    std::size_t target_;
    DemoRandom random_;
    double cosTurn_ = 1, sinTurn_ = 0;
    DemoTown town_;
    std::vector<Point> points_;                     // of the quarter being built
    std::vector<std::pair<double, int>> backLine_;  // its back line: u and point, west to east
    int quarterCount_ = 0;
    std::string quarterName_;  // "23:43:0142001:"
    int parcelInQuarter_ = 0;
};

}  // namespace

DemoTown GenerateDemoTown(std::size_t parcels, std::uint64_t seed) { return TownBuilder(parcels, seed).Build(); }

}  // namespace ter5::base
