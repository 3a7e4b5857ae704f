// The work of a KML/KMZ import apart from the window: the file read, every
// vertex projected once with one projection, and the shapes the import draws
// gathered: the points of point geometries, one polyline per line string or
// polygon (a polygon's outer ring, or a bare ring, closed, without its
// repeated first vertex), and each named placemark's name at the first
// vertex of each of its geometries.
//
// A vertex the projection refuses (also one beyond its stated range, see
// KmlProjection.h) is left out and counted; a line left with fewer than two
// vertices is not drawn, and a ring left with fewer than three is drawn open.
//
// KmlImportJob runs that work on a worker thread of its own, so the window
// stays responsive through a long file and can show the progress.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "canvas/PlovanShape.h"

// (latitude, longitude, out x, out y); false when the point is refused. It
// runs on several threads at once (the vertices are projected in slices on
// up to four), so it must not touch shared state.
using KmlProjectFn = std::function<bool(double, double, double&, double&)>;

struct KmlImportShapes {
    struct Line {
        std::vector<TPointD> vertices;
        bool closed = false;
    };
    struct Label {
        std::string text;
        TPointD at;
    };
    std::vector<TPointD> points;
    std::vector<Line> lines;
    std::vector<Label> labels;
    int notConverted = 0;        // vertices refused by the projection
    std::string notReadSummary;  // " (n placemarks not read: ...)" or ""
};

// " (n points not converted)" when any was refused, else "".
std::string KmlNotConvertedSummary(const KmlImportShapes& shapes);

inline constexpr const char* kNothingDrawnError = "No placemark could be drawn";

// The whole import on the calling thread. `progress` (when set) gets the
// percentage done now and then, and stops the work by returning false.
// False with `error` set when the reader refuses the file (or on the stop),
// or when none of its placemarks gives a shape: kNothingDrawnError, then
// NotReadSummary() and KmlNotConvertedSummary().
bool ComputeKmlImport(const std::string& path, const KmlProjectFn& project, KmlImportShapes& shapes,
                      std::string& error, const std::function<bool(int)>& progress = {});

class KmlImportJob {
  public:
    // Starts the work; `notify` is called on the worker thread whenever the
    // percentage moves and once when the work is done (the window hands a
    // GuiWake's Wake here).
    KmlImportJob(std::string path, KmlProjectFn project, std::function<void()> notify);
    // Stops the work and waits for the worker.
    ~KmlImportJob();
    KmlImportJob(const KmlImportJob&) = delete;
    KmlImportJob& operator=(const KmlImportJob&) = delete;

    const std::string& Path() const { return path_; }
    int Percent() const { return percent_.load(std::memory_order_relaxed); }
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Once Done(): the result.
    bool Succeeded() const { return succeeded_; }
    const std::string& Error() const { return error_; }
    KmlImportShapes& Shapes() { return shapes_; }

  private:
    void Run();

    const std::string path_;
    const KmlProjectFn project_;
    const std::function<void()> notify_;
    std::atomic<int> percent_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    // Written by the worker before done_, read after it.
    bool succeeded_ = false;
    std::string error_;
    KmlImportShapes shapes_;
    std::thread worker_;  // last: starts once the members above exist
};
