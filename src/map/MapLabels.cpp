#include "map/MapLabels.h"

#include "map/NumberFormat.h"
#include "map/Rounding.h"

namespace ter5::map {

namespace {

// Decimals of side-length labels.
constexpr int kSideLengthDecimals = 2;
// The numero sign in UTF-8.
constexpr std::string_view kNumeroSign = "\u2116";
// Lines between a name label's top edge and its anchor.
constexpr double kAboveLines = 1.5;

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HalfLine(int textHeight) { return static_cast<int>(RoundToInt64(textHeight / 2.0)); }

}  // namespace

int LabelTop(LabelPlacement placement, int anchorY, int textHeight) {
    switch (placement) {
    case LabelPlacement::Centred: return anchorY - HalfLine(textHeight);
    case LabelPlacement::Below: return anchorY + HalfLine(textHeight);
    case LabelPlacement::Above: return anchorY - static_cast<int>(RoundToInt64(kAboveLines * textHeight));
    }
    return anchorY;
}

std::string SideLengthText(double lengthMetres) {
    return FormatNumber(lengthMetres, PrecisionCode::Explicit, kSideLengthDecimals, true).Text;
}

std::string PointNumberText(double number) { return GeneralDecimalText(number); }

std::string HouseLabelText(std::string_view house) {
    const std::size_t numero = house.find(kNumeroSign);
    if (numero != std::string_view::npos) house.remove_prefix(numero + kNumeroSign.size());
    while (!house.empty() && IsBlankOrControl(house.front())) house.remove_prefix(1);
    while (!house.empty() && IsBlankOrControl(house.back())) house.remove_suffix(1);
    return std::string(house);
}

std::string ParcelNameText(const DisplayOptions& options, const TArrPoly& poly) {
    if (options.cbCode) return std::to_string(poly.Code);
    if (options.cbNumber) return HouseLabelText(poly.House);
    return {};
}

}  // namespace ter5::map
