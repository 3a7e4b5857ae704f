// The project file ".vlm": the drawing of a canvas (view extents, layers and
// every shape in drawing order) as keyword lines, stored as the magic "VLM1"
// followed by one zlib stream of that text. A file without the magic (also
// one shorter than four bytes) is read as the same lines in plain text. Files
// travel between this program and the Windows one, so every keyword, field
// order, separator and number format is fixed.
//
// TCanvasModel::SaveProject compresses on a few worker threads and writes
// the file through a temporary file and a rename (see ProjectFileIo.h), so a
// failed save (false) leaves the old file whole. TCanvasModel::LoadProject
// returns false for a missing or unreadable file, a file far larger than the
// 1 GiB text could fill, a file without the magic that holds control bytes
// (binary data is no project text), and a compressed stream that is damaged,
// cut short or would inflate beyond 1 GiB, and then leaves the drawing as it
// was; only running out of memory half way (also false) can leave a drawing
// partly read.
// Records that lack a required field are skipped; reals are written with 6
// decimals (see ProjectText.h); names and texts never break their line.
//
// Both members are defined beside these functions; tests, the fuzz target
// and the benchmark also use the text-level pieces directly.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "canvas/ZlibStream.h"

class TCanvasModel;

namespace vlm {

inline constexpr std::string_view kMagic = "VLM1";

// The largest file the loader reads: a stream of a 1 GiB text stored
// uncompressed is a little larger than the text.
inline constexpr size_t kMaxFileBytes = kMaxInflatedBytes + kMaxInflatedBytes / 1024 + 4096;

// The project text of `model`, with the header stamped by platform::Now(),
// handed to `sink` in pieces of about `pieceBytes` (the sink may take the
// piece's content).
void WriteProjectText(const TCanvasModel& model, const std::function<void(std::string&)>& sink,
                      size_t pieceBytes = size_t{1} << 20);

// The whole project text at once.
std::string ProjectText(const TCanvasModel& model);

// The bytes of the project file for `model` (magic and stream) in `bytes`.
// With `threads` of 1 (or 0) the text is made and compressed on the calling
// thread alone as one deflate run; with more, shapes are formatted in ranges
// and the text compressed in blocks on a pool of that many workers. Both
// hold the same text; false (and only the magic) when compressing failed.
bool ProjectFileBytes(const TCanvasModel& model, size_t threads, std::string& bytes);

// True when `bytes` hold no control byte but tab, CR and LF (0x00 to 0x1F,
// 0x7F): a file without the magic must be text to be read as project text.
// Bytes from 0x80 up (UTF-8, a Windows code page) are text.
bool LooksLikeText(std::string_view bytes);

// The project text held in the bytes of a project file: inflated after the
// magic into `buffer`, else the bytes themselves; `text` views the one or the
// other. Anything but a complete, intact stream, a text beyond `maxBytes`,
// or bytes without the magic that are not text, gives false and an empty
// text. A pool helps the inflater (see Inflate).
bool ProjectTextFromFile(std::string_view fileBytes, TextBuffer& buffer, std::string_view& text,
                         size_t maxBytes = kMaxInflatedBytes, TaskPool* pool = nullptr);

// platform::IsValidUtf8 of `text`, its lines shared among the pool's workers.
bool IsValidUtf8Text(std::string_view text, TaskPool* pool);

// The parts the reader cuts a text into, at line ends.
inline constexpr size_t kReadPartBytes = size_t{512} << 10;

// Reads the records of `text` into `model`. Mode 0 first removes every shape
// and layer (and the selection and any drawing in progress) and starts again
// from the layer "Default"; any other mode adds to the drawing. No redraw.
// A text of more than one part is read on the pool's workers beside the
// calling thread, or on a pool of its own when none is given; only the
// calling thread changes the model. The parts' size changes nothing but the
// speed (tests make them small).
void LoadProjectText(TCanvasModel& model, std::string_view text, int mode, TaskPool* pool = nullptr,
                     size_t partBytes = kReadPartBytes);

}  // namespace vlm
