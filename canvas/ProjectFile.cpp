#include "canvas/ProjectFile.h"

#include <zlib.h>

#include <QFile>
#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFileIo.h"
#include "canvas/ProjectText.h"
#include "canvas/TaskPool.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

namespace vlm {
namespace {

// ---- Writing ----

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// "2024-05-01 09:07:05.42": the year as it is, the rest two digits each,
// hundredths of a second truncated.
void AppendCreatedOn(std::string& out, const platform::DateTime& t) {
    const int fields[] = {t.month, t.day, t.hour, t.minute, t.second, t.millisecond / 10};
    const char separators[] = {'-', '-', ' ', ':', ':', '.'};
    AppendInt(out, t.year);
    for (int i = 0; i < 6; ++i) {
        out.push_back(separators[i]);
        AppendTwoDigits(out, fields[i]);
    }
}

// Builds one record with a blank before every field; End closes its line.
class Record {
  public:
    Record(std::string& out, std::string_view keyword) : out_(out) { out_.append(keyword); }
    void End() { out_.push_back('\n'); }
    Record& Real(double v) {
        out_.push_back(' ');
        AppendReal(out_, v);
        return *this;
    }
    Record& Reals(std::initializer_list<double> values) {
        for (double v : values) Real(v);
        return *this;
    }
    Record& Int(long long v) {
        out_.push_back(' ');
        AppendInt(out_, v);
        return *this;
    }
    // Layer id, colour and pen width, in this order in most records.
    Record& Pen(const TPlovanShape& s) { return Int(s.FLayerId).Int(s.FColor).Int(s.FWidth); }
    // A name or text that must stay on this line.
    Record& Text(const QString& text) {
        out_.push_back(' ');
        AppendSanitized(out_, text.toStdString());
        return *this;
    }
    // A name that must stay one word: its blanks, also those that control
    // characters became, are written as '_' (read back as blanks).
    Record& Word(const QString& name) {
        const size_t start = out_.size() + 1;
        Text(name);
        std::replace(out_.begin() + static_cast<std::ptrdiff_t>(start), out_.end(), ' ', '_');
        return *this;
    }

