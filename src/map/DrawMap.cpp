#include "map/DrawMap.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "map/LabelFit.h"
#include "map/LabelPlacer.h"
#include "map/LabelledSides.h"
#include "map/MapLabels.h"
#include "map/OutlineInk.h"
#include "map/PageClip.h"
#include "map/Rounding.h"
#include "map/SharedSides.h"
#include "map/TextMetrics.h"

namespace ter5::map {

namespace {

// Radians per degree.
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// Quarter turn between a side's bearing and the direction of its label, degrees.
constexpr double kQuarterTurn = 90.0;
// Pixels a label may reach beyond its measured width before it counts as off the page:
// the screen's substitute font may run wider than the metrics the picture is placed by.
constexpr double kLabelWidthSlack = 1.25;
constexpr int kLabelMarginPx = 4;

// WorldToPage of the viewport, inlined for the million points of a district: the same
// expression and the same rounding.
class PageTransform {
public:
    explicit PageTransform(const Viewport& view)
        : centreY_(view.ViewCenterY), centreX_(view.ViewCenterX), scale_(view.ViewScale),
          halfWidth_(view.PageWidth / 2.0), halfHeight_(view.PageHeight / 2.0) {}

    PageIntPoint operator()(double y, double x) const {
        return {RoundToInt64Fast((y - centreY_) * scale_ + halfWidth_),
                RoundToInt64Fast((x - centreX_) * scale_ - halfHeight_)};
    }

private:
    double centreY_, centreX_, scale_, halfWidth_, halfHeight_;
};

// One drawing run over the parcels, with the scratch space its parcels share.
class MapDrawing {
public:
    MapDrawing(const TArrObjects& objects, const Viewport& view, const DisplayOptions& options,
               const DrawMapContext& context, Picture& picture, const SharedSides* boundaries)
        : objects_(objects), boundaries_(boundaries), view_(view), options_(options), context_(context), picture_(picture),
          toPage_(view), ppx_(view.PagePerPixelX), ppy_(view.PagePerPixelY),
          fontPixels_(FontPixelSize(kLabelFontPoints, context.TextDotsPerInch)),
          textHeight_(TextHeightPx(fontPixels_)),
          offsetUnit_(kLabelOffsetUnit / view.ViewScale),
          guard_{-kGuardBandPage, -view.PageHeight - kGuardBandPage, view.PageWidth + kGuardBandPage,
                 static_cast<double>(kGuardBandPage)} {}

    int FontPixels() const { return fontPixels_; }

    // Every parcel in model order: culled by its box, then drawn in detail or as a mark (at
    // an overview drawing block boundaries, as its boundary sides); LabelledSides is
    // emptied before and after.
    void DrawParcels() {
        const WorldPoint lowLeft = view_.PageToWorld({0.0, -view_.PageHeight});
        const WorldPoint highRight = view_.PageToWorld({view_.PageWidth, 0.0});
        labelled_.Clear();
        if (options_.cbDeclutter) placer_.Reset(picture_.WidthPx(), picture_.HeightPx());
        for (const TArrPoly& poly : objects_.Polys) {
            const PageIntPoint low = toPage_(poly.MinY, poly.MinX);
            const PageIntPoint high = toPage_(poly.MaxY, poly.MaxX);
            const std::int64_t widthPx = RoundToInt64Fast(static_cast<double>(high.x - low.x) / ppx_);
            const std::int64_t heightPx = RoundToInt64Fast(static_cast<double>(high.y - low.y) / ppy_);
            const bool visible = !(poly.MinY > highRight.Y || poly.MaxY < lowLeft.Y || poly.MinX > highRight.X ||
                                   poly.MaxX < lowLeft.X);
            if (!visible) continue;
            if (widthPx > kSmallParcelPixels || heightPx > kSmallParcelPixels) {
                DrawDetailed(poly, low, high);
            } else if (boundaries_) {
                PreparePage(poly, low, high);
                for (const RingRange& ring : rings_) DrawBoundarySides(poly.FirstPoint, ring);
            } else {
                DrawSmallMark(low, high);
            }
        }
        labelled_.Clear();
    }

private:
    // The parcel's rings and its points in page units; whether they need clipping.
    void PreparePage(const TArrPoly& poly, PageIntPoint low, PageIntPoint high) {
        const std::span<const TArrPoint> points = objects_.Points(poly);
        FindRings(points, rings_);
        page_.clear();
        for (const TArrPoint& p : points) page_.push_back(toPage_(p.Y, p.X));
        // Most parcels lie wholly inside the guard band and need no clipping.
        clip_ = !guard_.Contains(static_cast<double>(low.x), static_cast<double>(low.y),
                                 static_cast<double>(high.x), static_cast<double>(high.y));
    }

