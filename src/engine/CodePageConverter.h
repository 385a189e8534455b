#pragma once
// The operating system's conversion between one code page and UTF-8, under the
// text codec (TextCodec.h): iconv on POSIX systems (CodePageConverterIconv.cpp),
// MultiByteToWideChar / WideCharToMultiByte on Windows
// (CodePageConverterWindows.cpp). Both give the same characters for the pages the
// engine reads; tests/engine/TextCodecTest.cpp checks them against one table.
//
// Not thread-safe: one converter serves one caller at a time (TextCodec locks).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ter5::engine {

class CodePageConverter {
public:
    // A converter for `codePage`; nullptr when the system does not know the page.
    static std::unique_ptr<CodePageConverter> Open(int codePage);
    ~CodePageConverter();
    CodePageConverter(const CodePageConverter&) = delete;
    CodePageConverter& operator=(const CodePageConverter&) = delete;

    // The character the single byte `b` stands for; nullopt when the page leaves
    // it undefined (or it only starts a multi-byte character).
    std::optional<char32_t> DecodeByte(std::uint8_t b);

    // Appends the UTF-8 text of the code-page bytes `in` to `out`. Returns the
    // offset in `in` of an invalid or truncated sequence (converting up to it), or
    // npos when all of `in` was converted.
    std::size_t ToUtf8(std::string_view in, std::string& out);

    // Appends the code-page bytes of the UTF-8 text `utf8` to `out`. Returns the
    // offset in `utf8` of the first character that is malformed or that the page
    // cannot hold (converting up to it), or npos when all was converted.
    std::size_t FromUtf8(std::string_view utf8, std::string& out);

private:
    struct Impl;
    explicit CodePageConverter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace ter5::engine
