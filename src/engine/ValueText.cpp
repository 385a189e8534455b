#include "ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>
#include <streambuf>

#include "EngineError.h"
#include "FieldCodec.h"

namespace ter5::engine {
namespace {

// ECMAScript Number::toString: fixed notation while the decimal exponent n
// (value = 0.digits × 10^n) satisfies kMinFixedExponent < n <= kMaxFixedExponent.
constexpr int kMaxFixedExponent = 21;
constexpr int kMinFixedExponent = -6;
// Room for the shortest scientific form of any double ("-2.2250738585072014e-308").
constexpr int kNumberBufferSize = 32;
constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::int64_t kMsPerHour = 60 * kMsPerMinute;
// Timestamps beyond this many milliseconds have no exact integer millisecond.
constexpr double kMaxExactMs = 9007199254740992.0;  // 2^53
// Largest magnitudes of the integer types (see FieldCodec.cpp).
constexpr std::int64_t kShortMax = 32767;
constexpr std::int64_t kLongMax = 2147483647;
// Calendar years the text form accepts.
constexpr int kMaxYear = 9999;
constexpr char kHexDigits[] = "0123456789abcdef";

[[noreturn]] void FailText(FieldType type, std::string_view text, const std::string& why) {
    Fail("", "cannot read '" + std::string(text) + "' as " + std::string(FieldTypeName(type)) + ": " + why);
}

void AppendPadded(std::string& out, std::uint64_t v, int width) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llu", width, static_cast<unsigned long long>(v));
    out += buf;
}

void AppendDate(std::string& out, std::int64_t dayNumber) {
    const CivilDate d = DayNumberToDate(dayNumber);
    if (d.year < 0) out += '-';
    AppendPadded(out, static_cast<std::uint64_t>(d.year < 0 ? -d.year : d.year), 4);
    out += '-';
    AppendPadded(out, d.month, 2);
    out += '-';
    AppendPadded(out, d.day, 2);
}

void AppendTime(std::string& out, std::int64_t signedMs) {
    if (signedMs < 0) out += '-';
    // Unsigned, so that the magnitude of INT64_MIN does not overflow.
    const std::uint64_t ms = signedMs < 0 ? 0 - static_cast<std::uint64_t>(signedMs) : static_cast<std::uint64_t>(signedMs);
    AppendPadded(out, ms / kMsPerHour, 2);
    out += ':';
    AppendPadded(out, ms % kMsPerHour / kMsPerMinute, 2);
    out += ':';
    AppendPadded(out, ms % kMsPerMinute / kMsPerSecond, 2);
    out += '.';
    AppendPadded(out, ms % kMsPerSecond, 3);
}

std::string FormatTimestamp(double ms) {
    if (!std::isfinite(ms) || std::fabs(ms) > kMaxExactMs) return FormatNumber(ms);
    const auto rounded = static_cast<std::int64_t>(std::llround(ms));
    std::int64_t days = rounded / kMsPerDay;
    std::int64_t rest = rounded % kMsPerDay;
    if (rest < 0) rest += kMsPerDay, --days;
    std::string out;
    AppendDate(out, days);
    out += 'T';
    AppendTime(out, rest);
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Reads exactly `width` decimal digits at `pos`.
bool ReadFixed(std::string_view s, std::size_t& pos, std::size_t width, int& v) {
    if (pos + width > s.size()) return false;
    v = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const char c = s[pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    pos += width;
    return true;
}

bool Expect(std::string_view s, std::size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

// YYYY-MM-DD at `pos` → day number.
bool ReadDate(std::string_view s, std::size_t& pos, std::int64_t& dayNumber) {
    int y = 0, m = 0, d = 0;
    if (!ReadFixed(s, pos, 4, y) || !Expect(s, pos, '-') || !ReadFixed(s, pos, 2, m) || !Expect(s, pos, '-') ||
        !ReadFixed(s, pos, 2, d))
        return false;
    if (y < 1 || y > kMaxYear || !IsValidDate(y, m, d)) return false;
    dayNumber = DateToDayNumber(y, m, d);
    return true;
}

// HH:MM[:SS[.f{1,3}]] at `pos` → milliseconds since midnight.
bool ReadTime(std::string_view s, std::size_t& pos, std::int64_t& ms) {
    int h = 0, m = 0, sec = 0, frac = 0;
    if (!ReadFixed(s, pos, 2, h) || !Expect(s, pos, ':') || !ReadFixed(s, pos, 2, m)) return false;
    if (Expect(s, pos, ':')) {
        if (!ReadFixed(s, pos, 2, sec)) return false;
        if (Expect(s, pos, '.')) {
            int scale = 100, digits = 0;
            for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos, ++digits, scale /= 10) {
                if (digits == 3) return false;
                frac += (s[pos] - '0') * scale;
            }
            if (digits == 0) return false;
        }
    }
    if (h * kMsPerHour >= kMsPerDay || m * kMsPerMinute >= kMsPerHour || sec * kMsPerSecond >= kMsPerMinute) return false;
    ms = h * kMsPerHour + m * kMsPerMinute + sec * kMsPerSecond + frac;
    return true;
}

Value ParseInteger(FieldType type, std::string_view text, std::string_view s, std::int64_t max) {
    if (s.size() > 1 && s[0] == '+' && s[1] != '-') s.remove_prefix(1);
    std::int64_t v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range) FailText(type, text, "out of range");
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) FailText(type, text, "not an integer");
    if (v > max || v < -max) FailText(type, text, "out of range ±" + std::to_string(max));
    return Value::Int(v);
}

Value ParseDecimal(FieldType type, std::string_view text, std::string_view s) {
    std::string out;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        if (s[0] == '-') out += '-';
        s.remove_prefix(1);
    }
    const auto point = s.find('.');
    std::string_view whole = s.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
    auto digitsOnly = [](std::string_view v) {
        for (char c : v)
            if (c < '0' || c > '9') return false;
        return true;
    };
    if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) || !digitsOnly(fraction))
        FailText(type, text, "not a decimal number");
    while (whole.size() > 1 && whole[0] == '0') whole.remove_prefix(1);
    out += whole.empty() ? "0" : whole;
    if (point != std::string_view::npos && !fraction.empty()) out.append(".").append(fraction);
    if (out[0] == '-' && out.find_first_of("123456789") == std::string::npos) out.erase(0, 1);  // no −0
    return Value::Decimal(std::move(out));
}