    void DrawDetailed(const TArrPoly& poly, PageIntPoint low, PageIntPoint high) {
        const std::span<const TArrPoint> points = objects_.Points(poly);
        PreparePage(poly, low, high);

        if (options_.cbShadow && context_.CurrentCode && poly.Code == *context_.CurrentCode) {
            picture_.SetBrush({BrushStyle::DiagonalHatch, kYellow});
            for (const RingRange& ring : rings_) DrawPolygon(ring);
            picture_.SetBrush({BrushStyle::Clear, kWhite});
        }
        if (options_.cbLine) {
            for (const RingRange& ring : rings_) {
                if (boundaries_) {
                    DrawBoundarySides(poly.FirstPoint, ring);
                } else {
                    DrawPolyline(ring);
                }
            }
        }
        picture_.SetBrush({BrushStyle::Solid, kWhite});
        // The circles of an overview's points would cover its blocks and streets.
        if (options_.cbPoints && !boundaries_) {
            for (const PageIntPoint& p : page_) DrawPointCircle(p);
        }
        picture_.SetBrush({BrushStyle::Clear, kWhite});
        if (options_.cbLength || options_.cbNumPoints) {
            for (const RingRange& ring : rings_) DrawSideLabels(points, ring);
        }
        DrawParcelLabels(poly, low, high);
    }

    // The runs of a ring's sides that no other parcel shares, each as one polyline; the
    // ring's points start at PointStore index `firstPoint` + ring.Begin.
    void DrawBoundarySides(std::size_t firstPoint, const RingRange& ring) {
        std::size_t from = ring.Begin;
        while (from + 1 < ring.End) {
            if (boundaries_->Shared(firstPoint + from)) {
                ++from;
                continue;
            }
            std::size_t to = from + 1;
            while (to + 1 < ring.End && !boundaries_->Shared(firstPoint + to)) ++to;
            DrawPolyline({from, to + 1});
            from = to;
        }
    }

    void DrawSmallMark(PageIntPoint low, PageIntPoint high) {
        picture_.Ellipse({static_cast<std::int32_t>(low.x - kSmallMarkMargin),
                          static_cast<std::int32_t>(low.y - kSmallMarkMargin)},
                         {static_cast<std::int32_t>(high.x + kSmallMarkMargin),
                          static_cast<std::int32_t>(high.y + kSmallMarkMargin)});
    }

    void DrawPolygon(const RingRange& ring) {
        const std::span<const PageIntPoint> points(page_.data() + ring.Begin, ring.End - ring.Begin);
        if (clip_) {
            ClipRingToBox(points, guard_, clipped_);
        } else {
            Narrow(points);
        }
        if (!clipped_.empty()) picture_.Polygon(clipped_);
    }

    void DrawPolyline(const RingRange& ring) {
        const std::span<const PageIntPoint> points(page_.data() + ring.Begin, ring.End - ring.Begin);
        if (points.size() < 2) return;  // a lone point only moves the pen
        if (clip_) {
            ClipLineToBox(points, guard_, [this](std::span<const PicturePoint> run) { picture_.Polyline(run); });
        } else {
            Narrow(points);
            picture_.Polyline(clipped_);
        }
    }

    void DrawPointCircle(PageIntPoint p) {
        const double x = static_cast<double>(p.x);
        const double y = static_cast<double>(p.y);
        if (!guard_.Intersects(x - kPointCircleRadius, y - kPointCircleRadius, x + kPointCircleRadius,
                               y + kPointCircleRadius)) {
            return;
        }
        picture_.Ellipse({static_cast<std::int32_t>(p.x - kPointCircleRadius),
                          static_cast<std::int32_t>(p.y - kPointCircleRadius)},
                         {static_cast<std::int32_t>(p.x + kPointCircleRadius),
                          static_cast<std::int32_t>(p.y + kPointCircleRadius)});
    }

