// The writer of the two sounding logs (raw depth CSV and simple XYZ): rows
// are appended with CR LF, a header written into an empty file. The file
// stays open between rows while its name still leads to it (see TryOnce);
// each row is in the file when Write returns. No row is lost silently:
// - a name that refuses the open by its nature (EACCES, EISDIR, EROFS: held
//   by another program, a folder in its place, a read-only medium) diverts
//   the row to the first of name + "_1" .. "_99" before the extension that
//   opens; every row tries the own name first;
// - any other failed open or write recreates the start day's folders (the
//   `ensureFolders` hook) and tries once more;
// - rows that still fail are held in order, up to `capBytes` per file, and
//   written first once writing works again; rows beyond the cap are counted
//   as lost;
// - a short write is cut back, so a file never ends in half a row.
// An outage is reported once (file, reason); its end reports the rows
// written and lost. Reports go to the `report` hook; nothing here shows a
// window.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

#include "navigation/HeldItems.h"
#include "platform/NameWatch.h"

class SoundingRowWriter {
  public:
    struct Hooks {
        std::function<bool()> ensureFolders;             // may be empty
        std::function<void(const std::string&)> report;  // may be empty
    };
    static constexpr size_t kDefaultCapBytes = 64u << 20;

    SoundingRowWriter(std::string header, Hooks hooks, size_t capBytes = kDefaultCapBytes);
    ~SoundingRowWriter();
    SoundingRowWriter(const SoundingRowWriter&) = delete;
    SoundingRowWriter& operator=(const SoundingRowWriter&) = delete;

    // Appends `row` (no line end) to `path`, after any held rows. Returns
    // true when the row reached a file now, false when it is held or lost.
    bool Write(const std::string& path, const std::string& row);
    // Puts the header into the empty or missing file `path` (the rows of
    // lines without a depth); a failure is not an outage.
    void Touch(const std::string& path);
    // Writes held rows, if any, to `path` and lets the file go (Stop, the
    // close); returns the number still held, which the close reports as lost.
    size_t Flush(const std::string& path);

    size_t HeldRows() const { return held_.Count(); }
    size_t LostRows() const { return held_.Lost(); }
    // The file the last row went to (the own name or an "_n" name).
    const std::string& LastTarget() const { return lastTarget_; }

    // "dir/name.csv" with "_n" before the extension: "dir/name_n.csv".
    static std::string NumberedName(const std::string& path, int n);

  private:
    // Opens `path` or one of its "_n" names for appending; -1 with errno's
    // reason in `why` when none opens.
    int OpenTarget(const std::string& path, std::string& target, std::string& why);
    // Writes header (when the file, `before` bytes long, is empty) and the
    // held rows; false with `why` when a write failed (the file cut back to
    // its size before it).
    bool WriteHeld(int fd, off_t before, std::string& why);
    void CloseFile();
    // True when the open file is the one `path` asks for and the name still
    // leads to it; looks the name up only when the watch saw a change.
    bool NameLeadsToOpenFile(const std::string& path);
    bool TryOnce(const std::string& path, std::string& why);

    std::string header_;
    Hooks hooks_;
    HeldItems held_;
    std::string lastTarget_;
    int fd_ = -1;          // the open file, -1 for none
    platform::NameWatch nameWatch_;  // its name, while it is open under its own name
    ino_t ino_ = 0;        // its inode and device
    dev_t dev_ = 0;
    std::string openFor_;  // the name asked for when fd_ was opened
    std::string target_;   // the name fd_ was opened under (the own or an "_n" name)
    std::string bytes_;    // scratch of WriteHeld, kept for its capacity
};
