#include "engine/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "engine/EngineError.h"
#include "engine/FieldCodec.h"

namespace ter5::engine {
namespace {

using T = FieldType;

TEST(ValueText, NumbersAsEcmaScriptWritesThem) {
    const double inf = std::numeric_limits<double>::infinity();
    for (auto [v, text] : {std::pair{10.0, "10"},
                           {0.5, "0.5"},
                           {5400123.45, "5400123.45"},
                           {-0.001, "-0.001"},
                           {0.1 + 0.2, "0.30000000000000004"},
                           {1e21, "1e+21"},
                           {999999999999999900000.0, "999999999999999900000"},
                           {123e-20, "1.23e-18"},
                           {1.5e-7, "1.5e-7"},
                           {1e-6, "0.000001"},
                           {-2.5e30, "-2.5e+30"},
                           {-0.0, "0"},
                           {5e-324, "5e-324"},
                           {1.7976931348623157e308, "1.7976931348623157e+308"},
                           {inf, "Infinity"},
                           {-inf, "-Infinity"},
                           {std::nan(""), "NaN"}})
        EXPECT_EQ(FormatNumber(v), text) << text;
}

TEST(ValueText, FormatsEachType) {
    const double stamp = static_cast<double>(DateToDayNumber(2000, 2, 29) * kMsPerDay + 13 * 3600000 + 5 * 60000 + 9250);
    struct Case {
        FieldType type;
        Value value;
        const char* text;
    } cases[] = {
        {T::Short, Value::Int(-32767), "-32767"}, {T::AutoInc, Value::Int(2147483647), "2147483647"},
        {T::Money, Value::Float(12.5), "12.5"}, {T::Date, Value::Int(1), "0001-01-01"},
        {T::Date, Value::Int(730179), "2000-02-29"}, {T::Time, Value::Int(0), "00:00:00.000"},
        {T::Time, Value::Int(86399999), "23:59:59.999"},
        {T::Timestamp, Value::Float(stamp), "2000-02-29T13:05:09.250"},
        {T::Timestamp, Value::Float(stamp + 0.5), "2000-02-29T13:05:09.251"},   // rounds half up
        {T::Timestamp, Value::Float(stamp + 0.49), "2000-02-29T13:05:09.250"},
        {T::Timestamp, Value::Float(kMsPerDay * 2.0 - 0.3), "0001-01-02T00:00:00.000"},  // carries a day
        {T::Logical, Value::Bool(true), "true"}, {T::Bcd, Value::Decimal("-12.50"), "-12.50"},
        {T::Alpha, Value::Text("a,\"b\""), "a,\"b\""},
        {T::Bytes, Value::Bytes(std::string("\x00\xff\x1a", 3)), "00ff1a"}, {T::Graphic, Value::Bytes("\xAB"), "ab"},
        {T::Number, Value::Null(), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatValueText(c.type, c.value), c.text) << c.text;
}

TEST(ValueText, ParseInvertsFormat) {
    struct Case {
        FieldType type;
        const char* text;
    } cases[] = {
        {T::Short, "-32767"}, {T::Long, "2147483647"}, {T::Number, "0.30000000000000004"}, {T::Money, "-2.5e+30"},
        {T::Number, "1.5e-7"}, {T::Bcd, "-12.50"}, {T::Date, "0001-01-01"}, {T::Date, "2000-02-29"},
        {T::Time, "23:59:59.999"}, {T::Timestamp, "2000-02-29T13:05:09.250"}, {T::Logical, "false"},
        {T::Alpha, " spaced, \"quoted\" "}, {T::Bytes, "00ff1a"}, {T::Memo, "line1\nline2"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatValueText(c.type, ParseValueText(c.type, c.text)), c.text) << c.text;
    // Accepted variants, written back in the one form.
    for (auto [type, in, out] :
         {std::tuple{T::Bcd, "+007.5", "7.5"}, {T::Bcd, "-0.00", "0.00"}, {T::Bcd, ".5", "0.5"}, {T::Short, " +12 ", "12"},
          {T::Time, "07:30", "07:30:00.000"}, {T::Time, "07:30:01.5", "07:30:01.500"}, {T::Logical, "TRUE", "true"},
          {T::Timestamp, "2024-12-31 23:00:00", "2024-12-31T23:00:00.000"}, {T::Bytes, "ABcd", "abcd"},
          {T::Timestamp, "2024-12-31", "2024-12-31T00:00:00.000"}})
        EXPECT_EQ(FormatValueText(type, ParseValueText(type, in)), out) << in;
    EXPECT_TRUE(ParseValueText(T::Number, "").IsNull());
    EXPECT_TRUE(ParseValueText(T::Date, "  ").IsNull());
    EXPECT_EQ(ParseValueText(T::Alpha, "  ").text, "  ");
}

TEST(ValueText, RejectsBadTextQuotingIt) {
    struct Case {
        FieldType type;
        const char* text;
    } cases[] = {
        {T::Short, "32768"}, {T::Short, "1.0"}, {T::Short, "+-5"}, {T::Long, "2147483648"}, {T::Long, "99999999999999999999"},
        {T::Number, "1,5"}, {T::Number, "inf"}, {T::Number, "nan"}, {T::Bcd, "1.2.3"}, {T::Bcd, "-"},
        {T::Date, "2023-02-29"}, {T::Date, "0000-01-01"}, {T::Date, "29.02.2000"}, {T::Date, "2000-1-1"},
        {T::Time, "24:00:00"}, {T::Time, "12:00:00.1234"}, {T::Timestamp, "2000-01-01X10:00"}, {T::Logical, "yes"},
        {T::Bytes, "abc"}, {T::Blob, "zz"},
    };
    for (const auto& c : cases) {
        try {
            ParseValueText(c.type, c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("'") + c.text + "'"), std::string::npos) << e.what();
        }
    }
}

TEST(ValueText, CsvRoundTrip) {
    const std::vector<std::string> fields = {"plain", "a,b", "say \"hi\"", "two\r\nlines", "", "Кадастр"};
    std::string line;
    for (const auto& f : fields) line += (line.empty() ? "" : ",") + CsvEscape(f);
    EXPECT_EQ(line, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",,Кадастр");
    std::istringstream in(line + "\r\n\nlast,\"\"");
    EXPECT_EQ(ParseCsvRecord(in), fields);
    EXPECT_EQ(ParseCsvRecord(in), std::vector<std::string>{""});  // the empty line
    EXPECT_EQ(ParseCsvRecord(in), (std::vector<std::string>{"last", ""}));
    EXPECT_TRUE(ParseCsvRecord(in).empty());

    std::istringstream unterminated("a,\"open\nfield");
    EXPECT_THROW(ParseCsvRecord(unterminated), EngineError);
    std::istringstream trailing("\"ab\"c,d");
    EXPECT_THROW(ParseCsvRecord(trailing), EngineError);
    std::istringstream bareQuote("5\" pipe,x\rnext");
    EXPECT_EQ(ParseCsvRecord(bareQuote), (std::vector<std::string>{"5\" pipe", "x"}));
    EXPECT_EQ(ParseCsvRecord(bareQuote), std::vector<std::string>{"next"});
}

}  // namespace
}  // namespace ter5::engine
