#include "map/ParcelIndex.h"

#include <algorithm>
#include <cmath>

namespace ter5::map {

namespace {

// Children per node: a few cache lines of boxes, shallow trees for a district.
constexpr std::size_t kFanout = 16;

double CentreY(const WorldBox& b) { return (b.MinY + b.MaxY) / 2; }
double CentreX(const WorldBox& b) { return (b.MinX + b.MaxX) / 2; }

// The boxes of consecutive groups of kFanout boxes.
std::vector<WorldBox> Parents(const std::vector<WorldBox>& children) {
    std::vector<WorldBox> parents((children.size() + kFanout - 1) / kFanout);
    for (std::size_t i = 0; i < children.size(); ++i) parents[i / kFanout].Add(children[i]);
    return parents;
}

}  // namespace

void WorldBox::Add(const WorldPoint& p) {
    MinY = std::min(MinY, p.Y);
    MinX = std::min(MinX, p.X);
    MaxY = std::max(MaxY, p.Y);
    MaxX = std::max(MaxX, p.X);
}

void WorldBox::Add(const WorldBox& box) {
    MinY = std::min(MinY, box.MinY);
    MinX = std::min(MinX, box.MinX);
    MaxY = std::max(MaxY, box.MaxY);
    MaxX = std::max(MaxX, box.MaxX);
}

ParcelIndex::ParcelIndex(const TArrObjects& objects) : parcelBoxes_(objects.Polys.size()) {
    for (std::size_t i = 0; i < objects.Polys.size(); ++i) {
        for (const TArrPoint& p : objects.Points(objects.Polys[i])) parcelBoxes_[i].Add(p.Position());
        bounds_.Add(parcelBoxes_[i]);
        if (!parcelBoxes_[i].Empty()) leafOrder_.push_back(static_cast<std::uint32_t>(i));
    }
    if (leafOrder_.empty()) return;

    // Sort-Tile-Recursive: vertical slices by centre Y, each cut into runs of
    // kFanout by centre X, so that every leaf node holds parcels close together.
    const std::size_t n = leafOrder_.size();
    const std::size_t leaves = (n + kFanout - 1) / kFanout;
    const std::size_t slices = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(leaves))));
    const std::size_t perSlice = slices * kFanout;
    const auto byY = [&](std::uint32_t a, std::uint32_t b) { return CentreY(parcelBoxes_[a]) < CentreY(parcelBoxes_[b]); };
    const auto byX = [&](std::uint32_t a, std::uint32_t b) { return CentreX(parcelBoxes_[a]) < CentreX(parcelBoxes_[b]); };
    std::sort(leafOrder_.begin(), leafOrder_.end(), byY);
    for (std::size_t s = 0; s < n; s += perSlice)
        std::sort(leafOrder_.begin() + static_cast<std::ptrdiff_t>(s),
                  leafOrder_.begin() + static_cast<std::ptrdiff_t>(std::min(n, s + perSlice)), byX);

    std::vector<WorldBox> items(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = parcelBoxes_[leafOrder_[i]];
    levels_.push_back(Parents(items));
    while (levels_.back().size() > 1) levels_.push_back(Parents(levels_.back()));
}

std::vector<std::size_t> ParcelIndex::Find(const WorldBox& box) const {
    std::vector<std::size_t> found;
    if (levels_.empty() || box.Empty()) return found;
    // Depth-first from the root: (level, node) pairs still to visit.
    std::vector<std::pair<std::size_t, std::size_t>> pending = {{levels_.size() - 1, 0}};
    while (!pending.empty()) {
        const auto [level, node] = pending.back();
        pending.pop_back();
        if (!levels_[level][node].Meets(box)) continue;
        const std::size_t first = node * kFanout;
        if (level > 0) {
            const std::size_t end = std::min(levels_[level - 1].size(), first + kFanout);
            for (std::size_t child = first; child < end; ++child) pending.emplace_back(level - 1, child);
            continue;
        }
        const std::size_t end = std::min(leafOrder_.size(), first + kFanout);
        for (std::size_t k = first; k < end; ++k)
            if (parcelBoxes_[leafOrder_[k]].Meets(box)) found.push_back(leafOrder_[k]);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace ter5::map
