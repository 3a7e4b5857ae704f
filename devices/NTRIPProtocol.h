// The NTRIP 1.0 conversation with a caster, as plain functions: the request
// bytes, the GGA sentence the client uploads, the reading of the caster's
// answer (status line, header, source table) and the mount points of a
// source table. The worker thread drives them; tests call them directly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/VclText.h"

// The request of `mode` 0 (NTRIP 1) or 1 (NTRIP 2); empty for 2 and above
// (a plain TCP stream). The authorization line is there only when `user` is
// not empty, whatever the password.
std::string BuildNtripRequest(int mode, const std::string& host, const std::string& mountPoint,
                              const std::string& user, const std::string& password);

// True when `text` can stand in a request line or header: no blanks and no
// control characters (which would end the line or inject further headers).
bool IsSafeRequestText(std::string_view text);

// "$GPGGA,hhmmss,ddmm.mmmm,N,dddmm.mmmm,E,1,10,1.0,alt,M,0.0,M,,*CS" for
// signed degrees and metres at `utc` (only its time of day is used). Minutes
// are rounded to 1e-4 before they are written, so 41.99999999 gives 4200.0000,
// never 4160.0000.
std::string FormatGGA(double latitude, double longitude, double altitude,
                      const platform::DateTime& utc);

// |degrees| as ddmm.mmmm (degreeWidth 2) or dddmm.mmmm (3), the minutes
// rounded to 1e-4 first so that a carry reaches the degrees.
std::string FormatDegreesMinutes(double degrees, int degreeWidth);

// The time of day in UTC for a local time `offsetMinutes` ahead of UTC.
platform::DateTime LocalToUtcTimeOfDay(const platform::DateTime& local, int offsetMinutes);

// The mount points of a source table, in order, and for each "1" when its STR
// record's NMEA field (field 11, "STR" being field 0) is exactly "1", else "0".
struct SourceTableMountPoints {
    std::vector<std::string> names;
    std::vector<std::string> needsGGA;
};
SourceTableMountPoints ParseSourceTableText(std::string_view text);

// What the caster answered, as far as it has arrived.
struct NtripAnswer {
    enum Kind {
        NeedMore,  // keep receiving
        Stream,    // the stream runs; `data` holds the bytes after the header
        Table,     // the source table is complete in `table`
        Error,     // refused or not understood; see `message`
    };
    Kind kind = NeedMore;
    std::string data;
    std::string table;
    std::string message;         // the status message of an error
    std::string serverResponse;  // first line of an unknown answer, for the log; may be empty
    bool refused = false;        // 401 or 403: retrying cannot help
};

// Collects the caster's header and then its source table, chunk by chunk.
// Both are capped (a caster that never ends its header cannot fill memory):
// beyond the cap the answer is an unknown response.
class NtripResponseReader {
  public:
    static constexpr size_t kHeaderCap = 16 * 1024;
    static constexpr size_t kTableCap = 4 * 1024 * 1024;

    explicit NtripResponseReader(std::string mountPoint) : mountPoint_(std::move(mountPoint)) {}

    // Adds a chunk received before the stream started.
    NtripAnswer Feed(std::string_view chunk);

    // The connection ended before the stream started. With header text, the
    // answer is classified as an error (a caster that refuses a password may
    // send its bare status line and hang up); otherwise NeedMore, meaning
    // nothing to report.
    NtripAnswer Closed() const;

    bool InTable() const { return inTable_; }

  private:
    NtripAnswer ErrorFor(bool capped) const;
    // Table when the end marker is found from `searchFrom` on, Error past the cap.
    NtripAnswer TableAnswer(size_t searchFrom) const;

    std::string mountPoint_;
    std::string header_;
    std::string table_;
    bool inTable_ = false;
};