  private:
    std::string& out_;
};

void AppendVertices(std::string& out, const TPlovanPolyline& polyline) {
    for (const TPointD& p : polyline.Points) {
        AppendReal(out, p.X);
        out.push_back(' ');
        AppendReal(out, p.Y);
        out.push_back('\n');
    }
}

void AppendPolyline(std::string& out, std::string_view keyword, const TPlovanPolyline& p) {
    Record(out, keyword).Int(p.FLayerId).Int(p.Count()).Int(p.FColor).Int(p.FWidth).End();
    AppendVertices(out, p);
}

void AppendShape(std::string& out, const TPlovanShape& shape) {
    switch (shape.FShapeType) {
        case ShapeType::Line:
            if (auto* s = dynamic_cast<const TPlovanLine*>(&shape))
                Record(out, "LINE").Reals({s->X1, s->Y1, s->X2, s->Y2}).Pen(*s).End();
            break;
        case ShapeType::Circle:
            if (auto* s = dynamic_cast<const TPlovanCircle*>(&shape))
                Record(out, "CIRCLE").Reals({s->X, s->Y, s->Radius}).Pen(*s).End();
            break;
        case ShapeType::Point:
            if (auto* s = dynamic_cast<const TPlovanPoint*>(&shape))
                Record(out, "POINT").Reals({s->X, s->Y}).Pen(*s).Real(s->Z).End();
            break;
        case ShapeType::Text:
            if (auto* s = dynamic_cast<const TPlovanText*>(&shape)) {
                Record r(out, "TEXT");
                r.Reals({s->X, s->Y}).Int(s->FLayerId).Int(s->FontIndex).Int(s->FColor);
                r.Reals({s->Height, s->Angle}).Int(s->Bold ? 1 : 0).Int(s->Italic ? 1 : 0);
                // The reader takes "0" as "keep the default font". The font
                // is one word on the line, so the blanks of "Arial Black"
                // are written as '_'; written as they are, they would become
                // the start of the text.
                if (s->FontName.isEmpty())
                    out.append(" 0");
                else
                    r.Word(s->FontName);
                r.Text(s->Text).End();
            }
            break;
        case ShapeType::Rectangle:
            if (auto* s = dynamic_cast<const TPlovanRectangle*>(&shape))
                Record(out, "RECTANGLE")
                    .Reals({s->X1, s->Y1, s->X2, s->Y2})
                    .Pen(*s)
                    .Int(s->FFillColor)
                    .Int(s->FFillStyle)
                    .Real(s->Value)
                    .End();
            break;
        case 4:
        case ShapeType::Ellipse:
            if (auto* s = dynamic_cast<const TPlovanEllipse*>(&shape))
                Record(out, "ELLIPSE").Reals({s->X1, s->Y1, s->X2, s->Y2}).Pen(*s).End();
            break;
        case ShapeType::Polyline:
        case ShapeType::Polygon:
            if (auto* s = dynamic_cast<const TPlovanPolyline*>(&shape))
                AppendPolyline(out, s->Closed ? "POLYGON" : "POLYLINE", *s);
            break;
        case ShapeType::Spline:
            if (auto* s = dynamic_cast<const TPlovanPolyline*>(&shape))
                AppendPolyline(out, "SPLINE", *s);
            break;
        case ShapeType::Arc:
            if (auto* s = dynamic_cast<const TPlovanPolyline*>(&shape)) {
                AppendPolyline(out, "ARC3P", *s);
            } else if (auto* a = dynamic_cast<const TPlovanArc*>(&shape)) {
                // Written in the form the reader knows, so an arc survives a
                // save instead of vanishing from the drawing.
                Record(out, "ARC").Reals({a->X1, a->Y1, a->X2, a->Y2, a->X3, a->Y3}).Pen(*a).End();
            }
            break;
        default:
            break;  // no record for other type codes
    }
}

// The four header lines, the WORLD record and the LAYER records.
void AppendHead(std::string& out, const TCanvasModel& model) {
    out.append("# Plovan Helm - VLM\n# Written by Plovan HX\n# Created on: ");
    AppendCreatedOn(out, platform::Now());
    out.append("\n#\n");
    Record(out, "WORLD")
        .Real(model.FWorldLeft)
        .Real(model.FWorldRight)
        .Real(model.FWorldBottom)
        .Real(model.FWorldTop)
        .End();
}

void AppendLayer(std::string& out, const TCanvasLayer& layer) {
    Record(out, "LAYER").Int(layer.Id).Text(layer.Name).End();
}

// Shapes formatted by one task on a worker: about a third of a megabyte of
// text, a few deflate blocks.
constexpr size_t kRangeShapes = 4096;

// The text of the shapes, made in ranges on the pool's workers and handed to
// `deflater` in drawing order as the ranges are done. A few ranges are made
// ahead, so the workers format and compress side by side.
bool DeflateShapes(const std::vector<TPlovanShape*>& shapes, TaskPool& pool, Deflater& deflater,
                   std::mutex& mutex, std::condition_variable& changed) {
    struct Range {
        std::string text;
        bool ok = false;
        bool done = false;  // under `mutex`
    };
    std::deque<std::shared_ptr<Range>> ranges;
    size_t next = 0;
    auto submit = [&] {
        const size_t begin = next;
        const size_t end = std::min(shapes.size(), begin + kRangeShapes);
        next = end;
        auto range = std::make_shared<Range>();
        ranges.push_back(range);
        pool.Run([&shapes, &mutex, &changed, range, begin, end] {
            std::string text;
            bool ok = true;
            try {
                text.reserve((end - begin) * 96);
                for (size_t i = begin; i < end; ++i) AppendShape(text, *shapes[i]);
            } catch (const std::exception&) {
                ok = false;
            }
            std::lock_guard<std::mutex> lock(mutex);
            range->text = std::move(text);
            range->ok = ok;
            range->done = true;
            changed.notify_all();
        });
    };
    while (next < shapes.size() && ranges.size() < 4 * pool.Threads()) submit();
    while (!ranges.empty()) {
        const std::shared_ptr<Range> range = std::move(ranges.front());
        ranges.pop_front();
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return range->done; });
        }
        if (!range->ok) return false;
        if (next < shapes.size()) submit();
        deflater.Push(range->text);
    }
    return true;
}

}  // namespace

void WriteProjectText(const TCanvasModel& model, const std::function<void(std::string&)>& sink,
                      size_t pieceBytes) {
    std::string out;
    // The sink may take the piece; it then starts again empty.
    auto handOver = [&] {
        sink(out);
        out.clear();
        out.reserve(pieceBytes + 4096);
    };
    out.reserve(pieceBytes + 4096);
    AppendHead(out, model);
    for (const auto& layer : model.FLayers) {
        AppendLayer(out, *layer);
        if (out.size() >= pieceBytes) handOver();
    }
    for (const TPlovanShape* shape : model.FShapes) {
        AppendShape(out, *shape);
        if (out.size() >= pieceBytes) handOver();
    }
    if (!out.empty()) sink(out);
}

