// The Windows side of CodePageConverter.h: MultiByteToWideChar and
// WideCharToMultiByte, one character at a time where a failure must be placed.
//
// Where the Windows tables and iconv's differ the iconv reading is kept, so a
// table reads alike on both systems: a byte of a double-byte page that is neither
// ASCII nor a lead byte is no character (Windows gives some of them private-use
// characters, e.g. 0xFF in 936 → U+F8F5), and no character is written by a "best
// fit" substitute (Windows would write "a" for "á" in 866).
#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "CodePageConverter.h"
#include "Utf8.h"

namespace ter5::engine {
namespace {

constexpr std::uint8_t kAsciiLimit = 0x80;
// Private-use characters: what Windows gives for bytes iconv calls undefined.
constexpr char32_t kPrivateUseFirst = 0xE000;
constexpr char32_t kPrivateUseLast = 0xF8FF;
// Surrogates of characters beyond U+FFFF in UTF-16.
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr char16_t kHighSurrogate = 0xD800;
constexpr char16_t kLowSurrogate = 0xDC00;
constexpr char16_t kLowSurrogateLast = 0xDFFF;
// The longest character a code page writes.
constexpr int kMaxCharBytes = 4;

// The UTF-16 units of `c`.
int ToUtf16(char32_t c, wchar_t (&units)[2]) {
    if (c < kFirstSupplementary) {
        units[0] = static_cast<wchar_t>(c);
        return 1;
    }
    c -= kFirstSupplementary;
    units[0] = static_cast<wchar_t>(kHighSurrogate + (c >> 10));
    units[1] = static_cast<wchar_t>(kLowSurrogate + (c & 0x3FF));
    return 2;
}

// The character of UTF-16 units (one, or a surrogate pair); nullopt for anything else.
std::optional<char32_t> FromUtf16(const wchar_t* units, int count) {
    if (count == 1 && (units[0] < kHighSurrogate || units[0] > kLowSurrogateLast)) return static_cast<char32_t>(units[0]);
    if (count == 2 && units[0] >= kHighSurrogate && units[0] < kLowSurrogate && units[1] >= kLowSurrogate &&
        units[1] <= kLowSurrogateLast)
        return kFirstSupplementary + ((static_cast<char32_t>(units[0]) - kHighSurrogate) << 10) +
               (static_cast<char32_t>(units[1]) - kLowSurrogate);
    return std::nullopt;
}

}  // namespace

struct CodePageConverter::Impl {
    UINT page = 0;
    bool doubleByte = false;
    CPINFO info{};

    bool IsLead(std::uint8_t b) const { return doubleByte && IsDBCSLeadByteEx(page, b); }

    // The one character of `bytes`, or nullopt when they are not exactly one.
    std::optional<char32_t> Character(const char* bytes, int size) const {
        wchar_t units[4];
        const int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes, size, units, 4);
        if (n <= 0) return std::nullopt;
        const auto c = FromUtf16(units, n);
        // A default character put in for an undefined byte is no character either.
        if (c && size == 1 && static_cast<std::uint8_t>(bytes[0]) >= kAsciiLimit && doubleByte &&
            *c >= kPrivateUseFirst && *c <= kPrivateUseLast)
            return std::nullopt;
        return c;
    }
};

CodePageConverter::CodePageConverter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CodePageConverter::~CodePageConverter() = default;

std::unique_ptr<CodePageConverter> CodePageConverter::Open(int codePage) {
    auto impl = std::make_unique<Impl>();
    impl->page = static_cast<UINT>(codePage);
    if (codePage <= 0 || !IsValidCodePage(impl->page) || !GetCPInfo(impl->page, &impl->info)) return nullptr;
    if (impl->info.MaxCharSize > 2) return nullptr;  // UTF-8 and other pages of more than two bytes a character
    impl->doubleByte = impl->info.MaxCharSize == 2;
    return std::unique_ptr<CodePageConverter>(new CodePageConverter(std::move(impl)));
}

std::optional<char32_t> CodePageConverter::DecodeByte(std::uint8_t b) {
    if (impl_->IsLead(b)) return std::nullopt;
    const char in = static_cast<char>(b);
    return impl_->Character(&in, 1);
}

std::size_t CodePageConverter::ToUtf8(std::string_view in, std::string& out) {
    out.reserve(out.size() + in.size() * 2);
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<std::uint8_t>(in[i]);
        if (b < kAsciiLimit && !impl_->IsLead(b)) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        const int size = impl_->IsLead(b) ? 2 : 1;
        if (i + static_cast<std::size_t>(size) > in.size()) return i;  // a lead byte at the end
        const auto c = impl_->Character(in.data() + i, size);
        if (!c) return i;
        AppendUtf8(*c, out);
        i += static_cast<std::size_t>(size);
    }
    return std::string_view::npos;
}

std::size_t CodePageConverter::FromUtf8(std::string_view utf8, std::string& out) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        char32_t c = 0;
        if (!NextUtf8(utf8, pos, c)) return start;
        wchar_t units[2];
        const int count = ToUtf16(c, units);
        char bytes[kMaxCharBytes];
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(impl_->page, WC_NO_BEST_FIT_CHARS, units, count, bytes, sizeof bytes, nullptr,
                                          &usedDefault);
        // Read back, so that no substitute passes for the character.
        if (n <= 0 || usedDefault || impl_->Character(bytes, n) != c) return start;
        out.append(bytes, static_cast<std::size_t>(n));
    }
    return std::string_view::npos;
}

}  // namespace ter5::engine

#endif  // _WIN32
