// Lambert conformal conic projection with one standard parallel (EPSG 9801)
// or two (EPSG 9802), as a small numeric module with one process-wide
// parameter set.
//
// Units: angles in radians, distances in metres; an ellipsoid is a and the
// flattening f. A setter validates a set and installs it; the converters use
// the installed set and write their out values only when they return 0. The
// two-parallel setter derives the equivalent one-parallel set (origin
// latitude asin n, scale k0, shifted false northing) and every conversion
// runs through the one-parallel formulas; the two-parallel converters
// re-install that equivalent set from the stored two-parallel values first.
// The inverse gives the latitude in [-pi/2, pi/2] and the longitude in
// (-pi, pi], with nothing rounded towards 0 or +-pi.
//
// Error bits of the converters:
//   1  latitude out of range, a pole that projects to infinity, or a
//      non-finite result of the forward conversion
//   2  longitude out of range (below -pi or above 2 pi)
//   4  easting more than 4e7 m from the false easting (inverse)
//   8  northing more than 4e7 m from the false northing, the latitude
//      iteration did not settle, or a non-finite result (inverse)
//  16  no parameter set of that kind has been accepted yet
//
// GUI thread only: the state is shared and unprotected.
#pragma once

#include <optional>

namespace geodesy {

inline constexpr int kLambertLatitudeError = 1;
inline constexpr int kLambertLongitudeError = 2;
inline constexpr int kLambertEastingError = 4;
inline constexpr int kLambertNorthingError = 8;
inline constexpr int kLambertNoParameters = 16;

struct Lambert1SPSet {
    double a = 0, f = 0;
    double originLatitude = 0, centralMeridian = 0;
    double falseEasting = 0, falseNorthing = 0;
    double k0 = 0;
};

struct Lambert2SPSet {
    double a = 0, f = 0;
    double originLatitude = 0, centralMeridian = 0;
    double firstParallel = 0, secondParallel = 0;
    double falseEasting = 0, falseNorthing = 0;
};

// The whole process-wide state of the module: both stored sets and the
// values derived from them. All zero at program start.
struct LambertState {
    Lambert1SPSet set1;
    bool have1 = false;
    // Derived from set1.
    double e = 0, halfE = 0, n = 0, t0 = 0, aF = 0, rho0 = 0;

    Lambert2SPSet set2;
    bool have2 = false;
    // The equivalent one-parallel set of set2.
    double equivalentOriginLatitude = 0, equivalentK0 = 0, equivalentFalseNorthing = 0;

    void Reset() { *this = LambertState{}; }
};

// The state the functions below work on.
LambertState& Lambert();
// Back to the program-start state (for tests).
inline void ResetLambert() { Lambert().Reset(); }

// Returns n of the installed set; *accepted (when given) tells whether this
// set was accepted or the previous one kept.
double SetLambert1SPParameters(double a, double f, double originLatitude, double centralMeridian,
                               double falseEasting, double falseNorthing, double k0,
                               bool* accepted = nullptr);
int GeodeticToLambert1SP(double latitude, double longitude, double& easting, double& northing);
int Lambert1SPToGeodetic(double easting, double northing, double& latitude, double& longitude);
void GetLambert1SPParameters(double& a, double& f, double& originLatitude, double& centralMeridian,
                             double& falseEasting, double& falseNorthing, double& k0);

double SetLambert2SPParameters(double a, double f, double originLatitude, double centralMeridian,
                               double firstParallel, double secondParallel, double falseEasting,
                               double falseNorthing, bool* accepted = nullptr);
int GeodeticToLambert2SP(double latitude, double longitude, double& easting, double& northing);
int Lambert2SPToGeodetic(double easting, double northing, double& latitude, double& longitude);
void GetLambert2SPParameters(double& a, double& f, double& originLatitude, double& centralMeridian,
                             double& firstParallel, double& secondParallel, double& falseEasting,
                             double& falseNorthing);

// One parameter set held apart from the process-wide state: the same
// validation, the same formulas and the same error bits as the functions
// above with that set installed, but the process-wide state is never read or
// written, so a conic may convert on any thread.
class LambertConic {
  public:
    // std::nullopt where the setter would refuse the set.
    static std::optional<LambertConic> OneParallel(const Lambert1SPSet& set);
    static std::optional<LambertConic> TwoParallels(const Lambert2SPSet& set);

    int Forward(double latitude, double longitude, double& easting, double& northing) const;
    int Inverse(double easting, double northing, double& latitude, double& longitude) const;

    // The cone constant n (sin of the equivalent origin latitude) and the
    // stored central meridian, radians.
    double ConeConstant() const { return state_.n; }
    double CentralMeridian() const { return state_.set1.centralMeridian; }

  private:
    LambertConic() = default;
    LambertState state_;
    bool twoParallels_ = false;
};

}  // namespace geodesy
