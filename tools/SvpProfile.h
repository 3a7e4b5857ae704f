// The sound velocity column in use and the one lookup the depth correction
// reads.
//
// The active column is kept apart from the window's working lists: it holds
// one sound velocity (m/s) per whole metre of depth, line k for depth k m,
// every line a finite number strictly inside 1300 .. 1700. It changes only
// when a whole new column passes that check, so a step that stops half-way,
// a new cast being opened or an invalid hand edit never leaves the depth
// correction without a column or with half of one.
//
// GUI thread only: the window sets it, the depth handler reads it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What the depth correction gets for one raw depth.
struct TSvpLookup {
    bool inUse = false;         // the profile is switched on and has a column
    double soundVelocity = 0;   // m/s, valid when inUse
    bool beyondColumn = false;  // the depth is deeper than the column's last line
};

// The line of a column of `lineCount` lines (at least one) that the raw
// depth `rawDepth` (m) reads: trunc(rawDepth + 0.5); a depth deeper than the
// column gets its last line (beyond set), a negative or non-finite depth
// line 0, whatever the size of the number.
struct SvpLine {
    size_t index = 0;
    bool beyond = false;
};
SvpLine SvpLineFor(double rawDepth, size_t lineCount);

class TSvpProfile {
  public:
    // The numbers of `lines` when each reads as a plain decimal number
    // (blanks around it allowed) strictly inside 1300 .. 1700; empty when
    // any line fails or there is no line.
    static std::vector<double> ValidColumn(const std::vector<std::string>& lines);

    // Takes `lines` as the active column when ValidColumn accepts them;
    // returns whether it did (the old column stays otherwise).
    bool SetColumn(const std::vector<std::string>& lines);

    // The switch "Use Sound Velocity Profile". On is refused (false) while
    // there is no column.
    bool SetInUse(bool inUse);
    bool InUse() const { return inUse_ && !values_.empty(); }

    const std::vector<std::string>& ColumnLines() const { return lines_; }
    bool HasColumn() const { return !values_.empty(); }

    // The sound velocity for the raw depth `rawDepth` (m): the line
    // trunc(rawDepth + 0.5) of the column; a depth deeper than the column
    // gets its last line (beyondColumn set), a negative or non-finite depth
    // line 0. Not in use: inUse false and no velocity.
    TSvpLookup Lookup(double rawDepth) const;

  private:
    bool inUse_ = false;
    std::vector<std::string> lines_;
    std::vector<double> values_;
};

// The one profile of the program.
extern TSvpProfile g_SvpProfile;
