// The entities of a DXF ENTITIES section as canvas shapes: one reader walks
// the records (a (0, type) pair and the pairs up to the next code 0) and
// appends the shapes of the ones it knows to the import layer. Records it
// does not know are passed over as a whole, pair by pair.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/DxfTokens.h"

// A vertex of a LWPOLYLINE or POLYLINE with the bulge of the segment that
// starts at it: tan(included angle / 4), positive when the arc runs
// counter-clockwise, 0 for a straight segment.
struct DxfVertex {
    double x = 0, y = 0, bulge = 0;
};

// The points that draw the polyline: its vertices, and between the two ends
// of every bulged segment the points of its arc, at most 1 degree apart or
// with a chord error under 1 cm, whichever needs fewer. A closed polyline's
// last vertex bulges towards the first; the closing point is not repeated.
std::vector<TPointD> DxfBulgedPoints(const std::vector<DxfVertex>& vertices, bool closed);

class DxfEntityReader {
  public:
    // Shapes go to model.FImportLayer; at most `maxShapes` are made.
    DxfEntityReader(TCanvasModel& model, DxfEncoding encoding, long long maxShapes);

    // Reads the record starting at pairs[at] (a code-0 pair) and returns the
    // index of the next record's code-0 pair.
    size_t Read(const std::vector<DxfPair>& pairs, size_t at);

    long long Count() const { return FCount; }
    // Entities whose geometry came out beyond the double range (a huge
    // radius or scale): no shape is made for them.
    long long Skipped() const { return FSkipped; }
    bool LimitReached() const { return FCount >= FMaxShapes; }

    // Called with the layer name of every LINE while fewer than 5 shapes
    // were made (the diagnostic trace).
    std::function<void(std::string_view layer)> onLine;

  private:
    struct Record;
    void Append(std::unique_ptr<TPlovanShape> shape);
    TColor ColorOf(int index) const;
    void MakeLine(const Record& r);
    void MakeCircle(const Record& r);
    void MakeArc(const Record& r);
    void MakeEllipse(const Record& r);
    void MakeVertexShape(const Record& r, const std::vector<TPointD>& points, bool closed);
    void MakeSolid(const Record& r);
    void MakeText(const Record& r, bool mtext);
    void MakePoint(const Record& r);
    void MakeInsert(const Record& r);
    size_t ReadPolyline(const Record& header, const std::vector<DxfPair>& pairs, size_t at);

    TCanvasModel& FModel;
    DxfEncoding FEncoding;
    long long FMaxShapes;
    long long FCount = 0;
    long long FSkipped = 0;
};
