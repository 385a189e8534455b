#include "TextCodec.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "CodePageConverter.h"
#include "EngineError.h"
#include "Utf8.h"

namespace ter5::engine {
namespace {

// The ANSI page assumed when a header stores code page 0.
constexpr int kFallbackCodePage = 1252;
// The pages text is read in by default: DOS and Windows Cyrillic.
constexpr int kCyrillicDosPage = 866;
constexpr int kCyrillicWindowsPage = 1251;
// Double-byte pages: Shift-JIS, GBK, Unified Hangul, Big5.
constexpr std::array<int, 4> kMultiBytePages{932, 936, 949, 950};
// Largest number Windows and IBM assign to a code page.
constexpr int kMaxCodePage = 65535;
// What a multi-byte page's undecodable byte becomes.
constexpr char32_t kReplacementChar = 0xFFFD;
// Every byte with this bit clear is ASCII; tested eight bytes at a time.
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint8_t kAsciiLimit = 0x80;
// First capital of the Greek alphabet; Greek letters are upper-cased only on pages
// that hold it.
constexpr char32_t kGreekCapitalAlpha = 0x391;

bool IsMultiBytePage(int codePage) {
    return std::find(kMultiBytePages.begin(), kMultiBytePages.end(), codePage) != kMultiBytePages.end();
}

// Simple (one-to-one) upper case of the letters code pages hold.
char32_t UpperCodePoint(char32_t c, bool greek) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;             // à-þ, not ÷
    if (c == 0xFF) return 0x178;                                  // ÿ → Ÿ
    if (c <= 0x137) return (c & 1) ? c - 1 : c;                   // Ā/ā … Ķ/ķ pairs
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : c - 1;    // Ĺ/ĺ … Ň/ň
    if (c >= 0x14A && c <= 0x177) return (c & 1) ? c - 1 : c;    // Ŋ/ŋ … Ŷ/ŷ
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : c - 1;    // Ź/ź … Ž/ž
    if (greek) {
        if (c == 0x3AC) return 0x386;                             // ά
        if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;            // έ ή ί
        if (c == 0x3C2) return 0x3A3;                             // final sigma
        if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;            // α-ω, ϊ ϋ
        if (c == 0x3CC) return 0x38C;                             // ό
        if (c == 0x3CD || c == 0x3CE) return c - 0x3F;            // ύ ώ
    }
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // а-я
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;                // ѐ-џ: ё, є, і, ї, ў …
    if (c == 0x491) return 0x490;                                 // ґ
    return c;
}

[[noreturn]] void FailUnencodable(char32_t c, int codePage) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
    std::string glyph;
    AppendUtf8(c, glyph);
    Fail("", "character " + std::string(hex) + " '" + glyph + "' cannot be stored in code page " +
                 std::to_string(codePage));
}

}  // namespace

struct TextCodec::SingleByteTables {
    struct Utf8Char {
        char bytes[4];
        std::uint8_t size;
    };
    std::array<Utf8Char, 256> decode{};
    std::array<char32_t, 256> codePoint{};
    std::vector<std::pair<char32_t, std::uint8_t>> encode;  // sorted by code point
    std::array<std::uint8_t, 256> upper{};
    bool asciiIdentity = true;

    // The byte holding `c`, or -1.
    int Find(char32_t c) const {
        auto it = std::lower_bound(encode.begin(), encode.end(), std::make_pair(c, std::uint8_t{0}));
        return (it != encode.end() && it->first == c) ? it->second : -1;
    }
};

struct TextCodec::MultiByteConverter {
    std::mutex mutex;
    std::unique_ptr<CodePageConverter> converter;
};