    // Side lengths and point numbers of one ring, side by side in point order.
    void DrawSideLabels(std::span<const TArrPoint> points, const RingRange& ring) {
        for (std::size_t i = ring.Begin; i + 1 < ring.End; ++i) {
            const TArrPoint& p = points[i];
            const TArrPoint& q = points[i + 1];
            if (options_.cbLength && labelled_.AddIfNew(p.Position(), q.Position())) {
                const double theta = (p.Bearing - kQuarterTurn) * kRadiansPerDegree;
                const double reach = kSideLabelOffsets * offsetUnit_;
                DrawLabel(p.Y + (q.Y - p.Y) / 2.0 + reach * std::sin(theta),
                          p.X + (q.X - p.X) / 2.0 + reach * std::cos(theta), SideLengthText(q.Length),
                          LabelPlacement::Centred);
            }
            if (options_.cbNumPoints) {
                const double theta = (p.Bearing + p.Angle / 2.0) * kRadiansPerDegree;
                const double reach = kPointLabelOffsets * offsetUnit_;
                DrawLabel(p.Y + reach * std::sin(theta), p.X + reach * std::cos(theta), PointNumberText(p.Number),
                          LabelPlacement::Centred);
            }
        }
    }

    // Where a label goes in the picture, and its box while the label filter is on.
    struct LabelSpot {
        std::int32_t X = 0;
        std::int32_t Top = 0;
        PixelBox Box;
    };

    // The area, perimeter and name labels at the parcel's centre, drawn in that order. With
    // the label filter on they are taken in the order name, area, perimeter, and as many
    // of them as fit inside the parcel's outline, as a block at the centre (or, where the
    // parcel is bent away from it, in its widest inside stretch), moved a few pixels where
    // the parcel is narrow there; then one that overlaps a label drawn
    // before the parcel's own leaves out those after it (the parcel's own lines are not
    // weighed against each other). So no label runs out of its parcel and no area stands
    // without the number of its parcel.
    void DrawParcelLabels(const TArrPoly& poly, PageIntPoint low, PageIntPoint high) {
        struct Line {
            bool shown;
            std::string text;
            LabelPlacement placement;
        };
        const Line lines[] = {
            {options_.cbArea, options_.cbArea ? AreaLabelText(options_, poly.Area) : std::string(),
             LabelPlacement::Centred},
            {options_.cbPerimetr, options_.cbPerimetr ? PerimeterLabelText(poly.Perimeter) : std::string(),
             LabelPlacement::Below},
            {options_.cbNumber || options_.cbCode, ParcelNameText(options_, poly), LabelPlacement::Above},
        };
        std::optional<LabelSpot> spots[std::size(lines)];
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            if (lines[i].shown) spots[i] = Locate(poly.CenterY, poly.CenterX, lines[i].text, lines[i].placement);
        }
        if (options_.cbDeclutter) FilterParcelLabels(poly, spots, low, high);
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            if (!spots[i]) continue;
            if (options_.cbDeclutter) placer_.Add(spots[i]->Box);
            picture_.Text(spots[i]->X, spots[i]->Top, lines[i].text);
        }
    }

