#pragma once
// The parcel geometry of a base loaded on a thread of its own, so that the window which
// asked for it keeps painting while a district's million vertices are read, and so that
// the owner query opens on the window's thread at the same time.
//
// The parcels are the parcel grid's, in its order: read out of TbSubter once it is open
// and handed to the load, which meanwhile opens its vertex table. The vertices are read
// through a table of the load's own, set up as the data
// module's TbPoligon is (the same declared fields, the same Ter;PutNumber index, so the same
// errors), once in index order, cut into one run per Ter value: a parcel's run is what
// TbPoligon shows as the detail of that parcel. The table is closed again when the load
// ends. The runs are filled and their geometry computed by several threads
// (map/IndexedParcelSource.h).

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "map/MapObjects.h"

namespace ter5::base {

class BaseQuery;

// A parcel as the load needs it: its Code (none for NULL) and House.
struct ParcelKey {
    std::optional<double> Code;
    std::string House;
};

// The parcels of an open parcel query in its order, read without moving its cursor.
std::vector<ParcelKey> ReadParcelKeys(const BaseQuery& parcels);

class GeometryLoad {
public:
    // Called on the loading thread when the load has ended, well or not.
    using FinishedHandler = std::function<void()>;
    // Called on the loading thread before it reads anything (tests hold the load there).
    using StartHandler = std::function<void()>;

    // Starts loading the base in `directory`: its vertex table opens at once, the
    // parcels are waited for (SetParcels).
    explicit GeometryLoad(std::string directory, FinishedHandler finished = {}, StartHandler started = {});
    // Cancels the load and waits for its thread.
    ~GeometryLoad();
    GeometryLoad(const GeometryLoad&) = delete;
    GeometryLoad& operator=(const GeometryLoad&) = delete;

    const std::string& Directory() const { return directory_; }
    // The share of the parcels read so far, 0..1.
    double Progress() const { return progress_.load(std::memory_order_relaxed); }
    // True once the load has ended (Take then does not wait).
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // The parcels whose vertices are loaded, in the model's order.
    void SetParcels(std::vector<ParcelKey> parcels);
    // Asks the load to stop after the parcel it is reading.
    void Cancel();

    // Waits for the end and hands over the model; rethrows the load's error (an engine
    // error of the tables, or LoadCancelled). Call once.
    map::TArrObjects Take();

private:
    void Run();
    // Waits for SetParcels or Cancel; throws LoadCancelled for the latter.
    void WaitForParcels();

    std::string directory_;
    FinishedHandler onFinished_;
    StartHandler onStarted_;
    std::mutex mutex_;  // guards parcels_ and parcelsGiven_
    std::condition_variable parcelsChanged_;
    std::vector<ParcelKey> parcels_;
    bool parcelsGiven_ = false;
    std::atomic<double> progress_{0.0};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    map::TArrObjects objects_;
    std::exception_ptr error_;
    std::thread thread_;
};

// The error a cancelled load ends with.
class LoadCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "загрузка карты прервана"; }
};

}  // namespace ter5::base
