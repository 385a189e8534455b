// The POSIX side of CodePageConverter.h: iconv, with the page named "CP<n>".
#ifndef _WIN32

#include <iconv.h>

#include <cerrno>

#include "CodePageConverter.h"
#include "Utf8.h"

namespace ter5::engine {
namespace {

// Output room for an iconv call: input size × growth + slack, grown by the same factor.
constexpr std::size_t kIconvGrowth = 2;
constexpr std::size_t kIconvSlack = 16;
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// Converts `in` with `cd` (reset first), appending to `out`. Returns the offset in
// `in` of an invalid or truncated sequence, or npos when everything was converted.
std::size_t RunIconv(iconv_t cd, std::string_view in, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());  // iconv's signature lacks const
    std::size_t inLeft = in.size();
    std::size_t used = out.size();
    out.resize(used + in.size() * kIconvGrowth + kIconvSlack);
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        used = static_cast<std::size_t>(outPtr - out.data());
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno != E2BIG) {
            out.resize(used);
            return static_cast<std::size_t>(inPtr - in.data());
        }
        out.resize(out.size() * kIconvGrowth);
    }
    // Flush a stateful page's pending output.
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return std::string_view::npos;
}

}  // namespace

struct CodePageConverter::Impl {
    iconv_t toUtf8 = kNoDescriptor;
    iconv_t fromUtf8 = kNoDescriptor;
    ~Impl() {
        if (toUtf8 != kNoDescriptor) iconv_close(toUtf8);
        if (fromUtf8 != kNoDescriptor) iconv_close(fromUtf8);
    }
};

CodePageConverter::CodePageConverter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CodePageConverter::~CodePageConverter() = default;

std::unique_ptr<CodePageConverter> CodePageConverter::Open(int codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    auto impl = std::make_unique<Impl>();
    impl->toUtf8 = iconv_open("UTF-8", name.c_str());
    impl->fromUtf8 = iconv_open(name.c_str(), "UTF-8");
    if (impl->toUtf8 == kNoDescriptor || impl->fromUtf8 == kNoDescriptor) return nullptr;
    return std::unique_ptr<CodePageConverter>(new CodePageConverter(std::move(impl)));
}

std::optional<char32_t> CodePageConverter::DecodeByte(std::uint8_t b) {
    std::string utf8;
    const char in = static_cast<char>(b);
    if (RunIconv(impl_->toUtf8, std::string_view(&in, 1), utf8) != std::string_view::npos) return std::nullopt;
    std::size_t pos = 0;
    char32_t c = 0;
    if (!NextUtf8(utf8, pos, c) || pos != utf8.size()) return std::nullopt;
    return c;
}

std::size_t CodePageConverter::ToUtf8(std::string_view in, std::string& out) { return RunIconv(impl_->toUtf8, in, out); }

std::size_t CodePageConverter::FromUtf8(std::string_view utf8, std::string& out) {
    return RunIconv(impl_->fromUtf8, utf8, out);
}

}  // namespace ter5::engine

#endif  // !_WIN32
