#include "engine/FieldCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/EngineError.h"

#ifdef TER5_HAVE_PXLIB
extern "C" {
#include <paradox.h>
}
#endif

namespace ter5::engine {
namespace {

using T = FieldType;

FieldDesc Field(FieldType type, int size = 0, const char* name = "F") {
    FieldDesc f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.length = FieldStorageSize(type, size);
    return f;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[3];
    for (auto b : bytes) std::snprintf(buf, sizeof buf, "%02x", b), out += buf;
    return out;
}

std::vector<std::uint8_t> Encode(const FieldDesc& f, const Value& v, const TextCodec& codec = TextCodec(1251)) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(f.length), 0xAA);
    EncodeField(f, v, out.data(), codec);
    return out;
}

bool SameValue(const Value& a, const Value& b) {
    return a.kind == b.kind && a.boolean == b.boolean && a.integer == b.integer && a.text == b.text &&
           std::memcmp(&a.number, &b.number, sizeof(double)) == 0;
}

TEST(FieldCodec, StoredBytesOfEachType) {
    const std::string zeros14(28, '0');
    struct Case {
        FieldDesc field;
        Value value;
        std::string hex;
    } cases[] = {
        {Field(T::Short), Value::Int(1), "8001"}, {Field(T::Short), Value::Int(-1), "7fff"},
        {Field(T::Short), Value::Int(0), "8000"}, {Field(T::Short), Value::Int(32767), "ffff"},
        {Field(T::Short), Value::Int(-32767), "0001"}, {Field(T::Long), Value::Int(-2147483647), "00000001"},
        {Field(T::AutoInc), Value::Float(3.0), "80000003"},
        {Field(T::Date), Value::Int(DateToDayNumber(2018, 1, 1)), "800b3db7"},  // 736695
        {Field(T::Time), Value::Int(0), "80000000"}, {Field(T::Number), Value::Float(1.0), "bff0000000000000"},
        {Field(T::Number), Value::Float(-1.0), "400fffffffffffff"},
        {Field(T::Money), Value::Float(-0.0), "8000000000000000"},
        {Field(T::Number), Value::Int(2), "c000000000000000"},
        {Field(T::Timestamp), Value::Float(63716202001000.0), "c2ccf98acb193400"},
        {Field(T::Logical), Value::Bool(true), "81"}, {Field(T::Logical), Value::Bool(false), "80"},
        {Field(T::Alpha, 8), Value::Text("Привет"), "cff0e8e2e5f20000"},
        {Field(T::Bytes, 3), Value::Bytes("\x01\x02"), "010200"},
        {Field(T::Bcd, 2), Value::Decimal("1.23"), "c2" + zeros14 + "0123"},
        {Field(T::Bcd, 2), Value::Decimal("-1.23"), "42" + std::string(28, 'f') + "fedc"},
        {Field(T::Bcd, 0), Value::Int(-1), "40" + std::string(30, 'f') + "fe"},
        {Field(T::Bcd, 2), Value::Decimal("1.235"), "c2" + zeros14 + "0124"},
        {Field(T::Bcd, 2), Value::Decimal("-0.004"), "c2" + zeros14 + "0000"},
        {Field(T::Bcd, 2), Value::Float(0.5), "c2" + zeros14 + "0050"},
        {Field(T::Long), Value::Null(), "00000000"}, {Field(T::Alpha, 2), Value::Text(""), "0000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(Encode(c.field, c.value)), c.hex) << FieldTypeName(c.field.type);
}

TEST(FieldCodec, DecodeInvertsEncode) {
    const TextCodec codec(1251);
    const double minDouble = std::numeric_limits<double>::denorm_min();
    struct Case {
        FieldDesc field;
        Value value;
    } cases[] = {
        {Field(T::Short), Value::Int(-32767)}, {Field(T::Short), Value::Int(0)},
        {Field(T::Long), Value::Int(2147483647)}, {Field(T::Long), Value::Int(-5)},
        {Field(T::Date), Value::Int(1)}, {Field(T::Time), Value::Int(86399999)},
        {Field(T::Number), Value::Float(-1e300)}, {Field(T::Number), Value::Float(minDouble)},
        {Field(T::Number), Value::Float(0.0)}, {Field(T::Money), Value::Float(-0.01)},
        {Field(T::Logical), Value::Bool(false)}, {Field(T::Alpha, 20), Value::Text("Ёлка, tree")},
        {Field(T::Alpha, 6), Value::Text("ровно6")}, {Field(T::Bytes, 2), Value::Bytes(std::string("\xff\x00", 2))},
        {Field(T::Bcd, 2), Value::Decimal("-12.50")},
        {Field(T::Bcd, 0), Value::Decimal("99999999999999999999999999999999")},
        {Field(T::Bcd, 32), Value::Decimal("0.00000000000000000000000000000001")},
    };
    for (const auto& c : cases) {
        const auto bytes = Encode(c.field, c.value, codec);
        const Value back = DecodeField(c.field, bytes.data(), codec);
        EXPECT_TRUE(SameValue(back, c.value)) << FieldTypeName(c.field.type) << " " << Hex(bytes);
        const std::vector<std::uint8_t> zero(bytes.size(), 0);
        EXPECT_TRUE(DecodeField(c.field, zero.data(), codec).IsNull()) << FieldTypeName(c.field.type);
    }
    // −0.0 is stored as +0.0, which is a value, not NULL.
    const auto negZero = Encode(Field(T::Number), Value::Float(-0.0));
    const Value z = DecodeField(Field(T::Number), negZero.data(), codec);
    EXPECT_EQ(z.kind, Value::Kind::Float);
    EXPECT_FALSE(std::signbit(z.number));
}

TEST(FieldCodec, ErrorsNameTheField) {
    const TextCodec codec(1251);
    auto message = [&](const FieldDesc& f, const Value& v) -> std::string {
        try {
            Encode(f, v, codec);
        } catch (const EngineError& e) {
            return e.what();
        }
        return "no error";
    };
    const std::string mismatch = message(Field(T::Number, 0, "Area"), Value::Text("12"));
    EXPECT_NE(mismatch.find("'Area'"), std::string::npos) << mismatch;
    EXPECT_NE(mismatch.find("type mismatch"), std::string::npos) << mismatch;
    EXPECT_NE(message(Field(T::Alpha, 5, "Owner"), Value::Text("Иванов")).find("'Owner'"), std::string::npos);
    struct Bad {
        FieldDesc field;
        Value value;
    } bad[] = {
        {Field(T::Short), Value::Int(32768)}, {Field(T::Short), Value::Int(-32768)},
        {Field(T::Long), Value::Int(1LL << 31)}, {Field(T::Long), Value::Float(1.5)},
        {Field(T::Time), Value::Int(86400000)}, {Field(T::Time), Value::Int(-1)},
        {Field(T::Number), Value::Float(NAN)}, {Field(T::Logical), Value::Int(1)},
        {Field(T::Alpha, 3), Value::Text("é")}, {Field(T::Bytes, 1), Value::Bytes("ab")},
        {Field(T::Bcd, 2), Value::Decimal("1e5")},
        {Field(T::Bcd, 2), Value::Decimal("1" + std::string(30, '0'))},  // 31 integer digits
        {Field(T::Bcd, 0), Value::Decimal(std::string(32, '9') + ".5")},  // rounds to 33 digits
        {Field(T::Memo, 1), Value::Text("x")},
    };
    for (const auto& b : bad) EXPECT_THROW(Encode(b.field, b.value, codec), EngineError) << FieldTypeName(b.field.type);
    FieldDesc wrongLength = Field(T::Long);
    wrongLength.length = 2;
    const std::uint8_t bytes[8] = {0x80, 1};
    EXPECT_THROW(DecodeField(wrongLength, bytes, codec), EngineError);
    EXPECT_THROW(DecodeField(Field(T::Memo, 1), bytes, codec), EngineError);
}

TEST(FieldCodec, CivilDates) {
    struct Case {
        std::int64_t day;
        int year, month, dayOfMonth;
    } cases[] = {{1, 1, 1, 1}, {59, 1, 2, 28}, {60, 1, 3, 1}, {730120, 2000, 1, 1},
                 {730179, 2000, 2, 29}, {736695, 2018, 1, 1}, {0, 0, 12, 31}, {3652059, 9999, 12, 31}};
    for (const auto& c : cases) {
        const CivilDate d = DayNumberToDate(c.day);
        EXPECT_EQ(d.year, c.year) << c.day;
        EXPECT_EQ(d.month, c.month) << c.day;
        EXPECT_EQ(d.day, c.dayOfMonth) << c.day;
        EXPECT_EQ(DateToDayNumber(c.year, c.month, c.dayOfMonth), c.day);
    }
    for (std::int64_t day = -800000; day < 4000000; day += 997)
        ASSERT_EQ(DateToDayNumber(DayNumberToDate(day).year, DayNumberToDate(day).month, DayNumberToDate(day).day), day);
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 4, 31));
    EXPECT_FALSE(IsValidDate(2023, 13, 1));
}

