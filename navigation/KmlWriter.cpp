#include "navigation/KmlWriter.h"

#include <unistd.h>
#include <zip.h>

#include <QString>
#include <atomic>
#include <cstdio>
#include <vector>

#include "canvas/CanvasModel.h"
#include "navigation/StandardLayers.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

namespace {

constexpr const char* kDepthIcon = "https://maps.google.com/mapfiles/kml/shapes/shaded_dot.png";
constexpr const char* kPointIcon =
    "https://maps.google.com/mapfiles/kml/shapes/placemark_circle.png";
constexpr const char* kVesselIcon = "https://maps.google.com/mapfiles/kml/shapes/sailing.png";

// The document as lines, each ended by CR LF.
class Lines {
  public:
    void Add(std::string_view line) {
        text_.append(line);
        text_.append("\r\n");
    }
    std::string& Text() { return text_; }

  private:
    std::string text_;
};

// The KML texts of a shape's points, all converted, or nothing.
class Converter {
  public:
    explicit Converter(const KmlGridToGeographicFn& toGeographic) : toGeographic_(toGeographic) {}
    bool Point(double x, double y, std::string& out) const {
        double latitude = 0, longitude = 0;
        if (!toGeographic_(x, y, latitude, longitude)) return false;
        out = KmlCoordinate(latitude, longitude);
        return true;
    }

  private:
    const KmlGridToGeographicFn& toGeographic_;
};

void AddLineString(Lines& lines, int counter, const char* style, const std::string& coordinates) {
    lines.Add("<Placemark>");
    lines.Add("<name>Track_" + std::to_string(counter) + "</name>");
    lines.Add(std::string("<styleUrl>") + style + "</styleUrl>");
    lines.Add("<LineString>");
    lines.Add("<coordinates>" + coordinates + "</coordinates>");
    lines.Add("</LineString>");
    lines.Add("</Placemark>");
}

// A polyline's vertices on one line of their own between the tags.
void AddVertexLineString(Lines& lines, int counter, const char* style,
                         const std::string& coordinates) {
    lines.Add("<Placemark>");
    lines.Add("<name>Track_" + std::to_string(counter) + "</name>");
    lines.Add(std::string("<styleUrl>") + style + "</styleUrl>");
    lines.Add("<LineString>");
    lines.Add("<coordinates>");
    lines.Add(coordinates);
    lines.Add("</coordinates>");
    lines.Add("</LineString>");
    lines.Add("</Placemark>");
}

// A closed shape's ring (its first vertex repeated at the end) as a polygon.
// The style is inline: the shared line style's colour and width, with no
// fill, so the viewer draws the outline the canvas draws.
void AddVertexPolygon(Lines& lines, int counter, const char* color,
                      const std::string& coordinates) {
    lines.Add("<Placemark>");
    lines.Add("<name>Track_" + std::to_string(counter) + "</name>");
    lines.Add(std::string("<Style><LineStyle><color>") + color +
              "</color><width>2</width></LineStyle><PolyStyle><fill>0</fill></PolyStyle></Style>");
    lines.Add("<Polygon><outerBoundaryIs><LinearRing>");
    lines.Add("<coordinates>");
    lines.Add(coordinates);
    lines.Add("</coordinates>");
    lines.Add("</LinearRing></outerBoundaryIs></Polygon>");
    lines.Add("</Placemark>");
}

struct TrackStyle {
    const char* url;
    const char* color;
};

bool IsBlankText(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) > 0x20) return false;
    return true;
}

void AddPoint(Lines& lines, const std::string& escapedName, const std::string& styleLine,
              const std::string& coordinate) {
    lines.Add("<Placemark>");
    lines.Add("<name>" + escapedName + "</name>");
    lines.Add(styleLine);
    lines.Add("<Point>");
    lines.Add("<coordinates>" + coordinate + "</coordinates>");
    lines.Add("</Point>");
    lines.Add("</Placemark>");
}

std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

}  // namespace

std::string KmlCoordinate(double latitudeDeg, double longitudeDeg) {
    using platform::FloatFormat;
    return platform::FloatToStrF(longitudeDeg, FloatFormat::Fixed, 18, 8) + "," +
           platform::FloatToStrF(latitudeDeg, FloatFormat::Fixed, 18, 8) + ",0";
}

std::string KmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (u < 0x20 || u == 0x7F)
            out += ' ';  // XML 1.0 refuses most of them, and a line break would split the line
        else
            out += c;
    }
    return out;
}

