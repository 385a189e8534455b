#include "map/OutlineInk.h"

#include <algorithm>
#include <cmath>

#include "map/DrawMap.h"
#include "map/SharedSides.h"

namespace ter5::map {

namespace {

// A side between two parcels is drawn once for both: the ink of a parcel's outline is
// about half its perimeter.
constexpr double kSharedSides = 0.5;

}  // namespace

OutlineInk EstimateOutlineInk(const TArrObjects& objects, const Viewport& view) {
    OutlineInk ink;
    const double ppx = view.PagePerPixelX;
    const double ppy = view.PagePerPixelY;
    if (ppx <= 0.0 || ppy <= 0.0 || !(view.ViewScale > 0.0) || !std::isfinite(view.ViewScale)) return ink;
    const double pixelsPerMetreX = view.ViewScale / ppx;
    const double pixelsPerMetreY = view.ViewScale / ppy;
    const WorldPoint lowLeft = view.PageToWorld({0.0, -view.PageHeight});
    const WorldPoint highRight = view.PageToWorld({view.PageWidth, 0.0});
    double inkPixels = 0.0;
    double areaPixels = 0.0;
    for (const TArrPoly& poly : objects.Polys) {
        if (poly.MinY > highRight.Y || poly.MaxY < lowLeft.Y || poly.MinX > highRight.X || poly.MaxX < lowLeft.X)
            continue;
        const double width = (poly.MaxY - poly.MinY) * pixelsPerMetreX;
        const double height = (poly.MaxX - poly.MinX) * pixelsPerMetreY;
        if (std::round(width) <= kSmallParcelPixels && std::round(height) <= kSmallParcelPixels) {
            // The mark covers its box and a pixel around it.
            const double mark = (width + 1.0) * (height + 1.0);
            inkPixels += mark;
            areaPixels += mark;
            continue;
        }
        const double area = poly.Area * pixelsPerMetreX * pixelsPerMetreY;
        const double outline = poly.Perimeter * std::sqrt(pixelsPerMetreX * pixelsPerMetreY) * kSharedSides;
        inkPixels += std::min(outline, area);
        areaPixels += area;
    }
    if (areaPixels <= 0.0) return ink;
    ink.Coverage = std::min(1.0, inkPixels / areaPixels);
    ink.Weight = ink.Coverage > kMaxOutlineInk ? kMaxOutlineInk / ink.Coverage : 1.0;
    return ink;
}

OutlineInk EstimateBoundaryInk(const TArrObjects& objects, const Viewport& view) {
    OutlineInk ink;
    const double ppx = view.PagePerPixelX;
    const double ppy = view.PagePerPixelY;
    if (ppx <= 0.0 || ppy <= 0.0 || !(view.ViewScale > 0.0) || !std::isfinite(view.ViewScale)) return ink;
    const SharedSides& shared = SharedSidesOf(objects);
    const double pixelsPerMetreX = view.ViewScale / ppx;
    const double pixelsPerMetreY = view.ViewScale / ppy;
    const double pixelsPerMetre = std::sqrt(pixelsPerMetreX * pixelsPerMetreY);
    const WorldPoint lowLeft = view.PageToWorld({0.0, -view.PageHeight});
    const WorldPoint highRight = view.PageToWorld({view.PageWidth, 0.0});
    double inkPixels = 0.0;
    double areaPixels = 0.0;
    for (std::size_t i = 0; i < objects.Polys.size(); ++i) {
        const TArrPoly& poly = objects.Polys[i];
        if (poly.MinY > highRight.Y || poly.MaxY < lowLeft.Y || poly.MinX > highRight.X || poly.MaxX < lowLeft.X)
            continue;
        // A parcel under a pixel still takes one.
        const double area = std::max(1.0, poly.Area * pixelsPerMetreX * pixelsPerMetreY);
        inkPixels += std::min(area, shared.BoundaryLength(i) * pixelsPerMetre);
        areaPixels += area;
    }
    if (areaPixels <= 0.0) return ink;
    ink.Coverage = std::min(1.0, inkPixels / areaPixels);
    ink.Weight = ink.Coverage > kMaxBoundaryInk ? kMaxBoundaryInk / ink.Coverage : 1.0;
    return ink;
}

PicturePen OutlinePen(double weight, std::int32_t fullWidth) {
    weight = std::clamp(weight, 0.0, 1.0);
    if (weight >= 1.0) return {kBlack, fullWidth};
    const auto grey = static_cast<std::uint8_t>(
        std::lround(std::min<double>(kLightestOutlineGrey, 255.0 * (1.0 - weight))));
    const auto width = static_cast<std::int32_t>(std::max<long>(1, std::lround(fullWidth * weight)));
    return {{grey, grey, grey}, width};
}

}  // namespace ter5::map
