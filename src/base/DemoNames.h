#pragma once
// Russian names and addresses for the demo base: owners' full names (family name,
// given name, patronymic, in the grammatical gender of the person), street names
// and addresses elsewhere for owners who live away from their parcel.

#include <cstddef>
#include <string>

#include "base/DemoRandom.h"

namespace ter5::base {

// The settlement the demo district belongs to, as owners' addresses begin.
inline constexpr char kDemoSettlement[] = "г. Краснодар";

// A random family name, as an index for FullName (co-owners share one).
std::size_t RandomSurname(DemoRandom& random);

// "Family Given Patronymic" for family `surname`, in the female or male form.
std::string FullName(DemoRandom& random, std::size_t surname, bool female);

// The name of street `index` with its type ("ул. Садовая", "пер. Садовый", …):
// distinct for every index.
std::string StreetName(std::size_t index);

// An address away from the demo district: a town, a street, a house and often a
// flat ("г. Сочи, ул. Горького, д. 14, кв. 52").
std::string DistantAddress(DemoRandom& random);

}  // namespace ter5::base