KmlDocument BuildKmlDocument(const TCanvasModel& model, const std::string& documentName,
                             const KmlGridToGeographicFn& toGeographic, double vesselEasting,
                             double vesselNorthing) {
    KmlDocument doc;
    Lines lines;
    lines.Text() = "\xEF\xBB\xBF";
    lines.Add("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    lines.Add("<kml xmlns=\"http://www.opengis.net/kml/2.2\">");
    lines.Add("<Document>");
    lines.Add("<name>" + KmlEscape(documentName) + "</name>");
    lines.Add(
        "<Style id=\"trackFix\"><LineStyle><color>ff00ff00</color><width>2</width>"
        "</LineStyle></Style>");
    lines.Add(
        "<Style id=\"trackFloat\"><LineStyle><color>ff00ffff</color><width>2</width>"
        "</LineStyle></Style>");
    lines.Add(
        "<Style id=\"trackNofix\"><LineStyle><color>ff0000ff</color><width>2</width>"
        "</LineStyle></Style>");
    lines.Add(
        "<Style id=\"trackOther\"><LineStyle><color>ffff00ff</color><width>2</width>"
        "</LineStyle></Style>");
    lines.Add(std::string("<Style id=\"depthStyle\"><IconStyle><scale>0.5</scale><Icon><href>") +
              kDepthIcon + "</href></Icon></IconStyle></Style>");
    lines.Add(std::string("<Style id=\"pointStyle\"><IconStyle><scale>0.6</scale><Icon><href>") +
              kPointIcon + "</href></Icon></IconStyle></Style>");

    const int fixLayer = model.FindLayer(QStringLiteral("track_fix"));
    const int floatLayer = model.FindLayer(QStringLiteral("track_float"));
    const int nofixLayer = model.FindLayer(QStringLiteral("track_nofix"));
    const int vesselLayer = model.FindLayer(QString::fromUtf8(kVesselLayerName));
    const int gridLayer = model.FindLayer(QString::fromUtf8(kGridLayerName));
    const Converter convert(toGeographic);
    int& counter = doc.tracks;
    std::string a, b, text, vertices;

    for (const int id : model.GetShapeIds()) {
        const int layer = model.GetShapeLayer(id);
        if (layer == vesselLayer || layer == gridLayer) continue;
        // The shared style, and its colour for the polygons' inline style.
        const auto [style, color] = layer == fixLayer     ? TrackStyle{"#trackFix", "ff00ff00"}
                                    : layer == floatLayer ? TrackStyle{"#trackFloat", "ff00ffff"}
                                    : layer == nofixLayer ? TrackStyle{"#trackNofix", "ff0000ff"}
                                                          : TrackStyle{"#trackOther", "ffff00ff"};
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        switch (model.GetShapeType(id)) {
            case ShapeType::Line:
                if (!model.GetShapeEndPoints(id, x1, y1, x2, y2)) break;
                if (!convert.Point(x1, y1, a) || !convert.Point(x2, y2, b)) {
                    ++doc.skipped;
                    break;
                }
                AddLineString(lines, counter++, style, a + " " + b);
                break;
            case ShapeType::Point:
                if (!model.GetPointXY(id, x1, y1)) break;
                if (!convert.Point(x1, y1, a)) {
                    ++doc.skipped;
                    break;
                }
                AddPoint(lines, "Point_" + std::to_string(counter++),
                         "<styleUrl>#pointStyle</styleUrl>", a);
                break;
            case ShapeType::Text:
                // A text of nothing but blanks would be a placemark without a name.
                if (!model.GetTextInfo(id, x1, y1, text) || IsBlankText(text)) break;
                if (!convert.Point(x1, y1, a)) {
                    ++doc.skipped;
                    break;
                }
                AddPoint(lines, KmlEscape(text), "<styleUrl>#pointStyle</styleUrl>", a);
                break;
            default: {
                const int n = model.GetPolylinePointCount(id);
                if (n < 2) break;
                const TPlovanPolyline* polyline = AsPolyline(model.FindShape(id));
                const bool closed = polyline && polyline->Closed == 1 && n >= 3;
                vertices.clear();
                bool converted = true;
                std::string first;
                for (int i = 0; i < n && converted; ++i) {
                    converted =
                        convert.Point(model.GetPolylineX(id, i), model.GetPolylineY(id, i), a);
                    if (i > 0) vertices += ' ';
                    vertices += a;
                    if (i == 0) first = a;
                }
                if (!converted) {
                    ++doc.skipped;
                    break;
                }
                if (!closed) {
                    AddVertexLineString(lines, counter++, style, vertices);
                } else {
                    // The ring ends where it starts, once.
                    if (a != first) vertices += ' ' + first;
                    AddVertexPolygon(lines, counter++, color, vertices);
                }
                break;
            }
        }
    }

    for (const TSounding& s : model.GetSoundings()) {
        if (!convert.Point(s.X, s.Y, a)) {
            ++doc.skipped;
            continue;
        }
        AddPoint(lines, platform::FloatToStrF(s.Z, platform::FloatFormat::Fixed, 5, 2) + "m",
                 "<styleUrl>#depthStyle</styleUrl>", a);
        ++doc.soundings;
    }

    if (vesselEasting != 0 || vesselNorthing != 0) {
        if (convert.Point(vesselEasting, vesselNorthing, a))
            AddPoint(lines, "Vessel",
                     std::string("<Style><IconStyle><Icon><href>") + kVesselIcon +
                         "</href></Icon></IconStyle></Style>",
                     a);
        else
            ++doc.skipped;
    }
    lines.Add("</Document>");
    lines.Add("</kml>");
    doc.bytes = std::move(lines.Text());
    return doc;
}

bool WriteKmlFile(const std::string& path, std::string_view bytes) {
    return platform::WriteFileAtomic(path, bytes);
}

bool WriteKmzFile(const std::string& path, std::string_view kmlBytes) {
    const std::string temporary = TemporaryNameFor(path);
    int error = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    zip_source_t* source = zip_source_buffer(archive, kmlBytes.data(), kmlBytes.size(), 0);
    if (!source || zip_file_add(archive, "doc.kml", source, ZIP_FL_ENC_UTF_8) < 0) {
        if (source) zip_source_free(source);
        zip_discard(archive);
        return false;
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
