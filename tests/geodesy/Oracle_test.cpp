// The geodesy against PROJ and GeographicLib: the tables in oracle/ were
// written by make_oracle_tables.py from `proj`, `cct`, `CartConvert`,
// `TransverseMercatorProj` and `ConicProj`. PHX_ORACLE_DIR points the same
// checks at freshly generated tables (the live comparison).
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "geodesy/DatumText.h"
#include "geodesy/LambertConformalConic.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"
#include "tests/geodesy/GeodesyTestText.h"

namespace geodesy {
namespace {

using test_text::Numbers;
using test_text::Split;

struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;

    size_t Column(const std::string& name) const {
        for (size_t i = 0; i < header.size(); ++i)
            if (header[i] == name) return i;
        ADD_FAILURE() << "no column " << name;
        return 0;
    }
};

// One row as text by column name, with numbers parsed on demand.
struct Row {
    const Table* table;
    const std::vector<std::string>* cells;
    const std::string& Text(const std::string& name) const { return (*cells)[table->Column(name)]; }
    double operator[](const std::string& name) const {
        const auto v = platform::ParseFloat(Text(name));
        EXPECT_TRUE(v.has_value()) << name << " = " << Text(name);
        return v.value_or(NAN);
    }
};

std::string OracleDir() {
    const char* dir = std::getenv("PHX_ORACLE_DIR");
    return dir && *dir ? dir : std::string(PHX_TEST_DATA_DIR) + "/oracle";
}

Table Load(const std::string& name) {
    Table t;
    std::string text;
    const bool read = platform::ReadFile(OracleDir() + "/" + name, text);
    EXPECT_TRUE(read) << OracleDir() + "/" + name;
    for (const auto& line : platform::SplitLines(text)) {
        if (line.empty()) continue;
        if (t.header.empty())
            t.header = Split(line, ',');
        else
            t.rows.push_back(Split(line, ','));
    }
    EXPECT_FALSE(t.rows.empty()) << name;
    return t;
}

template <typename F>
void ForEachRow(const Table& t, F&& f) {
    for (const auto& cells : t.rows) f(Row{&t, &cells});
}

std::string TmText(const Row& r) {
    return r.Text("cm") + " " + r.Text("rl") + " " + r.Text("k0") + " " + r.Text("fe") + " " +
           r.Text("fn");
}

TEST(TransverseMercatorOracle, ForwardWithinAMillimetreOfProjToFourDegrees) {
    const Table t = Load("tm_forward.csv");
    double worst4 = 0, worst5 = 0;
    ForEachRow(t, [&](const Row& r) {
        const Ellipsoid e{r["a"], r["f"]};
        const auto tm =
            TransverseMercator::Create(e, {r["cm"], r["rl"], r["k0"], r["fe"], r["fn"]});
        ASSERT_TRUE(tm);
        const auto g = tm->Forward({r["lat"], r["lon"]});
        ASSERT_TRUE(g);
        const double error = std::hypot(g->eastingM - r["easting"], g->northingM - r["northing"]);
        const double dlon = std::fabs(LongitudeFromCentralMeridian(r["lon"], r["cm"]));
        (dlon <= 4 ? worst4 : worst5) = std::fmax(dlon <= 4 ? worst4 : worst5, error);
        EXPECT_LE(error, dlon <= 4 ? 1e-3 : 3.3e-3)
            << "lat " << r.Text("lat") << " lon " << r.Text("lon") << " cm " << r.Text("cm");

        // The text form gives the same numbers to its 4 decimals.
        const std::string text = TransverseMercatorFromText(
            r.Text("lat") + " " + r.Text("lon"), TmText(r),
            "6378137.0 0.0033528106647474 " + r.Text("a") + " " + r.Text("f"));
        const auto en = Numbers(text, 2);
        EXPECT_NEAR(en[0], g->eastingM, 0.5e-4 + 1e-9);
        EXPECT_NEAR(en[1], g->northingM, 0.5e-4 + 1e-9);
    });
    RecordProperty("worst_mm_to_4deg", std::to_string(worst4 * 1000));
    RecordProperty("worst_mm_at_5deg", std::to_string(worst5 * 1000));
}

TEST(TransverseMercatorOracle, InverseReturnsProjInputsToFourDegrees) {
    const Table t = Load("tm_forward.csv");
    double worst = 0;
    ForEachRow(t, [&](const Row& r) {
        const double dlon = std::fabs(LongitudeFromCentralMeridian(r["lon"], r["cm"]));
        if (dlon > 4) return;
        const auto tm = TransverseMercator::Create({r["a"], r["f"]},
                                                   {r["cm"], r["rl"], r["k0"], r["fe"], r["fn"]});
        ASSERT_TRUE(tm);
        const auto g = tm->Inverse({r["easting"], r["northing"]});
        ASSERT_TRUE(g);
        // The footpoint series is truncated: compare on the ground, in metres.
        const double metresPerDegree = 111320;
        const double error = std::hypot((g->latitudeDeg - r["lat"]) * metresPerDegree,
                                        LongitudeFromCentralMeridian(g->longitudeDeg, r["lon"]) *
                                            metresPerDegree * std::cos(r["lat"] * kPi / 180));
        worst = std::fmax(worst, error);
        EXPECT_LE(error, dlon <= 3 ? 1e-3 : 3e-3) << r.Text("lat") << " " << r.Text("lon");
    });
    RecordProperty("worst_mm", std::to_string(worst * 1000));
}

// The distance on the ground, in metres, between two positions a few
// millimetres to metres apart.
double GroundDistance(double latitudeDeg, double longitudeDeg, double oracleLatitudeDeg,
                      double oracleLongitudeDeg) {
    const double metresPerDegree = 111320;
    return std::hypot((latitudeDeg - oracleLatitudeDeg) * metresPerDegree,
                      LongitudeFromCentralMeridian(longitudeDeg, oracleLongitudeDeg) *
                          metresPerDegree * std::cos(oracleLatitudeDeg * kPi / 180));
}

// Random points up to 6 degrees from the central meridian, against PROJ's
// exact tmerc both ways: the accuracy the header states, band by band.
TEST(TransverseMercatorOracle, AccuracyBothWaysByDistanceFromTheCentralMeridian) {
    const Table t = Load("tm_inverse.csv");
    // Upper bounds in metres for 0-1, 1-2, ... 5-6 degrees from the meridian.
    const double forwardBound[6] = {1.5e-3, 1.5e-3, 1.5e-3, 1.5e-3, 4e-3, 12e-3};
    const double inverseBound[6] = {1e-3, 1e-3, 1e-3, 3e-3, 15e-3, 50e-3};
    double worstForward[6] = {}, worstInverse[6] = {};
    int count[6] = {};
    ForEachRow(t, [&](const Row& r) {
        const auto tm = TransverseMercator::Create({r["a"], r["f"]},
                                                   {r["cm"], r["rl"], r["k0"], r["fe"], r["fn"]});
        ASSERT_TRUE(tm);
        const double dlon = std::fabs(LongitudeFromCentralMeridian(r["lon"], r["cm"]));
        const int band = std::min(5, static_cast<int>(dlon));
        ++count[band];
        const auto g = tm->Inverse({r["easting"], r["northing"]});
        ASSERT_TRUE(g) << r.Text("easting") << " " << r.Text("northing");
        const double inverse = GroundDistance(g->latitudeDeg, g->longitudeDeg, r["lat"], r["lon"]);
        worstInverse[band] = std::fmax(worstInverse[band], inverse);
        EXPECT_LE(inverse, inverseBound[band]) << "inverse, lat " << r.Text("lat") << " lon "
                                               << r.Text("lon") << " cm " << r.Text("cm");
        const auto grid = tm->Forward({r["lat"], r["lon"]});
        ASSERT_TRUE(grid);
        const double forward =
            std::hypot(grid->eastingM - r["easting"], grid->northingM - r["northing"]);
        worstForward[band] = std::fmax(worstForward[band], forward);
        EXPECT_LE(forward, forwardBound[band]) << "forward, lat " << r.Text("lat") << " lon "
                                               << r.Text("lon") << " cm " << r.Text("cm");
    });
    for (int band = 0; band < 6; ++band) {
        EXPECT_GT(count[band], 50) << band;
        const std::string degrees = std::to_string(band) + "_to_" + std::to_string(band + 1);
        RecordProperty("forward_worst_mm_" + degrees, std::to_string(worstForward[band] * 1000));
        RecordProperty("inverse_worst_mm_" + degrees, std::to_string(worstInverse[band] * 1000));
    }
}

TEST(TransverseMercatorOracle, ConvergenceAndScaleAgreeWithGeographicLibToThreeDegrees) {
    const Table t = Load("tm_gamma_k.csv");
    int compared = 0;
    ForEachRow(t, [&](const Row& r) {
        if (std::fabs(LongitudeFromCentralMeridian(r["lon"], r["cm"])) > 3) return;
        ++compared;
        const double gamma = TMConvergenceOrScale("GrdConv", r["a"], r["f"], r["lat"], r["lon"],
                                                  r["cm"], 0, r["k0"], 0, 0);
        const double k = TMConvergenceOrScale("PtScFac", r["a"], r["f"], r["lat"], r["lon"],
                                              r["cm"], 0, r["k0"], 0, 0);
        // GeographicLib measures the convergence the other way round.
        EXPECT_NEAR(gamma, -r["gamma"], 1e-9) << r.Text("lat") << " " << r.Text("lon");
        EXPECT_NEAR(k, r["k"], 1e-10) << r.Text("lat") << " " << r.Text("lon");
    });
    EXPECT_GT(compared, 300);
}

TEST(DatumOracle, GeocentricAgreesWithCartConvert) {
    const Table t = Load("geocentric.csv");
    ForEachRow(t, [&](const Row& r) {
        const auto p = GeodeticToGeocentric({r["lat"], r["lon"], r["h"]}, {r["a"], r["f"]});
        ASSERT_TRUE(p);
        EXPECT_NEAR(p->x, r["x"], 1e-6);
        EXPECT_NEAR(p->y, r["y"], 1e-6);
        EXPECT_NEAR(p->z, r["z"], 1e-6);
        const auto back = GeocentricToGeodetic({r["x"], r["y"], r["z"]}, {r["a"], r["f"]});
        ASSERT_TRUE(back) << r.Text("lat");
        EXPECT_NEAR(back->latitudeDeg, r["lat"], 1e-10);
        if (std::fabs(r["lat"]) < 89) {
            EXPECT_NEAR(LongitudeFromCentralMeridian(back->longitudeDeg, r["lon"]), 0, 1e-10);
        }
        EXPECT_NEAR(back->heightM, r["h"], 1e-5);
        // The text form: 15 significant digits, tab-separated.
        const auto xyz = Numbers(GeoBlhToXyz(r["lat"], r["lon"], r["h"], r["a"], r["f"]), 3);
        EXPECT_NEAR(xyz[0], r["x"], 1e-6);
        EXPECT_NEAR(xyz[2], r["z"], 1e-6);
    });
}

std::string SetText(const Row& r, const std::string& suffix) {
    std::string text;
    for (const char* name : {"a", "f", "s", "rx", "ry", "rz", "tx", "ty", "tz"})
        text += r.Text(name + suffix) + " ";
    return text;
}

TEST(DatumOracle, ChainAgreesWithProjHelmertExact) {
    const Table t = Load("datum.csv");
    ForEachRow(t, [&](const Row& r) {
        const std::string datum = SetText(r, "1") + SetText(r, "2");
        const std::string geodetic = r.Text("lat") + " " + r.Text("lon") + " " + r.Text("h");
        // Numeric core.
        DatumSet source, target;
        ASSERT_TRUE(ParseDatumText(datum, source, target));
        const auto shift = DatumShift::Create(source, target);
        ASSERT_TRUE(shift);
        const auto xyz = shift->ToTargetGeocentric({r["lat"], r["lon"], r["h"]});
        ASSERT_TRUE(xyz);
        EXPECT_NEAR(xyz->x, r["x"], 1e-6) << datum;
        EXPECT_NEAR(xyz->y, r["y"], 1e-6) << datum;
        EXPECT_NEAR(xyz->z, r["z"], 1e-6) << datum;
        const auto blh = shift->Transform({r["lat"], r["lon"], r["h"]});
        ASSERT_TRUE(blh);
        EXPECT_NEAR(blh->latitudeDeg, r["lat2"], 1e-10);
        EXPECT_NEAR(blh->longitudeDeg, r["lon2"], 1e-10);
        EXPECT_NEAR(blh->heightM, r["h2"], 1e-6);

        // Text chain: 15-digit intermediates, then 8 and 2 decimals.
        const auto textXyz = Numbers(GeoTransform("XYZ", geodetic, datum), 3);
        EXPECT_NEAR(textXyz[0], r["x"], 1e-6) << datum;
        EXPECT_NEAR(textXyz[1], r["y"], 1e-6) << datum;
        EXPECT_NEAR(textXyz[2], r["z"], 1e-6) << datum;
        const auto textBlh = Numbers(GeoTransform("BLH", geodetic, datum), 3);
        EXPECT_NEAR(textBlh[0], r["lat2"], 0.5e-8 + 1e-11);
        EXPECT_NEAR(textBlh[1], r["lon2"], 0.5e-8 + 1e-11);
        EXPECT_NEAR(textBlh[2], r["h2"], 0.005 + 1e-7);
    });
}

// Sets the table's Lambert parameters; returns false when the setter refused.
bool InstallLambert(const Row& r) {
    const double rad = kPi / 180;
    bool accepted = false;
    if (r.Text("kind") == "1SP")
        SetLambert1SPParameters(r["a"], r["f"], r["lat0"] * rad, r["lon0"] * rad, r["fe"], r["fn"],
                                r["k0"], &accepted);
    else
        SetLambert2SPParameters(r["a"], r["f"], r["lat0"] * rad, r["lon0"] * rad, r["lat1"] * rad,
                                r["lat2"] * rad, r["fe"], r["fn"], &accepted);
    return accepted;
}

int LambertForward(const Row& r, double& e, double& n) {
    const double rad = kPi / 180;
    return r.Text("kind") == "1SP" ? GeodeticToLambert1SP(r["lat"] * rad, r["lon"] * rad, e, n)
                                   : GeodeticToLambert2SP(r["lat"] * rad, r["lon"] * rad, e, n);
}

TEST(LambertOracle, AgreesWithProjLccForwardAndInverse) {
    const Table t = Load("lcc.csv");
    ForEachRow(t, [&](const Row& r) {
        ResetLambert();
        ASSERT_TRUE(InstallLambert(r));
        double e = 0, n = 0;
        ASSERT_EQ(LambertForward(r, e, n), 0);
        EXPECT_NEAR(e, r["easting"], 1e-8) << r.Text("lat") << " " << r.Text("lon");
        EXPECT_NEAR(n, r["northing"], 1e-8) << r.Text("lat") << " " << r.Text("lon");

        double lat = 0, lon = 0;
        const int bits = r.Text("kind") == "1SP"
                             ? Lambert1SPToGeodetic(r["easting"], r["northing"], lat, lon)
                             : Lambert2SPToGeodetic(r["easting"], r["northing"], lat, lon);
        ASSERT_EQ(bits, 0);
        EXPECT_NEAR(lat, r["lat"] * kPi / 180, 1e-9);
        EXPECT_NEAR(lon, r["lon"] * kPi / 180, 1e-12);
    });
}

// Random grid points a centimetre to two kilometres from the equator, the
// prime meridian and the antimeridian (and some exactly on them), both
// hemispheres, one and two parallels: the inverse lands where PROJ's does,
// never pulled onto the line.
TEST(LambertOracle, InverseAgreesWithProjNearTheEquatorAndTheMeridians) {
    const Table t = Load("lcc_inverse.csv");
    double worst = 0;
    ForEachRow(t, [&](const Row& r) {
        ResetLambert();
        ASSERT_TRUE(InstallLambert(r));
        double lat = 0, lon = 0;
        const int bits = r.Text("kind") == "1SP"
                             ? Lambert1SPToGeodetic(r["easting"], r["northing"], lat, lon)
                             : Lambert2SPToGeodetic(r["easting"], r["northing"], lat, lon);
        ASSERT_EQ(bits, 0) << r.Text("easting") << " " << r.Text("northing");
        EXPECT_GT(lon, -kPi);
        EXPECT_LE(lon, kPi);
        const double error = GroundDistance(lat * 180 / kPi, lon * 180 / kPi, r["lat"], r["lon"]);
        worst = std::fmax(worst, error);
        EXPECT_LE(error, 1e-4) << r.Text("kind") << " lat0 " << r.Text("lat0") << " lon0 "
                               << r.Text("lon0") << ": " << r.Text("lat") << " " << r.Text("lon");
    });
    ResetLambert();
    RecordProperty("worst_mm", std::to_string(worst * 1000));
}

TEST(LambertOracle, GridOffsetsFromTheOriginAgreeWithConicProj) {
    const Table t = Load("conic.csv");
    ForEachRow(t, [&](const Row& r) {
        ResetLambert();
        ASSERT_TRUE(InstallLambert(r));
        double e = 0, n = 0;
        ASSERT_EQ(LambertForward(r, e, n), 0);
        EXPECT_NEAR(e - r["fe"], r["dx"], 1e-6) << r.Text("kind") << " " << r.Text("lat");
        EXPECT_NEAR(n - r["fn"], r["dy"], 1e-6) << r.Text("kind") << " " << r.Text("lat");
    });
    ResetLambert();
}

// The same table under a locale with a decimal comma must give the same
// texts: the number text never goes through the C locale.
TEST(TransverseMercatorOracle, TurkishLocaleGivesTheSameTexts) {
    const Table t = Load("tm_forward.csv");
    std::vector<std::string> plain;
    const auto texts = [&](std::vector<std::string>& out) {
        ForEachRow(t, [&](const Row& r) {
            const std::string ellipsoid =
                "6378137.0 0.0033528106647474 " + r.Text("a") + " " + r.Text("f");
            const std::string grid = TransverseMercatorFromText(r.Text("lat") + " " + r.Text("lon"),
                                                                TmText(r), ellipsoid);
            out.push_back(grid);
            out.push_back(GeoProject(grid, TmText(r), r.Text("a") + " " + r.Text("f")));
            out.push_back(GeoBlhToXyz(r["lat"], r["lon"], 12.5, r["a"], r["f"]));
        });
    };
    texts(plain);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "tr_TR.UTF-8"), nullptr) << "tr_TR.UTF-8 is not installed";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    std::vector<std::string> turkish;
    texts(turkish);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(turkish, plain);
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(plain[i].find(','), std::string::npos) << plain[i];
    // And the texts carry the oracle's numbers.
    size_t i = 0;
    ForEachRow(t, [&](const Row& r) {
        const auto en = Numbers(turkish[i], 2);
        i += 3;
        if (std::fabs(LongitudeFromCentralMeridian(r["lon"], r["cm"])) <= 4) {
            EXPECT_NEAR(en[0], r["easting"], 1.05e-3);
            EXPECT_NEAR(en[1], r["northing"], 1.05e-3);
        }
    });
}

}  // namespace
}  // namespace geodesy