TEST(FieldCodec, BlobReferences) {
    FieldDesc memo = Field(T::Memo, 4);
    const std::uint8_t record[14] = {'a', 'b', 'c', 'd', 0xFF, 0x12, 0x00, 0x00, 0x34, 0x12, 0, 0, 7, 0};
    const BlobRef ref = DecodeBlobRef(memo, record);
    EXPECT_EQ(ref.leader, "abcd");
    EXPECT_EQ(ref.offset, 0x1200u);
    EXPECT_EQ(ref.index, 0xFF);
    EXPECT_EQ(ref.length, 0x1234u);
    EXPECT_EQ(ref.modNumber, 7);
    std::uint8_t out[14];
    EncodeBlobRef(memo, ref, out);
    EXPECT_EQ(std::memcmp(out, record, sizeof out), 0);
    BlobRef bad = ref;
    bad.leader = "12345";
    EXPECT_THROW(EncodeBlobRef(memo, bad, out), EngineError);
    bad = ref;
    bad.offset = 0x1201;
    EXPECT_THROW(EncodeBlobRef(memo, bad, out), EngineError);
    EXPECT_THROW(DecodeBlobRef(Field(T::Alpha, 12), record), EngineError);
}

#ifdef TER5_HAVE_PXLIB
bool IsStringValue(int pxType) { return pxType == pxfAlpha || pxType == pxfBCD || pxType == pxfBytes; }

