#include "search/DialogPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace ter5::search {

namespace {

ScreenRect At(int left, int top, const ScreenRect& dialog) {
    return {left, top, dialog.Width, dialog.Height};
}

// The rectangle moved as little as possible to lie on the screen (its top-left corner
// kept on it when it is larger).
ScreenRect OntoScreen(ScreenRect r, const ScreenRect& screen) {
    r.Left = std::max(screen.Left, std::min(r.Left, screen.Right() - r.Width));
    r.Top = std::max(screen.Top, std::min(r.Top, screen.Bottom() - r.Height));
    return r;
}

std::int64_t Overlap(const ScreenRect& a, const ScreenRect& b) {
    const std::int64_t w = std::min(a.Right(), b.Right()) - std::max(a.Left, b.Left);
    const std::int64_t h = std::min(a.Bottom(), b.Bottom()) - std::max(a.Top, b.Top);
    return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

ScreenRect PlaceBesideMap(const ScreenRect& screen, const ScreenRect& window, const ScreenRect& map,
                          const ScreenRect& dialog) {
    const int g = kPlacementGap;
    const ScreenRect candidates[] = {
        At(window.Right() + g, map.Top, dialog),
        At(window.Left - dialog.Width - g, map.Top, dialog),
        At(map.Left - dialog.Width - g, map.Bottom() - dialog.Height, dialog),
        At(map.Left, map.Bottom() + g, dialog),
        At(map.Left, map.Top - dialog.Height - g, dialog),
        At(map.Right() - dialog.Width - g, map.Bottom() - dialog.Height - g, dialog),
        At(map.Left + g, map.Bottom() - dialog.Height - g, dialog),
        At(map.Right() - dialog.Width - g, map.Top + g, dialog),
        At(map.Left + g, map.Top + g, dialog),
    };
    const ScreenRect centre{map.Left + map.Width / 2 - kCentreKeep, map.Top + map.Height / 2 - kCentreKeep,
                            2 * kCentreKeep, 2 * kCentreKeep};
    ScreenRect best = OntoScreen(candidates[0], screen);
    std::int64_t bestCost = std::numeric_limits<std::int64_t>::max();
    for (const ScreenRect& candidate : candidates) {
        const ScreenRect placed = OntoScreen(candidate, screen);
        // Covering the centre costs more than covering the whole map elsewhere.
        const std::int64_t cost = Overlap(placed, map) +
                                  (Overlap(placed, centre) > 0 ? std::int64_t{map.Width + 1} * (map.Height + 1) : 0);
        if (cost < bestCost) {
            best = placed;
            bestCost = cost;
        }
    }
    return best;
}

}  // namespace ter5::search
