#pragma once
// Conversion between the code-page bytes stored in tables and the UTF-8 text the
// rest of the program works with.
//
// Single-byte pages (437, 850, 866, 1250–1258, …) are converted through 256-entry
// tables built once per process with the system's converter (CodePageConverter.h:
// iconv on POSIX systems, the code-page API on Windows); multi-byte pages (932,
// 936, 949, 950) go through the converter on every call.
//
// Code page 0 (3.0 tables and drivers such as BLROM800 store no page) is read as
// 1252. A byte the page leaves undefined (0x98 in 1251, 0x81 in 1252) decodes to the
// C1 control with the same number, as Windows does, so such text survives a round
// trip. A page the system does not know is rejected when the codec is built.

#include <memory>
#include <string>
#include <string_view>

namespace ter5::engine {

class TextCodec {
public:
    // A codec for `codePage` (0 = 1252). Throws EngineError for a page the system lacks.
    explicit TextCodec(int codePage);

    // The code page in use (1252 when 0 was asked for).
    int CodePage() const { return codePage_; }

    // True for pages where every character takes one byte.
    bool IsSingleByte() const;

    // Code-page bytes → UTF-8. Never throws for bad bytes: a multi-byte page's
    // invalid sequence becomes U+FFFD.
    std::string Decode(std::string_view bytes) const;

    // Like Decode, but replaces the contents of `out`, reusing its capacity.
    void DecodeInto(std::string_view bytes, std::string& out) const;

    // UTF-8 → code-page bytes. Throws EngineError for malformed UTF-8 or a
    // character the page cannot hold, naming the character.
    std::string Encode(std::string_view utf8) const;

    // Upper-cases code-page bytes in place for case-insensitive index keys: ASCII,
    // Latin-1 and Latin Extended-A letters, Greek and Cyrillic (а-я → А-Я, ё → Ё, …),
    // as far as the upper-case letter exists in the page. Multi-byte pages change
    // ASCII letters only and leave double-byte characters alone.
    void UpperInPlace(std::string& codePageBytes) const;

private:
    struct SingleByteTables;
    struct MultiByteConverter;

    // Builds the tables of a single-byte page, converting each byte once.
    static std::shared_ptr<const SingleByteTables> BuildTables(int codePage);

    int codePage_;
    std::shared_ptr<const SingleByteTables> single_;
    std::shared_ptr<MultiByteConverter> multi_;
};

// The code page text is read in: the header's page when it is 866 or 1251,
// otherwise 1251 (real tables hold cp1251 text under cp1252 headers).
int DefaultTextCodePage(int headerCodePage);

// Parses a code-page name as a user types it: "1251", "cp1251", "windows-1251",
// "CP866", "ibm866", "dos866", "gbk". Throws EngineError for anything else or a page
// TextCodec does not support.
int ParseCodePage(std::string_view name);

}  // namespace ter5::engine