// Decodes every record of blob-free real tables and compares with pxlib.
TEST(FieldCodec, RealTablesAgreeWithPxlib) {
    struct Table {
        const char* path;
        int codePage;
    } tables[] = {{"leonhad+paradoxdriver/fields/bcd.db", 1252}, {"leonhad+paradoxdriver/fields/date5.db", 1252},
                  {"leonhad+paradoxdriver/fields/time.db", 1252}, {"leonhad+paradoxdriver/fields/timestamp.db", 1252},
                  {"leonhad+paradoxdriver/fields/logical.db", 1252}, {"leonhad+paradoxdriver/fields/bytes.db", 1252},
                  {"leonhad+paradoxdriver/db/DECIMAL.DB", 1252}, {"leonhad+paradoxdriver/db/GENERAL.DB", 936},
                  {"leonhad+paradoxdriver/db/AREACODES.DB", 1252}, {"Chevich+KsmProj/SPRKU.DB", 1251},
                  {"Chevich+KsmProj/Conf.DB", 866}};
    PX_boot();
    std::vector<std::string> bcdC;
    for (const auto& t : tables) {
        const std::string path = std::string(TER5_TEST_DATA_DIR) + "/" + t.path;
        pxdoc_t* doc = PX_new();
        ASSERT_EQ(PX_open_file(doc, path.c_str()), 0) << path;
        const TextCodec codec(t.codePage);
        const pxfield_t* pf = PX_get_fields(doc);
        std::vector<FieldDesc> fields;
        for (int i = 0, offset = 0; i < PX_get_num_fields(doc); offset += pf[i].px_flen, ++i) {
            FieldDesc f{pf[i].px_fname, static_cast<FieldType>(pf[i].px_ftype), 0, offset, pf[i].px_flen, i + 1};
            f.size = f.type == T::Bcd ? pf[i].px_fdc : f.length;
            fields.push_back(f);
        }
        std::vector<char> record(static_cast<std::size_t>(doc->px_head->px_recordsize));
        for (int r = 0; r < PX_get_num_records(doc); ++r) {
            ASSERT_NE(PX_get_record(doc, r, record.data()), nullptr);
            pxval_t** px = PX_retrieve_record(doc, r);
            ASSERT_NE(px, nullptr);
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const FieldDesc& f = fields[i];
                const auto* p = reinterpret_cast<const std::uint8_t*>(record.data()) + f.offset;
                const Value v = DecodeField(f, p, codec);
                const pxval_t& x = *px[i];
                const std::string where = std::string(t.path) + " #" + std::to_string(r) + " " + f.name;
                if (f.type == T::Bcd && f.size == 32) bcdC.push_back(v.text);
                if (v.IsNull()) {  // pxlib flags only some NULLs and reads others as 0 or INT32_MIN
                    EXPECT_TRUE(x.isnull || x.value.lval == 0 || x.value.lval == INT32_MIN || x.value.dval == 0) << where;
                    continue;
                }
                ASSERT_FALSE(x.isnull) << where;
                switch (v.kind) {
                    case Value::Kind::Int: EXPECT_EQ(v.integer, x.value.lval) << where; break;
                    case Value::Kind::Float: EXPECT_EQ(v.number, x.value.dval) << where; break;
                    case Value::Kind::Bool: EXPECT_EQ(v.boolean, x.value.lval != 0) << where; break;
                    case Value::Kind::Text: EXPECT_EQ(v.text, codec.Decode(x.value.str.val)) << where; break;
                    case Value::Kind::Bytes: EXPECT_EQ(v.text, std::string(x.value.str.val, f.length)) << where; break;
                    case Value::Kind::Decimal: {
                        std::string s = x.value.str.val;  // "1." for no decimals; garbage for bad nibbles
                        if (!s.empty() && s.back() == '.') s.pop_back();
                        if (s.find_first_not_of("-.0123456789") == std::string::npos) {
                            EXPECT_EQ(v.text, s) << where;
                        }
                        break;
                    }
                    case Value::Kind::Null: break;
                }
            }
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (IsStringValue(px[i]->type) && !px[i]->isnull) doc->free(doc, px[i]->value.str.val);
                doc->free(doc, px[i]);
            }
            doc->free(doc, px);
        }
        PX_close(doc);
        PX_delete(doc);
    }
    PX_shutdown();
    // Field C of bcd.db holds nibbles above 9 after the digits of 0.123, −0.123 and
    // 0.9999; the digits up to the first bad nibble are kept, the rest read as zero.
    ASSERT_EQ(bcdC.size(), 3u);
    EXPECT_EQ(bcdC[0], "0.12299999999999999800000000000000");
    EXPECT_EQ(bcdC[1], "-0.12299999999999999800000000000000");
    EXPECT_EQ(bcdC[2], "0.99990000000000001180000000000000");
}
#endif

}  // namespace
}  // namespace ter5::engine
