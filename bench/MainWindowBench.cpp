// Opening the district in the desktop program as its user does: the real main window on
// the offscreen platform, its directory tree on the directory holding the district, and a
// click on the district's item.
//   ClickToMap - from the click to the first paint of the district's map: the parcel
//                query and its grid, the geometry load and the drawing, with the window's
//                events processed as they come (time: to that paint; CPU: the process's,
//                to the end of the click's handling, the owner table's opening included)
// Between iterations a click on an empty directory closes the base again. Counters: the
// parcels on the map and the process's peak resident memory (MB), which with the district
// open is what the program needs for it.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <fstream>
#include <memory>
#include <string>

#include "BenchDistrict.h"
#include "app/TMain.h"
#include "base/widgets/DirectoryTree.h"
#include "map/widgets/MapWidget.h"
#include "templates/TemplateSchema.h"

namespace {

using namespace ter5;

// How long a click may take to bring up the map before the run fails, milliseconds.
constexpr int kMapTimeoutMilliseconds = 60'000;

QApplication& Application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ter5_bench";
    static char* argv[] = {name, nullptr};
    static auto* application = new QApplication(argc, argv);
    return *application;
}

// Watches the map image for its first paint after a new picture was drawn into it, and
// notes when that paint came: the window may go on with other work (the owner table)
// before the click's handling returns.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(map::MapWidget& map) : map_(map) {
        map_.installEventFilter(this);
        connect(&map_, &map::MapWidget::MapDrawn, this, [this] { drawn_ = true; });
    }
    void Reset() {
        drawn_ = painted_ = false;
        clock_.start();
    }
    bool Painted() const { return painted_; }
    // Seconds from Reset() to the paint.
    double PaintedAfter() const { return static_cast<double>(paintedAt_) / 1e9; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &map_ && event->type() == QEvent::Paint && drawn_ && !painted_) {
            painted_ = true;
            paintedAt_ = clock_.nsecsElapsed();
        }
        return false;
    }

private:
    map::MapWidget& map_;
    QElapsedTimer clock_;
    qint64 paintedAt_ = 0;
    bool drawn_ = false;
    bool painted_ = false;
};

// The process's peak resident memory, MB (VmHWM of /proc/self/status; 0 where unknown).
double PeakResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        std::getline(status, key);
    }
    return 0;
}

void Click(base::DirectoryTree& tree, const QString& name) {
    const int row = tree.FindItem(name);
    if (row < 0) throw std::runtime_error("no tree item " + name.toStdString());
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(tree.item(row)).center());
}

void ClickToMap(benchmark::State& state) {
    Application();
    const QString bases = QString::fromStdString(bench::BenchBasesDirectory().string());
    const std::filesystem::path start = std::filesystem::temp_directory_path() / "ter5_bench_window";
    std::filesystem::create_directories(start);
    templates::EnsureTemplateTables(start.string());
    const QString savedDirectory = QDir::currentPath();

    app::TMain::Options options;
    options.trayAvailable = false;
    options.startDirectory = QString::fromStdString(start.string());
    auto window = std::make_unique<app::TMain>(options);
    window->Start();
    window->showNormal();
    window->resize(1280, 800);
    if (!QTest::qWaitForWindowExposed(window.get())) throw std::runtime_error("the main window was not shown");
    base::DirectoryTree& tree = *window->DirectoryListBox1;
    tree.SetCurrentDirectory(bases);
    PaintWatch watch(*window->MapImage);

    for (auto _ : state) {
        state.PauseTiming();
        Click(tree, QStringLiteral("empty"));
        QCoreApplication::processEvents();
        state.ResumeTiming();

        watch.Reset();
        Click(tree, QStringLiteral("district"));
        QElapsedTimer waited;
        waited.start();
        while (!watch.Painted()) {
            if (waited.elapsed() > kMapTimeoutMilliseconds) {
                state.SkipWithError("the map did not appear");
                break;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        state.SetIterationTime(watch.PaintedAfter());
    }
    state.counters["parcels"] = static_cast<double>(window->MapObjects.Polys.size());
    state.counters["peak_MB"] = PeakResidentMegabytes();
    window.reset();
    QDir::setCurrent(savedDirectory);
}

}  // namespace

BENCHMARK(ClickToMap)->Unit(benchmark::kMillisecond)->UseManualTime()->MeasureProcessCPUTime()->Iterations(5);