Value ParseHex(FieldType type, std::string_view text, std::string_view s) {
    if (s.size() % 2) FailText(type, text, "odd number of hex digits");
    auto nibble = [&](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        FailText(type, text, "not hex digits");
    };
    std::string bytes;
    bytes.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size(); i += 2)
        bytes.push_back(static_cast<char>(nibble(s[i]) * 16 + nibble(s[i + 1])));
    return Value::Bytes(std::move(bytes));
}

}  // namespace

std::string FormatNumber(double value) {
    if (std::isnan(value)) return "NaN";
    if (value == 0) return "0";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    char buf[kNumberBufferSize];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));  // "-d.ddde-XX"
    std::string out;
    if (sci[0] == '-') {
        out += '-';
        sci.remove_prefix(1);
    }
    const auto e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c != '.') digits += c;
    int exponent = 0;
    std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
    const int k = static_cast<int>(digits.size());
    const int n = exponent + 1;
    if (k <= n && n <= kMaxFixedExponent) {
        out += digits;
        out.append(static_cast<std::size_t>(n - k), '0');
    } else if (0 < n && n <= kMaxFixedExponent) {
        out.append(digits, 0, static_cast<std::size_t>(n)).append(".").append(digits, static_cast<std::size_t>(n));
    } else if (kMinFixedExponent < n && n <= 0) {
        out.append("0.").append(static_cast<std::size_t>(-n), '0').append(digits);
    } else {
        out += digits[0];
        if (k > 1) out.append(".").append(digits, 1);
        out += n - 1 >= 0 ? "e+" : "e-";
        out += std::to_string(std::abs(n - 1));
    }
    return out;
}

std::string FormatValueText(FieldType type, const Value& value) {
    std::string out;
    switch (value.kind) {
        case Value::Kind::Null:
            return out;
        case Value::Kind::Int:
            if (type == FieldType::Date) {
                AppendDate(out, value.integer);
            } else if (type == FieldType::Time) {
                AppendTime(out, value.integer);
            } else if (type == FieldType::Timestamp) {
                return FormatTimestamp(static_cast<double>(value.integer));
            } else {
                out = std::to_string(value.integer);
            }
            return out;
        case Value::Kind::Float:
            return type == FieldType::Timestamp ? FormatTimestamp(value.number) : FormatNumber(value.number);
        case Value::Kind::Bool:
            return value.boolean ? "true" : "false";
        case Value::Kind::Text:
        case Value::Kind::Decimal:
            return value.text;
        case Value::Kind::Bytes:
            out.reserve(value.text.size() * 2);
            for (unsigned char c : value.text) {
                out += kHexDigits[c >> 4];
                out += kHexDigits[c & 0x0F];
            }
            return out;
    }
    return out;
}

