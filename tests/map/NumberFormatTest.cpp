#include "map/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>

#include "MapTestModels.h"
#include "map/DisplayOptions.h"

namespace ter5::map {
namespace {

using testing::SeparatorScope;

std::string Text(double value, PrecisionCode code, int decimals = 0) {
    return FormatNumber(value, code, decimals, true).Text;
}

TEST(FormatNumber, RoundsTheFractionHalvesToEven) {
    const SeparatorScope comma(',');
    struct Case { double value; PrecisionCode code; int decimals; const char* text; };
    const Case cases[] = {
        {0.125, PrecisionCode::Explicit, 2, "0,12"},
        {0.375, PrecisionCode::Explicit, 2, "0,38"},
        {-0.125, PrecisionCode::Explicit, 2, "-0,12"},
        {2.3449999999999998, PrecisionCode::Explicit, 2, "2,34"},  // held just below the half
        {2.345, PrecisionCode::Explicit, 2, "2,35"},               // the nearest double lies above it
        {15000.0, PrecisionCode::SquareMetres, 0, "15000,00"},
        {1.5, PrecisionCode::Hectares, 0, "1,5000"},
        {15000.0 / 10'000'000.0, PrecisionCode::Hectares, 0, "0,0015"},
        {0.0, PrecisionCode::Hectares, 0, "0,0000"},
        {12.5, PrecisionCode::Explicit, 2, "12,50"},
        {7.0, PrecisionCode::Explicit, 2, "7,00"},
        {6000123.0625, PrecisionCode::Millimetres, 0, "6000123,062"},  // exact half of a large value
        {1234.56789, PrecisionCode::Explicit, 0, "1235"},
        {0.1234, PrecisionCode::Hectares, 0, "0,1234"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(c.value, c.code, c.decimals), c.text) << c.value;
}

TEST(FormatNumber, NumberResultAndCodes) {
    EXPECT_NEAR(FormatNumber(1234.56789, PrecisionCode::Millimetres, 0, false).Value, 1234.568, 1e-12);
    EXPECT_TRUE(FormatNumber(1234.56789, PrecisionCode::Millimetres, 0, false).Text.empty());
    // Only the fraction is scaled: a large whole part survives exactly.
    EXPECT_EQ(FormatNumber(4503599627370495.0, PrecisionCode::Hectares, 0, false).Value, 4503599627370495.0);
    EXPECT_THROW(FormatNumber(1.0, static_cast<PrecisionCode>(3), 0, true), std::invalid_argument);
    EXPECT_THROW(FormatNumber(1.0, PrecisionCode::Explicit, -1, true), std::invalid_argument);
    EXPECT_THROW(FormatNumber(1.0, PrecisionCode::Explicit, 16, true), std::invalid_argument);
}

TEST(GeneralDecimalText, FixedAndExponentForms) {
    const SeparatorScope comma(',');
    struct Case { double value; const char* text; };
    const Case cases[] = {
        {0.0, "0"},       {15000.0, "15000"},   {0.1234, "0,1234"}, {12.5, "12,5"},
        {-3.25, "-3,25"}, {0.0001, "0,0001"},   {1e15, "1E15"},     {1e-5, "1E-5"},
        {1.5e-7, "1,5E-7"}, {123456789012345.0, "123456789012345"},
        {0.1 + 0.2, "0,3"},  // 15 significant digits hide the binary residue
    };
    for (const Case& c : cases) EXPECT_EQ(GeneralDecimalText(c.value), c.text) << c.value;
    const SeparatorScope stop('.');
    EXPECT_EQ(GeneralDecimalText(12.5), "12.5");
    EXPECT_EQ(Text(15000.0, PrecisionCode::SquareMetres), "15000.00");
    // Zero padding never goes after an exponent.
    EXPECT_EQ(Text(2e15, PrecisionCode::SquareMetres), "2E15");
}

TEST(ParseWholeNumber, BothSeparatorsAndFailures) {
    struct Case { char separator; const char* text; std::int64_t expected; };
    const Case cases[] = {
        {',', "", 0},        {',', "  \t ", 0},   {',', "2500", 2500}, {',', " 2500\r\n", 2500},
        {',', "2.5", 2},     {',', "2,5", 2},     {',', "3,5", 4},     {',', "-2,5", -2},
        {'.', "2.5", 2},     {'.', "2,5", 2},     {'.', "3.5", 4},     {',', "1e3", 1000},
        {',', "1e-400", 0},  {',', ",5", 0},      {',', "1,5", 2},
    };
    for (const Case& c : cases) {
        const SeparatorScope scope(c.separator);
        EXPECT_EQ(ParseWholeNumber(c.text), c.expected) << c.separator << " '" << c.text << "'";
    }
    const SeparatorScope comma(',');
    for (const char* bad : {"abc", "1.000.5", "1,2,3", "2 5", "+", "1e", "0x10", "inf", "nan", "--1"}) {
        EXPECT_THROW(ParseWholeNumber(bad), InvalidNumberError) << bad;
    }
    try {
        ParseWholeNumber("1.000.5");
        FAIL();
    } catch (const InvalidNumberError& e) {
        EXPECT_STREQ(e.what(), "Значение '1,000.5' не является числом");  // only the first stop swapped
    }
    EXPECT_THROW(ParseWholeNumber("1e400"), InvalidNumberError);
    EXPECT_THROW(ParseWholeNumber("1e19"), InvalidNumberError);
}

TEST(DisplayOptions, StartStatesPairAndRadio) {
    DisplayOptions options;
    const bool start[] = {true, false, false, false, true, false, true, true, false, false, true, false};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(options.IsChecked(static_cast<DisplayOption>(i)), start[i]) << i;

    options.Click(DisplayOption::Points);
    options.Click(DisplayOption::Line);
    EXPECT_TRUE(options.cbPoints);
    EXPECT_FALSE(options.cbLine);

    options.Click(DisplayOption::Code);
    EXPECT_TRUE(options.cbCode);
    EXPECT_FALSE(options.cbNumber);
    options.Click(DisplayOption::Code);  // already checked: no change
    EXPECT_TRUE(options.cbCode);
    EXPECT_FALSE(options.cbNumber);
    options.Click(DisplayOption::Number);
    EXPECT_TRUE(options.cbNumber);
    EXPECT_FALSE(options.cbCode);

    options.Click(DisplayOption::Metr1);
    EXPECT_TRUE(options.cbMetr1);
    EXPECT_FALSE(options.cbMetr2);
    EXPECT_FALSE(options.cbMetr3);
    options.Click(DisplayOption::Metr1);
    EXPECT_TRUE(options.cbMetr1);
    EXPECT_TRUE(options.cbShadow);  // the radio group touches only the unit items

    // The label filter is on at start and a toggle of its own.
    EXPECT_TRUE(options.cbDeclutter);
    EXPECT_TRUE(IsToggle(DisplayOption::Declutter));
    EXPECT_FALSE(IsToggle(DisplayOption::Metr1));
    options.Click(DisplayOption::Declutter);
    EXPECT_FALSE(options.IsChecked(DisplayOption::Declutter));
    EXPECT_TRUE(options.cbMetr1);
}

TEST(DisplayOptions, AreaAndPerimeterLabels) {
    const SeparatorScope comma(',');
    DisplayOptions options;
    EXPECT_EQ(AreaLabelText(options, 1234.0), "0,1234");
    options.Click(DisplayOption::Perimetr);
    EXPECT_EQ(AreaLabelText(options, 1234.0), "S = 0,1234");
    EXPECT_EQ(PerimeterLabelText(140.5), "P = 140,50");
    options.Click(DisplayOption::Perimetr);
    struct Case { DisplayOption unit; const char* text; };
    for (const Case& c : {Case{DisplayOption::Metr3, "0,0015"}, Case{DisplayOption::Metr1, "15000,00"},
                          Case{DisplayOption::Metr2, "1,5000"}}) {
        options.Click(c.unit);
        EXPECT_EQ(AreaLabelText(options, 15000.0), c.text);
    }
}

}  // namespace
}  // namespace ter5::map
