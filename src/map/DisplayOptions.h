#pragma once
// The checkable display options of the map ("Отображение" menu): which geometry and
// labels the map shows, the unit of the area labels, and whether labels that would pile
// up are left out. They live for the run only.

#include <span>
#include <string>

namespace ter5::map {

// One menu item each, in menu order.
enum class DisplayOption {
    Line,       // cbLine: parcel outlines
    Points,     // cbPoints: a circle at every point
    Length,     // cbLength: side-length labels
    NumPoints,  // cbNumPoints: point-number labels
    Area,       // cbArea: area label
    Perimetr,   // cbPerimetr: perimeter label, and "S = " before the area
    Shadow,     // cbShadow: hatch over the current parcel
    Number,     // cbNumber: parcel number label (pair with Code)
    Code,       // cbCode: parcel code label (pair with Number)
    Metr1,      // cbMetr1: areas in m^2 (radio)
    Metr2,      // cbMetr2: areas in hectares (radio)
    Metr3,      // cbMetr3: areas in thousands of hectares (radio)
    Declutter,  // cbDeclutter: no label over another, no parcel label beyond its parcel
};

// Whether clicking `option` inverts it (the others are one of a pair or a radio group).
bool IsToggle(DisplayOption option);

// Checked states with the start-up defaults. Exactly one of cbNumber/cbCode and exactly one
// of cbMetr1..cbMetr3 is checked as long as changes go through Click.
struct DisplayOptions {
    bool cbLine = true;
    bool cbPoints = false;
    bool cbLength = false;
    bool cbNumPoints = false;
    bool cbArea = true;
    bool cbPerimetr = false;
    bool cbShadow = true;
    bool cbNumber = true;
    bool cbCode = false;
    bool cbMetr1 = false;
    bool cbMetr2 = true;
    bool cbMetr3 = false;
    // "без наложения подписей": a label whose box overlaps one already drawn in the same
    // drawing, or a parcel label running out of its parcel's box, is left out.
    bool cbDeclutter = true;

    // Checked state of one item.
    bool IsChecked(DisplayOption option) const;

    // The item's click: toggles invert; a pair item or a radio item becomes the checked one
    // of its group (clicking the checked one changes nothing). The map is redrawn after
    // every click, changed or not.
    void Click(DisplayOption option);
};

// One item of the "Отображение" menu, top to bottom.
struct DisplayMenuItem {
    DisplayOption Option;
    const char* Name;        // cbLine ... cbDeclutter
    const char* Caption;     // "линий"
    bool SeparatorBefore;    // a separator line above the item
};

// The thirteen items of the "Отображение" menu.
std::span<const DisplayMenuItem> DisplayMenuItems();

// Area label text for an area in m^2: "S = " first while cbPerimetr is on, then the area
// in the chosen unit (tested in the order cbMetr3, cbMetr2, cbMetr1) with its decimals.
std::string AreaLabelText(const DisplayOptions& options, double areaSquareMetres);

// Perimeter label text for a perimeter in metres: "P = " and 2 decimals.
std::string PerimeterLabelText(double perimeterMetres);

}  // namespace ter5::map
