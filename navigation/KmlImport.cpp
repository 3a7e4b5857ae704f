#include "navigation/KmlImport.h"

#include "navigation/PlacemarkReader.h"

namespace {

// Reading takes this share of the progress, projecting the rest.
constexpr int kReadingPercent = 50;
// Vertices projected between two progress reports.
constexpr size_t kProjectStep = 65536;

bool SameCoordinate(const TPlacemarkCoord& a, const TPlacemarkCoord& b) {
    return a.Latitude == b.Latitude && a.Longitude == b.Longitude;
}

}  // namespace

std::string KmlNotConvertedSummary(const KmlImportShapes& shapes) {
    if (shapes.notConverted == 0) return {};
    return " (" + std::to_string(shapes.notConverted) + " points not converted)";
}

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

    size_t total = 0, done = 0, nextReport = kProjectStep;
    for (const TPlacemark& p : reader.FPlacemarks)
        for (const TPlacemarkGeometry& g : p.Geometries) total += g.Coords.size();
    std::vector<TPointD> converted;
    for (const TPlacemark& p : reader.FPlacemarks) {
        for (const TPlacemarkGeometry& g : p.Geometries) {
            // A ring's repeated first vertex: the closed polyline draws that edge.
            size_t count = g.Coords.size();
            const bool ring = g.Type == kPlacemarkPolygon && count >= 2 &&
                              SameCoordinate(g.Coords.front(), g.Coords.back());
            if (ring) --count;
            converted.clear();
            bool firstConverted = false;
            for (size_t i = 0; i < count; ++i) {
                const TPlacemarkCoord& c = g.Coords[i];
                TPointD at{};
                if (project(c.Latitude, c.Longitude, at.X, at.Y)) {
                    converted.push_back(at);
                    firstConverted = firstConverted || i == 0;
                } else {
                    ++shapes.notConverted;
                }
                if (progress && ++done >= nextReport) {
                    nextReport = done + kProjectStep;
                    if (!progress(kReadingPercent + static_cast<int>((100 - kReadingPercent) *
                                                                     (done / double(total))))) {
                        error = "Cancelled";
                        return false;
                    }
                }
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