Value ParseValueText(FieldType type, std::string_view text) {
    if (text.empty()) return Value::Null();
    switch (type) {
        case FieldType::Alpha:
        case FieldType::Memo:
        case FieldType::FmtMemo:
            return Value::Text(std::string(text));
        default:
            break;
    }
    const std::string_view s = Trim(text);
    if (s.empty()) return Value::Null();
    std::size_t pos = 0;
    std::int64_t day = 0, ms = 0;
    switch (type) {
        case FieldType::Short:
            return ParseInteger(type, text, s, kShortMax);
        case FieldType::Long:
        case FieldType::AutoInc:
            return ParseInteger(type, text, s, kLongMax);
        case FieldType::Number:
        case FieldType::Money: {
            const std::string_view digits = s.size() > 1 && s[0] == '+' && s[1] != '-' ? s.substr(1) : s;
            double v = 0;
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
            if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || !std::isfinite(v))
                FailText(type, text, "not a finite number");
            return Value::Float(v);
        }
        case FieldType::Bcd:
            return ParseDecimal(type, text, s);
        case FieldType::Date:
            if (!ReadDate(s, pos, day) || pos != s.size()) FailText(type, text, "expected a date YYYY-MM-DD");
            return Value::Int(day);
        case FieldType::Time:
            if (!ReadTime(s, pos, ms) || pos != s.size()) FailText(type, text, "expected a time HH:MM:SS.mmm");
            return Value::Int(ms);
        case FieldType::Timestamp:
            if (!ReadDate(s, pos, day) ||
                (pos != s.size() && (!(Expect(s, pos, 'T') || Expect(s, pos, ' ')) || !ReadTime(s, pos, ms))) ||
                pos != s.size())
                FailText(type, text, "expected a timestamp YYYY-MM-DDTHH:MM:SS.mmm");
            return Value::Float(static_cast<double>(day * kMsPerDay + ms));
        case FieldType::Logical: {
            std::string lower;
            for (char c : s) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            if (lower == "true") return Value::Bool(true);
            if (lower == "false") return Value::Bool(false);
            FailText(type, text, "expected true or false");
        }
        case FieldType::Bytes:
        case FieldType::Blob:
        case FieldType::Ole:
        case FieldType::Graphic:
            return ParseHex(type, text, s);
        default:
            FailText(type, text, "unknown field type");
    }
}

std::string CsvEscape(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
    std::string out;
    out.reserve(field.size() + 2);
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::vector<std::string> ParseCsvRecord(std::istream& in) {
    using Traits = std::char_traits<char>;
    std::vector<std::string> fields;
    std::streambuf* buf = in.rdbuf();
    if (!in.good() || !buf || Traits::eq_int_type(buf->sgetc(), Traits::eof())) {
        in.setstate(std::ios::eofbit);
        return fields;
    }
    std::string field;
    while (true) {
        auto c = buf->sbumpc();
        if (Traits::eq_int_type(c, Traits::to_int_type('"')) && field.empty()) {
            // Quoted field: runs to a quote not followed by another quote.
            while (true) {
                c = buf->sbumpc();
                if (Traits::eq_int_type(c, Traits::eof())) Fail("", "CSV: unterminated quoted field");
                if (Traits::to_char_type(c) == '"') {
                    if (!Traits::eq_int_type(buf->sgetc(), Traits::to_int_type('"'))) break;
                    buf->sbumpc();
                }
                field += Traits::to_char_type(c);
            }
            c = buf->sbumpc();
            const bool separator = Traits::eq_int_type(c, Traits::eof()) || Traits::to_char_type(c) == ',' ||
                                   Traits::to_char_type(c) == '\r' || Traits::to_char_type(c) == '\n';
            if (!separator)
                Fail("", "CSV: unexpected '" + std::string(1, Traits::to_char_type(c)) + "' after closing quote");
        }
        if (Traits::eq_int_type(c, Traits::eof())) {
            fields.push_back(std::move(field));
            in.setstate(std::ios::eofbit);
            return fields;
        }
        const char ch = Traits::to_char_type(c);
        if (ch == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (ch == '\n' || ch == '\r') {
            if (ch == '\r' && Traits::eq_int_type(buf->sgetc(), Traits::to_int_type('\n'))) buf->sbumpc();
            fields.push_back(std::move(field));
            return fields;
        } else {
            field += ch;
        }
    }
}

}  // namespace ter5::engine
