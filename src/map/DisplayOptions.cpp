#include "map/DisplayOptions.h"

#include "map/NumberFormat.h"

namespace ter5::map {

namespace {

// Square metres per hectare.
constexpr double kSquareMetresPerHectare = 10'000.0;
// Square metres per thousand hectares.
constexpr double kSquareMetresPerThousandHectares = 10'000'000.0;
// Decimals of perimeter and side-length labels.
constexpr int kLengthDecimals = 2;

}  // namespace

bool IsToggle(DisplayOption option) {
    return option <= DisplayOption::Shadow || option == DisplayOption::Declutter;
}

bool DisplayOptions::IsChecked(DisplayOption option) const {
    switch (option) {
    case DisplayOption::Line: return cbLine;
    case DisplayOption::Points: return cbPoints;
    case DisplayOption::Length: return cbLength;
    case DisplayOption::NumPoints: return cbNumPoints;
    case DisplayOption::Area: return cbArea;
    case DisplayOption::Perimetr: return cbPerimetr;
    case DisplayOption::Shadow: return cbShadow;
    case DisplayOption::Number: return cbNumber;
    case DisplayOption::Code: return cbCode;
    case DisplayOption::Metr1: return cbMetr1;
    case DisplayOption::Metr2: return cbMetr2;
    case DisplayOption::Metr3: return cbMetr3;
    case DisplayOption::Declutter: return cbDeclutter;
    }
    return false;
}

void DisplayOptions::Click(DisplayOption option) {
    switch (option) {
    case DisplayOption::Line: cbLine = !cbLine; break;
    case DisplayOption::Points: cbPoints = !cbPoints; break;
    case DisplayOption::Length: cbLength = !cbLength; break;
    case DisplayOption::NumPoints: cbNumPoints = !cbNumPoints; break;
    case DisplayOption::Area: cbArea = !cbArea; break;
    case DisplayOption::Perimetr: cbPerimetr = !cbPerimetr; break;
    case DisplayOption::Shadow: cbShadow = !cbShadow; break;
    case DisplayOption::Declutter: cbDeclutter = !cbDeclutter; break;
    case DisplayOption::Number:
        cbNumber = true;
        cbCode = !cbNumber;
        break;
    case DisplayOption::Code:
        cbCode = true;
        cbNumber = !cbCode;
        break;
    case DisplayOption::Metr1:
    case DisplayOption::Metr2:
    case DisplayOption::Metr3:
        cbMetr1 = option == DisplayOption::Metr1;
        cbMetr2 = option == DisplayOption::Metr2;
        cbMetr3 = option == DisplayOption::Metr3;
        break;
    }
}

std::string AreaLabelText(const DisplayOptions& options, double areaSquareMetres) {
    std::string text = options.cbPerimetr ? "S = " : "";
    if (options.cbMetr3) {
        text += FormatNumber(areaSquareMetres / kSquareMetresPerThousandHectares, PrecisionCode::Hectares, 0, true).Text;
    } else if (options.cbMetr2) {
        text += FormatNumber(areaSquareMetres / kSquareMetresPerHectare, PrecisionCode::Hectares, 0, true).Text;
    } else if (options.cbMetr1) {
        text += FormatNumber(areaSquareMetres, PrecisionCode::SquareMetres, 0, true).Text;
    }
    return text;
}

std::string PerimeterLabelText(double perimeterMetres) {
    return "P = " + FormatNumber(perimeterMetres, PrecisionCode::Explicit, kLengthDecimals, true).Text;
}

std::span<const DisplayMenuItem> DisplayMenuItems() {
    static constexpr DisplayMenuItem kItems[] = {
        {DisplayOption::Line, "cbLine", "линий", false},
        {DisplayOption::Points, "cbPoints", "точек", false},
        {DisplayOption::Length, "cbLength", "вычисленных расстояний", false},
        {DisplayOption::NumPoints, "cbNumPoints", "номеров точек", false},
        {DisplayOption::Area, "cbArea", "площади", false},
        {DisplayOption::Perimetr, "cbPerimetr", "периметра", false},
        {DisplayOption::Shadow, "cbShadow", "выбранные объекты", false},
        {DisplayOption::Number, "cbNumber", "номера участка", true},
        {DisplayOption::Code, "cbCode", "кода участка", false},
        {DisplayOption::Metr1, "cbMetr1", "квадратные метры", true},
        {DisplayOption::Metr2, "cbMetr2", "гектары", false},
        {DisplayOption::Metr3, "cbMetr3", "тысячи гектаров", false},
        {DisplayOption::Declutter, "cbDeclutter", "без наложения подписей", true},
    };
    return kItems;
}

}  // namespace ter5::map
