#include "base/GeometryLoad.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/BaseQuery.h"
#include "base/TDM.h"
#include "engine/FieldCodec.h"
#include "map/IndexedParcelSource.h"
#include "map/SharedSides.h"

namespace ter5::base {

namespace {

// A number field's value as a double; none for NULL and for text.
std::optional<double> NumberOf(const engine::Value& value) {
    switch (value.kind) {
    case engine::Value::Kind::Int: return static_cast<double>(value.integer);
    case engine::Value::Kind::Float: return value.number;
    default: return std::nullopt;
    }
}

// The parcels given, each with the run of vertex rows whose Ter equals its Code, in
// Ter;PutNumber order: what the detail of TsSubter shows for it.
class VertexRunSource : public map::IndexedParcelSource {
public:
    VertexRunSource(const std::vector<ParcelKey>& parcels, const BaseTable& vertices)
        : parcels_(parcels), vertices_(vertices) {
        const auto field = [&](const char* name) { return &vertices_.Fields()[vertices_.RequireField(name)]; };
        code_ = field("Code");
        put_ = field("PutNumber");
        number_ = field("Number");
        x_ = field("X");
        y_ = field("Y");
        CutRuns(*field("Ter"));
        runOf_.reserve(parcels_.size());
        for (const ParcelKey& parcel : parcels_) runOf_.push_back(FindRun(parcel.Code));
    }

    std::size_t ParcelCount() const override { return parcels_.size(); }
    map::ParcelRow Parcel(std::size_t parcel) const override {
        return {static_cast<std::int32_t>(parcels_[parcel].Code.value_or(0.0)), parcels_[parcel].House};
    }
    std::size_t VertexCount(std::size_t parcel) const override {
        const Run& run = runOf_[parcel];
        return run.End - run.First;
    }
    map::VertexRow Vertex(std::size_t parcel, std::size_t vertex) const override {
        const std::uint8_t* record = vertices_.RowBytes(runOf_[parcel].First + vertex);
        engine::Value value;
        const auto number = [&](const engine::FieldDesc* field) {
            engine::DecodeFieldInto(*field, record + field->offset, vertices_.Codec(), value);
            return NumberOf(value).value_or(0.0);
        };
        map::VertexRow v;
        v.Code = static_cast<std::int32_t>(number(code_));
        v.PutNumber = number(put_);
        v.Number = number(number_);
        v.X = number(x_);
        v.Y = number(y_);
        return v;  // Z is not kept by the model: not read
    }

private:
    // The rows of one Ter value: [First, End).
    struct Run {
        double Ter = 0.0;
        std::size_t First = 0;
        std::size_t End = 0;
    };

    // The rows come in Ter order (NULLs first): each Ter's rows are one run, and the runs
    // come in ascending Ter order.
    void CutRuns(const engine::FieldDesc& ter) {
        const std::size_t count = vertices_.RecordCount();
        engine::Value value;
        std::size_t start = 0;
        std::optional<double> current;
        for (std::size_t row = 0; row <= count; ++row) {
            std::optional<double> key;
            if (row < count) {
                engine::DecodeFieldInto(ter, vertices_.RowBytes(row) + ter.offset, vertices_.Codec(), value);
                key = NumberOf(value);
                if (key == current) continue;
            }
            if (current && row > start) runs_.push_back({*current, start, row});
            current = key;
            start = row;
        }
    }

    // The run of a parcel Code; an empty one for a Code no vertex names, and for a
    // parcel without a Code (NULL keys no detail rows).
    Run FindRun(std::optional<double> code) const {
        if (!code) return {};
        const auto run = std::lower_bound(runs_.begin(), runs_.end(), *code,
                                          [](const Run& r, double ter) { return r.Ter < ter; });
        return run != runs_.end() && run->Ter == *code ? *run : Run{};
    }

    const std::vector<ParcelKey>& parcels_;
    const BaseTable& vertices_;
    const engine::FieldDesc *code_, *put_, *number_, *x_, *y_;
    std::vector<Run> runs_;
    std::vector<Run> runOf_;  // per parcel row
};

}  // namespace

std::vector<ParcelKey> ReadParcelKeys(const BaseQuery& parcels) {
    std::vector<ParcelKey> keys;
    if (!parcels.Active()) return keys;
    const int code = parcels.RequireField("Code");
    const int house = parcels.RequireField("House");
    keys.reserve(parcels.RecordCount());
    for (std::size_t row = 0; row < parcels.RecordCount(); ++row)
        keys.push_back({NumberOf(parcels.ValueAt(row, code)), parcels.TextAt(row, house)});
    return keys;
}

GeometryLoad::GeometryLoad(std::string directory, FinishedHandler finished, StartHandler started)
    : directory_(std::move(directory)), onFinished_(std::move(finished)), onStarted_(std::move(started)) {
    thread_ = std::thread([this] { Run(); });
}

GeometryLoad::~GeometryLoad() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

void GeometryLoad::SetParcels(std::vector<ParcelKey> parcels) {
    {
        const std::lock_guard lock(mutex_);
        parcels_ = std::move(parcels);
        parcelsGiven_ = true;
    }
    parcelsChanged_.notify_all();
}

void GeometryLoad::Cancel() {
    {
        // Under the mutex, so that a load waiting for its parcels cannot miss it.
        const std::lock_guard lock(mutex_);
        cancelled_.store(true, std::memory_order_relaxed);
    }
    parcelsChanged_.notify_all();
}

void GeometryLoad::WaitForParcels() {
    std::unique_lock lock(mutex_);
    parcelsChanged_.wait(lock, [this] { return parcelsGiven_ || cancelled_.load(std::memory_order_relaxed); });
    if (cancelled_.load(std::memory_order_relaxed)) throw LoadCancelled();
}

void GeometryLoad::Run() {
    try {
        if (onStarted_) onStarted_();
        {
            BaseTable vertices;
            SetUpVertexTable(vertices);
            vertices.SetDatabaseName(directory_);
            vertices.Open();
            WaitForParcels();
            const VertexRunSource source(parcels_, vertices);
            map::LoadMapObjects(objects_, source, [this](double upper, double) {
                progress_.store(upper, std::memory_order_relaxed);
                if (cancelled_.load(std::memory_order_relaxed)) throw LoadCancelled();
            });
        }
        // The first picture of a base is its overview, which draws the block boundaries
        // of a dense base: found here, beside the opening of the owner table and once the
        // vertex table's memory is given back, rather than in the way of that picture.
        map::SharedSidesOf(objects_);
    } catch (...) {
        error_ = std::current_exception();
    }
    parcels_ = {};
    finished_.store(true, std::memory_order_release);
    if (onFinished_) onFinished_();
}

map::TArrObjects GeometryLoad::Take() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(error_);
    return std::move(objects_);
}

}  // namespace ter5::base