std::shared_ptr<const TextCodec::SingleByteTables> TextCodec::BuildTables(int codePage) {
    const auto converter = CodePageConverter::Open(codePage);
    if (!converter) Fail("", "unsupported code page " + std::to_string(codePage));
    auto t = std::make_shared<SingleByteTables>();
    for (int b = 0; b < 256; ++b) {
        const char32_t c = converter->DecodeByte(static_cast<std::uint8_t>(b)).value_or(static_cast<char32_t>(b));
        std::string bytes;
        AppendUtf8(c, bytes);
        auto& entry = t->decode[b];
        std::memcpy(entry.bytes, bytes.data(), bytes.size());
        entry.size = static_cast<std::uint8_t>(bytes.size());
        t->codePoint[b] = c;
        t->encode.emplace_back(c, static_cast<std::uint8_t>(b));
        if (b < kAsciiLimit && c != static_cast<char32_t>(b)) t->asciiIdentity = false;
    }
    std::stable_sort(t->encode.begin(), t->encode.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const bool greek = t->Find(kGreekCapitalAlpha) >= 0;
    for (int b = 0; b < 256; ++b) {
        int up = t->Find(UpperCodePoint(t->codePoint[b], greek));
        t->upper[b] = static_cast<std::uint8_t>(up >= 0 ? up : b);
    }
    return t;
}

TextCodec::TextCodec(int codePage) : codePage_(codePage == 0 ? kFallbackCodePage : codePage) {
    if (codePage_ < 0 || codePage_ > kMaxCodePage) Fail("", "unsupported code page " + std::to_string(codePage));
    // Tables and converters are shared by every codec of the same page.
    static std::mutex registryMutex;
    static std::map<int, std::shared_ptr<const SingleByteTables>> singles;
    static std::map<int, std::shared_ptr<MultiByteConverter>> multis;
    std::lock_guard lock(registryMutex);
    if (IsMultiBytePage(codePage_)) {
        auto& m = multis[codePage_];
        if (!m) {
            auto created = std::make_shared<MultiByteConverter>();
            created->converter = CodePageConverter::Open(codePage_);
            if (!created->converter) {
                multis.erase(codePage_);
                Fail("", "unsupported code page " + std::to_string(codePage_));
            }
            m = std::move(created);
        }
        multi_ = m;
    } else {
        auto& s = singles[codePage_];
        if (!s) {
            try {
                s = BuildTables(codePage_);
            } catch (...) {
                singles.erase(codePage_);
                throw;
            }
        }
        single_ = s;
    }
}

bool TextCodec::IsSingleByte() const { return single_ != nullptr; }

std::string TextCodec::Decode(std::string_view bytes) const {
    std::string out;
    DecodeInto(bytes, out);
    return out;
}

void TextCodec::DecodeInto(std::string_view bytes, std::string& out) const {
    out.clear();
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    if (single_) {
        const auto& table = single_->decode;
        out.reserve(n);
        std::size_t i = 0;
        while (i < n) {
            std::size_t j = i;
            if (single_->asciiIdentity) {
                for (std::uint64_t word; j + 8 <= n; j += 8) {
                    std::memcpy(&word, p + j, 8);
                    if (word & kHighBits) break;
                }
                while (j < n && p[j] < kAsciiLimit) ++j;
                out.append(bytes.data() + i, j - i);
            }
            for (; j < n && (p[j] >= kAsciiLimit || !single_->asciiIdentity); ++j)
                out.append(table[p[j]].bytes, table[p[j]].size);
            i = j;
        }
        return;
    }
    std::lock_guard lock(multi_->mutex);
    // An invalid or truncated sequence costs one byte, written as U+FFFD.
    for (std::size_t stop; (stop = multi_->converter->ToUtf8(bytes, out)) != std::string_view::npos;) {
        AppendUtf8(kReplacementChar, out);
        bytes.remove_prefix(stop + 1);
    }
}

std::string TextCodec::Encode(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    if (single_) {
        std::size_t pos = 0;
        while (pos < utf8.size()) {
            const auto byte = static_cast<std::uint8_t>(utf8[pos]);
            if (byte < kAsciiLimit && single_->asciiIdentity) {
                out.push_back(static_cast<char>(byte));
                ++pos;
                continue;
            }
            char32_t c = 0;
            if (!NextUtf8(utf8, pos, c)) Fail("", "invalid UTF-8 in text at byte " + std::to_string(pos));
            int b = single_->Find(c);
            if (b < 0) FailUnencodable(c, codePage_);
            out.push_back(static_cast<char>(b));
        }
        return out;
    }
    std::lock_guard lock(multi_->mutex);
    std::size_t pos = multi_->converter->FromUtf8(utf8, out);
    if (pos == std::string_view::npos) return out;
    char32_t c = 0;
    if (!NextUtf8(utf8, pos, c)) Fail("", "invalid UTF-8 in text at byte " + std::to_string(pos));
    FailUnencodable(c, codePage_);
}

void TextCodec::UpperInPlace(std::string& codePageBytes) const {
    if (single_) {
        for (char& ch : codePageBytes) ch = static_cast<char>(single_->upper[static_cast<std::uint8_t>(ch)]);
        return;
    }
    // Double-byte pages: a lead byte's trail byte may fall in a-z and must stay.
    const bool shiftJis = codePage_ == kMultiBytePages[0];
    for (std::size_t i = 0; i < codePageBytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(codePageBytes[i]);
        const bool lead = shiftJis ? ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) : (b >= 0x81 && b <= 0xFE);
        if (lead)
            ++i;
        else if (b >= 'a' && b <= 'z')
            codePageBytes[i] = static_cast<char>(b - ('a' - 'A'));
    }
}

int DefaultTextCodePage(int headerCodePage) {
    return (headerCodePage == kCyrillicDosPage || headerCodePage == kCyrillicWindowsPage) ? headerCodePage
                                                                                         : kCyrillicWindowsPage;
}

int ParseCodePage(std::string_view name) {
    std::string s;
    for (char c : name)
        if (c != ' ') s.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    static const std::map<std::string, int, std::less<>> kNamed{
        {"gbk", 936}, {"gb2312", 936}, {"big5", 950}, {"shift_jis", 932}, {"sjis", 932}, {"uhc", 949}};
    int page = 0;
    if (auto it = kNamed.find(s); it != kNamed.end()) {
        page = it->second;
    } else {
        std::string_view digits = s;
        for (std::string_view prefix : {"windows", "win", "cp", "ibm", "dos", "ms"}) {
            if (digits.starts_with(prefix)) {
                digits.remove_prefix(prefix.size());
                if (!digits.empty() && (digits[0] == '-' || digits[0] == '_')) digits.remove_prefix(1);
                break;
            }
        }
        const bool numeric = !digits.empty() && digits.size() <= 5 &&
                             std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (numeric) page = std::stoi(std::string(digits));
        if (page <= 0 || page > kMaxCodePage) Fail("", "unknown code page '" + std::string(name) + "'");
    }
    try {
        TextCodec probe(page);
    } catch (const EngineError&) {
        Fail("", "unsupported code page '" + std::string(name) + "'");
    }
    return page;
}

}  // namespace ter5::engine
