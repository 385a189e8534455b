// The model built by several threads from a source read by position: the very model the
// one-by-one load builds from the same rows, whatever the number of threads; progress on
// the calling thread, and a failing source or a cancelling progress leaving it empty.

#include "map/IndexedParcelSource.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace ter5::map {
namespace {

// Random parcels of up to a dozen vertices, some with none, read by position or in order.
class RandomSource : public IndexedParcelSource, public ParcelSource {
public:
    RandomSource(std::size_t parcels, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> coordinate(-50.0, 50.0);
        for (std::size_t i = 0; i < parcels; ++i) {
            std::vector<VertexRow> vertices(random() % 13);
            for (std::size_t k = 0; k < vertices.size(); ++k)
                vertices[k] = {static_cast<std::int32_t>(i * 100 + k), double(k + 1), double(k + 1),
                               6000000.0 + coordinate(random), 1200000.0 + coordinate(random), 0.0};
            if (vertices.size() > 3) vertices.back() = vertices.front();  // a closed ring
            rows_.push_back({{static_cast<std::int32_t>(i), "№ " + std::to_string(i)}, std::move(vertices)});
        }
    }
    std::size_t ParcelCount() const override { return rows_.size(); }
    ParcelRow Parcel(std::size_t parcel) const override { return rows_[parcel].first; }
    std::size_t VertexCount(std::size_t parcel) const override { return rows_[parcel].second.size(); }
    VertexRow Vertex(std::size_t parcel, std::size_t vertex) const override {
        if (failAt_ && *failAt_ == parcel) throw std::runtime_error("read error");
        return rows_[parcel].second[vertex];
    }
    bool NextParcel(ParcelRow& parcel) override {
        if (next_ >= rows_.size()) return false;
        parcel = rows_[next_++].first;
        vertex_ = 0;
        return true;
    }
    bool NextVertex(VertexRow& vertex) override {
        const auto& vertices = rows_[next_ - 1].second;
        if (vertex_ >= vertices.size()) return false;
        vertex = vertices[vertex_++];
        return true;
    }
    void FailAt(std::size_t parcel) { failAt_ = parcel; }

private:
    std::vector<std::pair<ParcelRow, std::vector<VertexRow>>> rows_;
    std::size_t next_ = 0;
    std::size_t vertex_ = 0;
    std::optional<std::size_t> failAt_;
};

TEST(IndexedLoad, SameModelAsTheLoadInOrderWithAnyNumberOfThreads) {
    RandomSource source(40000, 11);  // some 240,000 vertices: up to 4 threads
    TArrObjects inOrder;
    LoadMapObjects(inOrder, static_cast<ParcelSource&>(source), true);
    for (unsigned threads : {1u, 2u, 4u}) {
        TArrObjects objects;
        std::vector<double> progress;
        LoadMapObjects(objects, static_cast<const IndexedParcelSource&>(source),
                       [&](double upper, double) { progress.push_back(upper); }, threads);
        ASSERT_EQ(objects.Polys.size(), inOrder.Polys.size()) << threads;
        for (std::size_t i = 0; i < objects.Polys.size(); ++i) {
            const TArrPoly& a = objects.Polys[i];
            const TArrPoly& b = inOrder.Polys[i];
            ASSERT_EQ(a.Code, b.Code);
            ASSERT_EQ(a.House, b.House);
            ASSERT_EQ(a.FirstPoint, b.FirstPoint);
            ASSERT_EQ(a.PointCount, b.PointCount);
            ASSERT_EQ(a.Area, b.Area);
            ASSERT_EQ(a.Perimeter, b.Perimeter);
            ASSERT_EQ(a.CenterY, b.CenterY);
        }
        ASSERT_EQ(objects.PointStore.size(), inOrder.PointStore.size());
        for (std::size_t k = 0; k < objects.PointStore.size(); ++k) {
            ASSERT_EQ(objects.PointStore[k].Code, inOrder.PointStore[k].Code);
            ASSERT_EQ(objects.PointStore[k].Angle, inOrder.PointStore[k].Angle);
            ASSERT_EQ(objects.PointStore[k].Length, inOrder.PointStore[k].Length);
        }
        EXPECT_EQ(objects.MinY, inOrder.MinY);
        EXPECT_EQ(objects.MaxX, inOrder.MaxX);
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), 1.0);
    }
}

TEST(IndexedLoad, AFailingSourceOrProgressLeavesTheModelEmpty) {
    RandomSource source(20000, 5);
    std::size_t failing = 15000;
    while (source.VertexCount(failing) == 0) ++failing;
    source.FailAt(failing);
    TArrObjects objects;
    EXPECT_THROW(LoadMapObjects(objects, static_cast<const IndexedParcelSource&>(source), {}, 4), std::runtime_error);
    EXPECT_TRUE(objects.Polys.empty());
    EXPECT_TRUE(objects.PointStore.empty());

    RandomSource good(20000, 5);
    const auto cancel = [](double upper, double) {
        if (upper > 0.3) throw std::logic_error("cancelled");
    };
    EXPECT_THROW(LoadMapObjects(objects, static_cast<const IndexedParcelSource&>(good), cancel, 2), std::logic_error);
    EXPECT_TRUE(objects.Polys.empty());
}

}  // namespace
}  // namespace ter5::map
