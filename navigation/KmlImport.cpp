#include "navigation/KmlImport.h"

#include <algorithm>
#include <system_error>

#include "canvas/TaskPool.h"
#include "navigation/PlacemarkReader.h"

namespace {

// Reading takes this share of the progress, projecting the rest.
constexpr int kReadingPercent = 50;
// Vertices projected between two progress reports, and the threads that
// share them.
constexpr size_t kProjectStep = 65536;
constexpr size_t kProjectThreads = 4;

bool SameCoordinate(const TPlacemarkCoord& a, const TPlacemarkCoord& b) {
    return a.Latitude == b.Latitude && a.Longitude == b.Longitude;
}

}  // namespace

std::string KmlNotConvertedSummary(const KmlImportShapes& shapes) {
    if (shapes.notConverted == 0) return {};
    return " (" + std::to_string(shapes.notConverted) + " points not converted)";
}

namespace {

struct Projected {
    TPointD at;
    bool converted = false;
};

// Projects coords[begin, end) into out[begin, end) on up to `threads`
// threads, this one among them; a thread that cannot start leaves its share
// to this one.
void ProjectSlice(const KmlProjectFn& project, const std::vector<const TPlacemarkCoord*>& coords,
                  std::vector<Projected>& out, size_t begin, size_t end, size_t threads) {
    const auto run = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            out[i].converted =
                project(coords[i]->Latitude, coords[i]->Longitude, out[i].at.X, out[i].at.Y);
    };
    const size_t share = (end - begin + threads - 1) / threads;
    std::vector<std::thread> helpers;
    for (size_t from = begin + share; from < end; from += share) {
        const size_t to = std::min(end, from + share);
        try {
            helpers.emplace_back(run, from, to);
        } catch (const std::system_error&) {
            run(from, to);
        }
    }
    run(begin, std::min(end, begin + share));
    for (std::thread& t : helpers) t.join();
}

}  // namespace

bool ComputeKmlImport(const std::string& path, const KmlProjectFn& project, KmlImportShapes& shapes,
                      std::string& error, const std::function<bool(int)>& progress) {
    shapes = {};
    TPlacemarkReader reader;
    if (progress)
        reader.FOnProgress = [&](size_t done, size_t total) {
            return progress(
                total == 0 ? 0 : static_cast<int>(kReadingPercent * (done / double(total))));
        };
    if (!reader.LoadFromFile(path)) {
        error = reader.FLastError;
        return false;
    }
    shapes.notReadSummary = reader.NotReadSummary();

    // Every vertex projected once, in file order; a ring's repeated first
    // vertex is not drawn (the closed polyline draws that edge) nor projected.
    std::vector<const TPlacemarkCoord*> coords;
    for (const TPlacemark& p : reader.FPlacemarks)
        for (const TPlacemarkGeometry& g : p.Geometries) {
            const bool ring = g.Type == kPlacemarkPolygon && g.Coords.size() >= 2 &&
                              SameCoordinate(g.Coords.front(), g.Coords.back());
            for (size_t i = 0; i + (ring ? 1 : 0) < g.Coords.size(); ++i)
                coords.push_back(&g.Coords[i]);
        }
    std::vector<Projected> projected(coords.size());
    const size_t threads = std::min<size_t>(vlm::MachineThreads(), kProjectThreads);
    for (size_t begin = 0; begin < coords.size(); begin += kProjectStep) {
        const size_t end = std::min(coords.size(), begin + kProjectStep);
        ProjectSlice(project, coords, projected, begin, end, threads);
        if (progress &&
            !progress(kReadingPercent +
                      static_cast<int>((100 - kReadingPercent) * (end / double(coords.size()))))) {
            error = "Cancelled";
            return false;
        }
    }

    size_t next = 0;
    std::vector<TPointD> converted;
    for (const TPlacemark& p : reader.FPlacemarks) {
        for (const TPlacemarkGeometry& g : p.Geometries) {
            const bool ring = g.Type == kPlacemarkPolygon && g.Coords.size() >= 2 &&
                              SameCoordinate(g.Coords.front(), g.Coords.back());
            const size_t count = g.Coords.size() - (ring ? 1 : 0);
            converted.clear();
            const bool firstConverted = count > 0 && projected[next].converted;
            for (size_t i = 0; i < count; ++i, ++next) {
                if (projected[next].converted)
                    converted.push_back(projected[next].at);
                else
                    ++shapes.notConverted;
            }
            if (!p.Name.empty() && firstConverted)
                shapes.labels.push_back({p.Name, converted.front()});
            if (g.Type == kPlacemarkPoint) {
                shapes.points.insert(shapes.points.end(), converted.begin(), converted.end());
            } else if (converted.size() >= 2) {
                const bool closed = g.Type == kPlacemarkPolygon && converted.size() >= 3;
                shapes.lines.push_back({std::move(converted), closed});
                converted = {};
            }
        }
    }
    // A file of which nothing lands on the grid would only wipe an earlier
    // import of it.
    if (shapes.points.empty() && shapes.lines.empty() && shapes.labels.empty()) {
        error = kNothingDrawnError + shapes.notReadSummary + KmlNotConvertedSummary(shapes);
        return false;
    }
    if (progress) progress(100);
    return true;
}

KmlImportJob::KmlImportJob(std::string path, KmlProjectFn project, std::function<void()> notify)
    : path_(std::move(path)),
      project_(std::move(project)),
      notify_(std::move(notify)),
      worker_([this] { Run(); }) {}

KmlImportJob::~KmlImportJob() {
    stop_.store(true);
    worker_.join();
}

void KmlImportJob::Run() {
    const auto progress = [this](int percent) {
        if (stop_.load()) return false;
        if (percent_.exchange(percent, std::memory_order_relaxed) != percent && notify_) notify_();
        return true;
    };
    succeeded_ = ComputeKmlImport(path_, project_, shapes_, error_, progress);
    done_.store(true, std::memory_order_release);
    if (notify_) notify_();
}
