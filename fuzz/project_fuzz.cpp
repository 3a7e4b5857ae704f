// The project reader on arbitrary file bytes, plain or compressed, all in
// memory: it must never crash, a damaged stream must give no text, every
// shape it reads must come back from the saved text and a second read, and
// the two inflaters must read any stream alike.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// A bound on the inflated text, far above what the inputs can honestly hold,
// so a crafted stream is refused quickly.
constexpr size_t kMaxText = size_t{1} << 22;

// `bytes` as a compressed project file: the magic and one zlib stream. One
// small deflate state serves every run (a fresh full-size one per run, or the
// project writer's worker thread, would cost more than the run itself).
std::string Packed(std::string_view bytes) {
    static z_stream* const zs = [] {
        auto* stream = new z_stream{};
        Check(deflateInit2(stream, 1, Z_DEFLATED, 10, 2, Z_DEFAULT_STRATEGY) == Z_OK);
        return stream;
    }();
    Check(deflateReset(zs) == Z_OK);
    const uLong bound = deflateBound(zs, static_cast<uLong>(bytes.size()));
    std::string packed(vlm::kMagic.size() + bound, '\0');
    std::copy(vlm::kMagic.begin(), vlm::kMagic.end(), packed.begin());
    zs->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    zs->avail_in = static_cast<uInt>(bytes.size());
    zs->next_out = reinterpret_cast<Bytef*>(packed.data() + vlm::kMagic.size());
    zs->avail_out = static_cast<uInt>(bound);
    Check(deflate(zs, Z_FINISH) == Z_STREAM_END);
    packed.resize(vlm::kMagic.size() + zs->total_out);
    return packed;
}

// The models live for the whole run: a new one paints its whole back buffer,
// which would cost more than reading the input. Before each use a mode 0 read
// of a fixed view takes one back to the layers, ids and view of a new model.
TCanvasModel& Fresh(int which) {
    static TCanvasModel models[2];
    TCanvasModel& model = models[which];
    vlm::LoadProjectText(model, "WORLD 0.000000 1000.000000 0.000000 1000.000000\n", 0);
    return model;
}

// The fast inflater and zlib agree on any bytes taken as a stream.
void InflateBoth(std::string_view bytes) {
    vlm::TextBuffer fast, zlib;
    const size_t bound = size_t{16} << 20;
    Check(vlm::Inflate(bytes, fast, bound) == vlm::InflateZlib(bytes, zlib, bound));
    Check(fast.View() == zlib.View());
}

// The saved text in small pieces, so no run reserves the writer's large ones.
std::string Saved(const TCanvasModel& model) {
    std::string text;
    vlm::WriteProjectText(
        model, [&](std::string& piece) { text += piece; }, 4096);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() > kMaxText) return 0;
    InflateBoth(bytes);
    if (bytes.size() >= 4) InflateBoth(bytes.substr(4));

    // The bytes as a file: text, or a stream that must be intact.
    {
        vlm::TextBuffer buffer;
        std::string_view text;
        if (!vlm::ProjectTextFromFile(bytes, buffer, text, kMaxText))
            Check(text.empty());
        else if (bytes.substr(0, vlm::kMagic.size()) != vlm::kMagic)
            Check(text == bytes);
    }

    // The same bytes as the text inside a compressed file come back whole,
    // so the record reader sees any bytes.
    const std::string packed = Packed(bytes);
    vlm::TextBuffer buffer;
    std::string_view text;
    Check(vlm::ProjectTextFromFile(packed, buffer, text, kMaxText));
    Check(text == bytes);

    // Added (mode 2) to a drawing that has layers and shapes of its own.
    TCanvasModel& model = Fresh(0);
    model.AddLayer("Plovan Grid");
    model.AddLine(0, 0, 1, 1, 1);
    const size_t before = model.FShapes.size();
    vlm::LoadProjectText(model, text, 2);
    Check(model.FShapes.size() >= before);

    // Saved and read again: every shape is written and read back, and a
    // fresh read (mode 0) drops the selection.
    const std::string saved = Saved(model);
    TCanvasModel& again = Fresh(1);
    again.SelectShape(again.AddLine(0, 0, 1, 1, 1), false);
    vlm::LoadProjectText(again, saved, 0);
    Check(again.FShapes.size() == model.FShapes.size());
    Check(again.GetSelectionCount() == 0);
    return 0;
}
