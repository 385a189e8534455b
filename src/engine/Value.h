#pragma once
// A decoded field value. One struct for every type keeps record decoding free of
// variant dispatch; `kind` says which member holds the value.

#include <cstdint>
#include <string>

namespace ter5::engine {

struct Value {
    enum class Kind : std::uint8_t {
        Null,     // every byte of the field was zero
        Int,      // S, I, +; D (day number, 1 = 0001-01-01); T (ms since midnight)
        Float,    // N, $; @ (ms since 0001-01-01 00:00, i.e. days × 86 400 000 + ms)
        Bool,     // L
        Text,     // A, M, F: UTF-8 in `text`
        Bytes,    // Y, B, G, O: raw bytes in `text`
        Decimal,  // #: canonical decimal digits in `text` ("-12.50")
    };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::int64_t integer = 0;
    double number = 0.0;
    std::string text;

    bool IsNull() const { return kind == Kind::Null; }

    static Value Null() { return {}; }
    static Value Int(std::int64_t v) { Value x; x.kind = Kind::Int; x.integer = v; return x; }
    static Value Float(double v) { Value x; x.kind = Kind::Float; x.number = v; return x; }
    static Value Bool(bool v) { Value x; x.kind = Kind::Bool; x.boolean = v; return x; }
    static Value Text(std::string v) { Value x; x.kind = Kind::Text; x.text = std::move(v); return x; }
    static Value Bytes(std::string v) { Value x; x.kind = Kind::Bytes; x.text = std::move(v); return x; }
    static Value Decimal(std::string v) { Value x; x.kind = Kind::Decimal; x.text = std::move(v); return x; }
};

}  // namespace ter5::engine