    // The label filter for the spots of a parcel's area, perimeter and name (page corners
    // of the parcel low, high): keeps those that fit, moved together, as DrawParcelLabels
    // tells.
    void FilterParcelLabels(const TArrPoly& poly, std::optional<LabelSpot> (&spots)[3], PageIntPoint low,
                            PageIntPoint high) {
        constexpr std::size_t kOrder[] = {2, 0, 1};  // name, area, perimeter
        std::vector<std::size_t> wanted;
        for (std::size_t i : kOrder)
            if (spots[i]) wanted.push_back(i);
        const PixelBox parcel{static_cast<std::int32_t>(RoundToInt64Fast(static_cast<double>(low.x) / ppx_)),
                              static_cast<std::int32_t>(RoundToInt64Fast(-static_cast<double>(high.y) / ppy_)),
                              static_cast<std::int32_t>(RoundToInt64Fast(static_cast<double>(high.x) / ppx_)),
                              static_cast<std::int32_t>(RoundToInt64Fast(-static_cast<double>(low.y) / ppy_))};
        // The largest leading group of lines that fits near the centre or, for a parcel
        // bent away from its box's centre, near the middle of its widest inside stretch.
        std::vector<PixelShift> anchors = {{0, 0}};
        if (const auto inside = WidestInteriorPoint(page_, rings_, low, high)) {
            const PageIntPoint centre = toPage_(poly.CenterY, poly.CenterX);
            anchors.push_back({static_cast<int>(RoundToInt64Fast((inside->x - static_cast<double>(centre.x)) / ppx_)),
                               static_cast<int>(RoundToInt64Fast(-(inside->y - static_cast<double>(centre.y)) / ppy_))});
        }
        std::size_t kept = wanted.size();
        PixelShift shift;
        for (; kept > 0; --kept) {
            if (FindBlockPlace(spots, wanted, kept, parcel, anchors, shift)) break;
        }
        // Moved into place, up to the first that overlaps an earlier label.
        for (std::size_t k = 0; k < wanted.size(); ++k) {
            std::optional<LabelSpot>& spot = spots[wanted[k]];
            if (k < kept) {
                spot->Box = Moved(spot->Box, shift);
                spot->X += shift.Dx;
                spot->Top += shift.Dy;
                if (!placer_.Overlaps(spot->Box)) continue;
                kept = k;
            }
            spot.reset();
        }
    }

    // A move of the first `count` of the `wanted` spots, around one of the anchors (moves
    // from the centre), that keeps each inside the parcel's outline.
    bool FindBlockPlace(const std::optional<LabelSpot> (&spots)[3], const std::vector<std::size_t>& wanted,
                        std::size_t count, const PixelBox& parcel, const std::vector<PixelShift>& anchors,
                        PixelShift& place) const {
        for (const PixelShift& anchor : anchors) {
            PixelBox block = Moved(spots[wanted[0]]->Box, anchor);
            for (std::size_t k = 1; k < count; ++k) block = Union(block, Moved(spots[wanted[k]]->Box, anchor));
            for (const PixelShift& shift : LabelBlockShifts(parcel, block)) {
                const PixelShift candidate{anchor.Dx + shift.Dx, anchor.Dy + shift.Dy};
                bool fits = true;
                for (std::size_t k = 0; k < count && fits; ++k)
                    fits = BoxInsideOutline(Moved(spots[wanted[k]]->Box, candidate), page_, rings_, ppx_, ppy_);
                if (fits) {
                    place = candidate;
                    return true;
                }
            }
        }
        return false;
    }

