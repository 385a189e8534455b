#pragma once
// Little- and big-endian integer access on byte buffers. Callers check bounds.

#include <cstdint>
#include <cstring>

namespace ter5::engine {

inline std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::int16_t ReadS16(const std::uint8_t* p) { return static_cast<std::int16_t>(ReadU16(p)); }
inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Index-entry shorts and integer fields are big-endian with the sign bit flipped,
// so that they sort as unsigned bytes.
inline std::uint16_t ReadFlippedU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(((p[0] << 8) | p[1]) ^ 0x8000);
}
inline void WriteFlippedU16(std::uint8_t* p, std::uint16_t v) {
    const std::uint16_t x = v ^ 0x8000;
    p[0] = static_cast<std::uint8_t>(x >> 8);
    p[1] = static_cast<std::uint8_t>(x);
}
inline std::uint32_t ReadFlippedU32(const std::uint8_t* p) {
    return ((static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
            (static_cast<std::uint32_t>(p[2]) << 8) | p[3]) ^ 0x80000000u;
}
inline void WriteFlippedU32(std::uint8_t* p, std::uint32_t v) {
    const std::uint32_t x = v ^ 0x80000000u;
    p[0] = static_cast<std::uint8_t>(x >> 24);
    p[1] = static_cast<std::uint8_t>(x >> 16);
    p[2] = static_cast<std::uint8_t>(x >> 8);
    p[3] = static_cast<std::uint8_t>(x);
}

}  // namespace ter5::engine
