// The project reader on arbitrary file bytes, plain or compressed: it must
// never crash, a damaged stream must leave the drawing as it was, and every
// shape it reads must come back from a save and a second load; the two
// inflaters must read any stream alike.
#include <unistd.h>

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "platform/TextFiles.h"

namespace {

std::string TempPath(const char* what) {
    return "/tmp/phx_project_fuzz_" + std::to_string(::getpid()) + "_" + what + ".vlm";
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// The same bytes twice: as they are, and as the text inside a compressed
// file, so the fuzzer reaches the record reader through both forms.
void LoadBoth(const std::string& bytes) {
    const std::string plain = TempPath("in");
    const std::string packed = TempPath("packed");
    platform::WriteFileAtomic(plain, bytes);
    std::string compressed(vlm::kMagic);
    Check(vlm::DeflateAppend(bytes, 1, compressed));
    platform::WriteFileAtomic(packed, compressed);

    // Mode 2 onto a drawing that has layers and shapes of its own.
    TCanvasModel model;
    model.AddLayer("Plovan Grid");
    model.AddLine(0, 0, 1, 1, 1);
    model.SelectShape(1, false);
    const size_t before = model.FShapes.size();
    if (!model.LoadProject(QString::fromStdString(plain), -1, -1, 2)) {
        Check(model.FShapes.size() == before);  // a damaged file changes nothing
        Check(model.GetSelectionCount() == 1);
    }

    TCanvasModel fromPacked;
    Check(fromPacked.LoadProject(QString::fromStdString(packed), -1, -1, 0));

    // Save and load again: every shape read is written and read back.
    const std::string saved = TempPath("saved");
    Check(fromPacked.SaveProject(QString::fromStdString(saved)));
    TCanvasModel again;
    again.SelectShape(1, false);
    Check(again.LoadProject(QString::fromStdString(saved), -1, -1, 0));
    Check(again.FShapes.size() == fromPacked.FShapes.size());
    Check(again.GetSelectionCount() == 0);

    ::unlink(plain.c_str());
    ::unlink(packed.c_str());
    ::unlink(saved.c_str());
}

}  // namespace

// The fast inflater and zlib agree on any bytes taken as a stream.
void InflateBoth(std::string_view bytes) {
    vlm::TextBuffer fast, zlib;
    const size_t bound = size_t{16} << 20;
    Check(vlm::Inflate(bytes, fast, bound) == vlm::InflateZlib(bytes, zlib, bound));
    Check(fast.View() == zlib.View());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    InflateBoth(bytes);
    if (bytes.size() >= 4) InflateBoth(std::string_view(bytes).substr(4));
    LoadBoth(bytes);
    return 0;
}