bool ProjectFileBytes(const TCanvasModel& model, size_t threads, std::string& bytes) {
    bytes.assign(kMagic);
    if (threads <= 1) {
        Deflater deflater(Z_DEFAULT_COMPRESSION, bytes);
        WriteProjectText(model, [&](std::string& piece) { deflater.Push(piece); });
        return deflater.Finish();
    }
    bytes.reserve(model.FShapes.size() * 10 + 4096);
    // Destroyed in reverse: the deflater waits for its blocks, then the pool
    // runs what is left before the mutex the tasks report through goes.
    std::mutex mutex;
    std::condition_variable changed;
    TaskPool pool(threads);
    Deflater deflater(Z_DEFAULT_COMPRESSION, bytes, &pool);
    std::string head;
    AppendHead(head, model);
    for (const auto& layer : model.FLayers) AppendLayer(head, *layer);
    deflater.Push(head);
    if (!DeflateShapes(model.FShapes, pool, deflater, mutex, changed)) {
        bytes.resize(kMagic.size());
        return false;
    }
    return deflater.Finish();
}

std::string ProjectText(const TCanvasModel& model) {
    std::string text;
    text.reserve(256 + model.FLayers.size() * 32 + model.FShapes.size() * 72);
    WriteProjectText(model, [&](std::string& piece) {
        text.append(piece);
        piece.clear();
    });
    return text;
}

bool LooksLikeText(std::string_view bytes) {
    // A table is faster than the comparisons on a gigabyte of text.
    static const auto kControl = [] {
        std::array<bool, 256> control{};
        for (int c = 0; c < 32; ++c) control[static_cast<size_t>(c)] = true;
        control['\t'] = control['\r'] = control['\n'] = false;
        control[127] = true;
        return control;
    }();
    for (const char c : bytes)
        if (kControl[static_cast<unsigned char>(c)]) return false;
    return true;
}

bool ProjectTextFromFile(std::string_view fileBytes, TextBuffer& buffer, std::string_view& text,
                         size_t maxBytes, TaskPool* pool) {
    buffer.Clear();
    text = {};
    if (fileBytes.substr(0, kMagic.size()) != kMagic) {
        if (fileBytes.size() > maxBytes || !LooksLikeText(fileBytes)) return false;
        text = fileBytes;
        return true;
    }
    if (Inflate(fileBytes.substr(kMagic.size()), buffer, maxBytes, pool) != InflateStatus::Ok)
        return false;
    text = buffer.View();
    return true;
}

bool IsValidUtf8Text(std::string_view text, TaskPool* pool) {
    // A letter's bytes are all 0x80 and above, so pieces cut after an LF
    // hold whole letters and the text is valid exactly when each piece is.
    constexpr size_t kPieceBytes = size_t{4} << 20;
    if (!pool || text.size() < 2 * kPieceBytes) return platform::IsValidUtf8(text);
    std::vector<std::string_view> pieces;
    while (!text.empty()) {
        size_t end = std::min(text.size(), kPieceBytes);
        if (end < text.size()) {
            const size_t lf = text.find('\n', end);
            end = lf == std::string_view::npos ? text.size() : lf + 1;
        }
        pieces.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    std::atomic<bool> valid{true};
    ParallelFor(pool, pieces.size(), [&](size_t i) {
        if (valid.load() && !platform::IsValidUtf8(pieces[i])) valid = false;
    });
    return valid.load();
}

}  // namespace vlm

bool TCanvasModel::SaveProject(const QString& fileName, int /*unused*/) {
    try {
        std::string bytes;
        if (!vlm::ProjectFileBytes(*this, vlm::MachineThreads(), bytes)) return false;
        // Through a temporary file beside the file (a link's target) and a
        // rename: a failure or a power loss never leaves a half-written
        // project.
        return vlm::WriteProjectFile(QFile::encodeName(fileName).toStdString(), bytes);
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

// Files from this size on are loaded with a pool of workers; below it,
// starting the threads would cost more than they save.
constexpr size_t kPoolFileBytes = size_t{256} << 10;

}  // namespace

bool TCanvasModel::LoadProject(const QString& fileName, int /*unused1*/, int /*unused2*/,
                               int mode) {
    try {
        std::string bytes;
        if (!vlm::ReadProjectFile(QFile::encodeName(fileName).toStdString(), bytes,
                                  vlm::kMaxFileBytes))
            return false;
        // A large drawing is read on a few workers beside this thread.
        std::unique_ptr<vlm::TaskPool> pool;
        if (bytes.size() >= kPoolFileBytes && vlm::MachineThreads() > 1)
            pool = std::make_unique<vlm::TaskPool>(vlm::MachineThreads() - 1);
        // The stream is checked whole before anything changes: a damaged or
        // cut file leaves the drawing as it was.
        vlm::TextBuffer inflated;
        std::string_view text;
        if (!vlm::ProjectTextFromFile(bytes, inflated, text, vlm::kMaxInflatedBytes, pool.get()))
            return false;
        // Files of the Windows program hold its Windows-1254 code page.
        std::string decoded;
        if (!vlm::IsValidUtf8Text(text, pool.get())) {
            decoded = platform::Windows1254ToUtf8(text);
            text = decoded;
        }
        vlm::LoadProjectText(*this, text, mode, pool.get());
    } catch (const std::exception&) {
        return false;
    }
    Redraw();
    return true;
}
