#pragma once
// The demo district in memory, before it is written as a base: parcels, their
// owners and their boundary vertices.
//
// Quarters of two back-to-back rows of parcels lie between streets running along
// the local east axis and lanes across it; the whole grid is turned by a small
// angle and placed at survey-sized coordinates (X north ≈ 5 400 000 m, Y east ≈
// 1 300 000 m), rounded to the centimetre. Neighbours share their common boundary
// point for point, with the same survey point numbers. Outlines run clockwise on a
// north-up map; each ring is closed by repeating its first vertex. A few parcels
// hold an enclave (a hole ring running the other way, the enclave being a parcel of
// its own), a few consist of two separate plots, and a few have no vertices at all.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ter5::base {

// Grid marks as the companion program stores them: the Windows-1251 bytes 0xFE
// (a ticked box in the Wingdings font) and 0xFC (a tick).
inline constexpr char kTickedBoxMark[] = "ю";
inline constexpr char kTickMark[] = "ь";

// One row of subter.db.
struct DemoParcel {
    std::int32_t code = 0;
    std::string flag;             // "" or kTickMark
    std::string ok;               // "" or kTickedBoxMark
    std::string house;            // "ул. Садовая, д. 5, уч. №12"
    double area = 0.0;            // Ixp1: square metres, whole
    std::string cadastralNumber;  // "23:43:0142015:12", or "" when not registered
};

// One row of ter.db.
struct DemoOwner {
    std::int32_t code = 0;
    std::string family;   // "Иванова Ольга Петровна"
    std::int32_t parcel = 0;  // Poligon: the parcel's code
    std::string flag;     // "" or kTickedBoxMark
    std::string address;  // Adr_House, may be ""
};

// One row of POLIGON.DB (its Code is given when the row is appended).
struct DemoVertex {
    std::int32_t parcel = 0;  // Ter
    double putNumber = 0.0;   // 1, 2, … along the parcel's rings
    double number = 0.0;      // survey point number, shared by neighbours
    double x = 0.0;           // north, m
    double y = 0.0;           // east, m
    double z = 0.0;           // elevation, m
};

struct DemoTown {
    std::vector<DemoParcel> parcels;   // codes 1, 2, …
    std::vector<DemoOwner> owners;     // codes 1, 2, …
    std::vector<DemoVertex> vertices;  // parcel by parcel, each in PutNumber order
};

// The district of exactly `parcels` parcels (0 or more) for `seed`: the same
// arguments give the same district.
DemoTown GenerateDemoTown(std::size_t parcels, std::uint64_t seed);

}  // namespace ter5::base
