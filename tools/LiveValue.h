// A number typed into a settings edit, as the survey loop reads it: the last
// valid value the edit held, taken at each change of its text. A valid text
// is the plain decimal grammar (platform/VclText.h: optional blanks and sign,
// digits with an optional '.', an optional exponent), finite and within the
// value's range; a whole value also has no '.' and no exponent. A text that
// is half typed or mistyped ("", "1.", "0,5", "1O", "nan") leaves the value
// as it was, so a reader never sees a number the surveyor did not finish.
//
// Nothing here throws. GUI thread only, like the edits it follows.
#pragma once

#include <limits>
#include <optional>
#include <string_view>

namespace tools {

class LiveValue {
  public:
    // The range is inclusive; whole values take integers only.
    explicit LiveValue(double min = -std::numeric_limits<double>::max(),
                       double max = std::numeric_limits<double>::max(), bool whole = false) noexcept
        : min_(min), max_(max), whole_(whole) {}

    // The value `text` stands for, or nothing when it is not valid.
    std::optional<double> Parse(std::string_view text) const noexcept;

    // Takes `text` when valid and says so; an invalid text keeps the value.
    bool Take(std::string_view text) noexcept;

    // The last valid value; empty until there was one.
    std::optional<double> Get() const noexcept { return value_; }
    // The same as a whole number (whole values are integers in int's range).
    std::optional<int> GetInt() const noexcept;

  private:
    double min_, max_;
    bool whole_;
    std::optional<double> value_;
};

}  // namespace tools
