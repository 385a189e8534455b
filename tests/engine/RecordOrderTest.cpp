// RecordOrder against a plain stable sort of decoded values, over the record
// layouts its fast paths look for (sorted, sorted groups, overlapping groups,
// random; small and large enough for the radix sort), and EqualRange against a
// linear count.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/FieldCodec.h"
#include "engine/RecordOrder.h"

namespace ter5::engine {
namespace {

// A record: Seq (Short), X (Number), Name (Alpha 20); offsets as in a table.
const std::vector<FieldDesc> kFields = {{"Seq", FieldType::Short, 2, 0, 2, 1},
                                        {"X", FieldType::Number, 8, 2, 8, 2},
                                        {"Name", FieldType::Alpha, 20, 10, 20, 3}};
constexpr std::size_t kRecordSize = 30;
const char* const kNames[] = {"ёж", "Ёж", "еж", "Abc", "abc", "ЯМА", "яма", "", "z"};

struct Row {
    int seq;
    double x;  // NaN stands for NULL
    std::string name;
};

std::vector<std::string> Encode(const std::vector<Row>& rows, const TextCodec& codec) {
    std::vector<std::string> out;
    for (const Row& r : rows) {
        std::string bytes(kRecordSize, '\0');
        auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
        EncodeField(kFields[0], Value::Int(r.seq), p + 0, codec);
        EncodeField(kFields[1], std::isnan(r.x) ? Value::Null() : Value::Float(r.x), p + 2, codec);
        EncodeField(kFields[2], Value::Text(r.name), p + 10, codec);
        out.push_back(std::move(bytes));
    }
    return out;
}

// Compares field k of two rows as values: -1, 0 or 1 (NULL first, text ignoring case).
int Compare(const Row& a, const Row& b, int k, const TextCodec& codec) {
    if (k == 0) return (a.seq > b.seq) - (a.seq < b.seq);
    if (k == 1) {
        const bool na = std::isnan(a.x), nb = std::isnan(b.x);
        return na || nb ? nb - na : (a.x > b.x) - (a.x < b.x);
    }
    std::string ua = codec.Encode(a.name), ub = codec.Encode(b.name);
    codec.UpperInPlace(ua);
    codec.UpperInPlace(ub);
    const int c = ua.compare(ub);
    return (c > 0) - (c < 0);
}

// The expected order of `keys` (field positions).
std::vector<std::uint32_t> Expected(const std::vector<Row>& rows, const std::vector<int>& keys, bool descending,
                                    const TextCodec& codec) {
    std::vector<std::uint32_t> order(rows.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (int k : keys)
            if (const int c = Compare(rows[a], rows[b], k, codec)) return descending ? c > 0 : c < 0;
        return false;
    });
    return order;
}

void Check(const std::vector<Row>& rows, const std::vector<int>& keys, bool descending, const char* layout) {
    SCOPED_TRACE(layout);
    const TextCodec codec(1251);
    const auto records = Encode(rows, codec);
    TableHeader ancyrr;  // new tables' driver: case-insensitive keys upper-cased in cp1251
    ancyrr.sortOrderId = "ancyrr";
    ancyrr.codePage = 1251;
    RecordOrder order(kFields, keys, true, descending, KeyRules(ancyrr), codec);
    order.Build(records.size(), [&records](const auto& visit) {
        for (std::size_t i = 0; i < records.size(); ++i) visit(i, reinterpret_cast<const std::uint8_t*>(records[i].data()));
    });
    ASSERT_EQ(order.Order(), Expected(rows, keys, descending, codec));
    // The rows whose first key field equals a probe row's, found by EqualRange.
    const int k = keys[0];
    for (std::size_t probe = 0; probe < rows.size(); probe += rows.size() / 7 + 1) {
        const Row& r = rows[probe];
        const Value first = k == 0 ? Value::Int(r.seq) : k == 1 ? (std::isnan(r.x) ? Value::Null() : Value::Float(r.x))
                                                                : Value::Text(r.name);
        const auto prefix = order.EncodePrefix({first});
        ASSERT_TRUE(prefix.has_value());
        const auto [lo, hi] = order.EqualRange(*prefix);
        const auto same = std::count_if(rows.begin(), rows.end(), [&](const Row& o) { return Compare(o, r, k, codec) == 0; });
        EXPECT_EQ(static_cast<std::ptrdiff_t>(hi - lo), same);
        for (std::size_t i = lo; i < hi; ++i) EXPECT_EQ(Compare(rows[order.Order()[i]], r, k, codec), 0);
    }
}

std::vector<Row> Layout(std::size_t groups, std::size_t perGroup, std::mt19937& rng, bool split) {
    std::vector<std::vector<Row>> g(groups);
    for (std::size_t k = 0; k < groups; ++k)
        for (std::size_t j = 0; j < perGroup; ++j)
            g[k].push_back({static_cast<int>(j), static_cast<double>(k * 7 % groups) + 0.5, kNames[rng() % 9]});
    std::shuffle(g.begin(), g.end(), rng);
    std::vector<Row> rows;
    for (auto& group : g) rows.insert(rows.end(), group.begin(), group.end());
    if (split) std::swap(rows[1], rows.back());  // two groups now overlap
    return rows;
}

TEST(RecordOrder, MatchesAStableSortOfTheValues) {
    std::mt19937 rng(7);
    for (std::size_t n : {50u, 10000u}) {
        std::vector<Row> random;
        for (std::size_t i = 0; i < n; ++i)
            random.push_back({static_cast<int>(rng() % 5) - 2, rng() % 11 == 0 ? NAN : static_cast<double>(rng() % 40) - 20.25,
                              kNames[rng() % 9]});
        for (const auto& keys : std::vector<std::vector<int>>{{1, 0}, {0}, {2, 1}, {1, 2, 0}}) {
            Check(random, keys, false, "random");
            Check(random, keys, true, "random, descending");
        }
        std::vector<Row> sorted = random;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Row& a, const Row& b) { return a.seq < b.seq; });
        Check(sorted, {0}, false, "sorted");
        Check(Layout(n / 20, 20, rng, false), {1, 0}, false, "sorted groups");
        Check(Layout(n / 20, 20, rng, true), {1, 0}, false, "overlapping groups");
    }
}

}  // namespace
}  // namespace ter5::engine