    static PixelBox Moved(const PixelBox& box, const PixelShift& shift) {
        return {box.Left + shift.Dx, box.Top + shift.Dy, box.Right + shift.Dx, box.Bottom + shift.Dy};
    }
    static PixelBox Union(const PixelBox& a, const PixelBox& b) {
        return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom)};
    }


    // The spot of a label anchored at world (y, x): the anchor to page units, then to
    // pixels; none when the label is empty or wholly off the picture.
    std::optional<LabelSpot> Locate(double y, double x, const std::string& text, LabelPlacement placement) const {
        if (text.empty() || !std::isfinite(y) || !std::isfinite(x)) return std::nullopt;
        const PageIntPoint page = toPage_(y, x);
        const double px = static_cast<double>(RoundToInt64Fast(static_cast<double>(page.x) / ppx_));
        const double py = static_cast<double>(RoundToInt64Fast(-static_cast<double>(page.y) / ppy_));
        const int textWidth = TextWidthPx(text, fontPixels_);
        const double halfWidth = textWidth * kLabelWidthSlack / 2.0 + kLabelMarginPx;
        const double width = picture_.WidthPx();
        const double height = picture_.HeightPx();
        // The anchor row bounds the label's rows: it spans at most 1.5 lines above it and 1.5 below.
        const double reachY = 1.5 * textHeight_ + kLabelMarginPx;
        if (px + halfWidth < 0.0 || px - halfWidth > width || py + reachY < 0.0 || py - reachY > height) {
            return std::nullopt;
        }
        LabelSpot spot;
        spot.X = static_cast<std::int32_t>(px);
        spot.Top = LabelTop(placement, static_cast<int>(py), textHeight_);
        if (options_.cbDeclutter) {
            const std::int32_t left = spot.X - textWidth / 2;
            spot.Box = {left, spot.Top, left + textWidth, spot.Top + textHeight_};
        }
        return spot;
    }

    // A side-length or point-number label; with the label filter on, left out when it
    // would overlap a label drawn before it.
    void DrawLabel(double y, double x, const std::string& text, LabelPlacement placement) {
        const std::optional<LabelSpot> spot = Locate(y, x, text, placement);
        if (!spot) return;
        if (options_.cbDeclutter && !placer_.Place(spot->Box)) return;
        picture_.Text(spot->X, spot->Top, text);
    }

    // Copies page points that lie in the guard band into clipped_ as picture points.
    void Narrow(std::span<const PageIntPoint> points) {
        clipped_.clear();
        for (const PageIntPoint& p : points) {
            clipped_.push_back({static_cast<std::int32_t>(p.x), static_cast<std::int32_t>(p.y)});
        }
    }

    const TArrObjects& objects_;
    const SharedSides* boundaries_;  // set at an overview drawing block boundaries alone
    const Viewport& view_;
    const DisplayOptions& options_;
    const DrawMapContext& context_;
    Picture& picture_;
    PageTransform toPage_;
    double ppx_;
    double ppy_;
    int fontPixels_;
    int textHeight_;
    double offsetUnit_;  // d: the ground length of 50 page units, m
    PageBox guard_;
    LabelledSides labelled_;
    LabelPlacer placer_;
    std::vector<RingRange> rings_;
    std::vector<PageIntPoint> page_;
    std::vector<PicturePoint> clipped_;
    bool clip_ = false;
};

}  // namespace

std::optional<Picture> DrawMap(const TArrObjects& objects, Viewport& viewport, const DisplayOptions& options,
                               const DrawMapContext& context) {
    if (objects.Polys.empty() && !context.ParcelQueryOpen) return std::nullopt;
    viewport.MeasureForDrawing(objects);

    Picture picture(static_cast<int>(viewport.ImageWidthPx()), static_cast<int>(viewport.ImageHeightPx()),
                    viewport.PageWidth, viewport.PageHeight);
    picture.Reserve(objects.PointStore.size(), objects.Polys.size() * 2);
    const auto pageWidth = static_cast<std::int32_t>(viewport.PageWidth);
    const auto pageHeight = static_cast<std::int32_t>(viewport.PageHeight);
    picture.SetPen({kWhite, 1});
    picture.SetBrush({BrushStyle::Solid, kWhite});
    picture.Rectangle({0, 0}, {pageWidth, -pageHeight});

    // The full black pen for every outline at working scales. Where the outlines would
    // cover most of the parcels (an overview of many small parcels) only the block
    // boundaries, in the full pen unless they too would cover most of them.
    const bool boundariesOnly = DrawsBoundariesOnly(EstimateOutlineInk(objects, viewport));
    const double weight = boundariesOnly ? EstimateBoundaryInk(objects, viewport).Weight : 1.0;
    picture.SetPen(OutlinePen(weight, kOutlinePenWidth));
    // An image without pixels or a view without a scale shows the white page alone.
    const bool drawable = viewport.PagePerPixelX > 0.0 && viewport.PagePerPixelY > 0.0 &&
                          viewport.ViewScale > 0.0 && std::isfinite(viewport.ViewScale);
    MapDrawing drawing(objects, viewport, options, context, picture,
                       boundariesOnly ? &SharedSidesOf(objects) : nullptr);
    picture.SetFont({kLabelFontFace, kCyrillicCharSet, drawing.FontPixels()});
    if (drawable) drawing.DrawParcels();
    return picture;
}

}  // namespace ter5::map
