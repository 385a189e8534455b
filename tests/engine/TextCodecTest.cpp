#include "engine/TextCodec.h"

#include <gtest/gtest.h>

#include "engine/EngineError.h"

namespace ter5::engine {
namespace {

const std::string kPrivet = "Привет";

TEST(TextCodec, DecodesCyrillicFromBothPages) {
    EXPECT_EQ(TextCodec(1251).Decode("\xCF\xF0\xE8\xE2\xE5\xF2"), kPrivet);
    EXPECT_EQ(TextCodec(866).Decode("\x8F\xE0\xA8\xA2\xA5\xE2"), kPrivet);
    EXPECT_EQ(TextCodec(1251).Encode(kPrivet), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(TextCodec(866).Encode(kPrivet), "\x8F\xE0\xA8\xA2\xA5\xE2");
}

TEST(TextCodec, AsciiRunsAroundNonAsciiBytes) {
    // Long enough for the eight-byte ASCII scan to stop and restart mid-string.
    const std::string bytes = "Kadastr 2024, uchastok \xB9 17: \xE7\xE5\xEC\xEB\xFF / land plot no. 42";
    const std::string text = "Kadastr 2024, uchastok № 17: земля / land plot no. 42";
    TextCodec codec(1251);
    EXPECT_EQ(codec.Decode(bytes), text);
    EXPECT_EQ(codec.Encode(text), bytes);
    std::string reused = "old contents that must go";
    codec.DecodeInto("ab", reused);
    EXPECT_EQ(reused, "ab");
}

TEST(TextCodec, EveryByteOfSingleBytePagesRoundTrips) {
    // Undefined bytes (0x98 in 1251, 0x81 in 1252) come back as the same byte.
    for (int page : {437, 850, 866, 1250, 1251, 1252}) {
        TextCodec codec(page);
        std::string all;
        for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
        EXPECT_EQ(codec.Encode(codec.Decode(all)), all) << page;
    }
}

TEST(TextCodec, RejectsWhatThePageCannotHold) {
    try {
        TextCodec(1252).Encode("ok ж");
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("U+0436"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("1252"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TextCodec(866).Encode("€"), EngineError);
    EXPECT_THROW(TextCodec(1251).Encode("bad \xC3"), EngineError);     // truncated UTF-8
    EXPECT_THROW(TextCodec(1251).Encode("\xED\xA0\x80"), EngineError);  // surrogate
    EXPECT_THROW(TextCodec(936).Encode("ok \xFF"), EngineError);
    EXPECT_THROW(TextCodec(936).Encode("Привет ☃"), EngineError);
}

TEST(TextCodec, UpperCasesCyrillicAndLatin) {
    struct Case {
        int page;
        std::string lower, upper;
    };
    const Case cases[] = {
        {1251, "привет, ёлка-2024 ъ", "ПРИВЕТ, ЁЛКА-2024 Ъ"},
        {866, "привет, ёлка-2024 ъ", "ПРИВЕТ, ЁЛКА-2024 Ъ"},
        {1251, "ґ є ї і ў", "Ґ Є Ї І Ў"},
        {1252, "café šœž ÿ ß µ", "CAFÉ ŠŒŽ Ÿ ß µ"},
        {850, "éàüø", "ÉÀÜØ"},
        {437, "éäñ ÿ σ", "ÉÄÑ ÿ σ"},  // no capital Ÿ in 437; Greek left alone
    };
    for (const auto& c : cases) {
        TextCodec codec(c.page);
        std::string bytes = codec.Encode(c.lower);
        codec.UpperInPlace(bytes);
        EXPECT_EQ(codec.Decode(bytes), c.upper) << c.page;
    }
}

TEST(TextCodec, DoubleBytePageGoesThroughIconv) {
    TextCodec codec(936);
    EXPECT_FALSE(codec.IsSingleByte());
    const std::string gbk = "\xD6\xD0\xCE\xC4 abc";  // 中文 abc
    EXPECT_EQ(codec.Decode(gbk), "中文 abc");
    EXPECT_EQ(codec.Encode("中文 abc"), gbk);
    EXPECT_EQ(codec.Decode("a\xFF" "b\x81"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");  // U+FFFD for bad bytes
    // 襛 is 0xD2 0x61: its trail byte is an 'a' that upper-casing must keep.
    std::string mixed = "\xD2\x61x";
    codec.UpperInPlace(mixed);
    EXPECT_EQ(mixed, "\xD2\x61X");
}

TEST(TextCodec, CodePageChoice) {
    EXPECT_EQ(TextCodec(0).CodePage(), 1252);
    EXPECT_THROW(TextCodec(12345), EngineError);
    EXPECT_THROW(TextCodec(-1), EngineError);
    for (auto [header, text] : {std::pair{866, 866}, {1251, 1251}, {1252, 1251}, {437, 1251}, {0, 1251}, {936, 1251}})
        EXPECT_EQ(DefaultTextCodePage(header), text) << header;
}

TEST(TextCodec, ParsesCodePageNames) {
    for (auto [name, page] : {std::pair{"1251", 1251}, {"cp1251", 1251}, {"windows-1251", 1251}, {"WIN1251", 1251},
                              {"CP866", 866}, {"ibm866", 866}, {"dos-866", 866}, {" cp 437 ", 437}, {"GBK", 936}})
        EXPECT_EQ(ParseCodePage(name), page) << name;
    for (const char* bad : {"", "cp", "utf-8", "koi8-r", "cp12345", "1251x", "0", "-1251", "cp99999999"})
        EXPECT_THROW(ParseCodePage(bad), EngineError) << bad;
}

}  // namespace
}  // namespace ter5::engine
