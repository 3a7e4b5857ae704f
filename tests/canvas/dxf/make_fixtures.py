#!/usr/bin/python3
"""Writes the DXF import fixtures beside this script with ezdxf and GDAL's
ogr2ogr, and beside some of them a ".expected" file of what ezdxf reads.

Run it again after changing it and commit the files it writes:
    /usr/bin/python3 tests/canvas/dxf/make_fixtures.py
"""
import json
import math
import os
import subprocess
import tempfile

import ezdxf
from ezdxf.tools.text import plain_mtext

HERE = os.path.dirname(os.path.abspath(__file__))


def r12():
    doc = ezdxf.new("R12")
    doc.layers.add("Contours", color=3)
    msp = doc.modelspace()
    msp.add_line((1, 2), (11, 12), dxfattribs={"color": 1})
    msp.add_circle((50, 60), 5)
    msp.add_arc((0, 0), 10, 350, 10)
    msp.add_polyline2d([(0, 0), (10, 0), (10, 10)], close=True)
    msp.add_solid([(0, 0), (10, 0), (5, 8), (5, 8)])
    msp.add_text("Şamandıra", dxfattribs={"insert": (3, 4), "height": 2.0, "rotation": 30})
    msp.add_point((7, 8))
    block = doc.blocks.new(name="TICK", base_point=(0, 0))
    block.add_line((0, 0), (1, 0))
    msp.add_blockref("TICK", (100, 200), dxfattribs={"xscale": 2, "rotation": 90})
    doc.saveas(os.path.join(HERE, "r12_entities.dxf"))


def r2018():
    doc = ezdxf.new("R2018")
    msp = doc.modelspace()
    long_text = "Depth " + "x" * 294
    msp.add_mtext(r"{\A1;Depth\Pcontour} \Lunder\l \S1^2; " + long_text)
    msp.add_ellipse((0, 0), major_axis=(10, 0), ratio=0.5, start_param=0, end_param=2 * math.pi)
    msp.add_ellipse((100, 0), major_axis=(10, 0), ratio=0.5, start_param=0, end_param=math.pi)
    msp.add_ellipse((200, 0), major_axis=(10, 0), ratio=0.5,
                    start_param=3 * math.pi / 2, end_param=math.pi / 2)
    msp.add_lwpolyline([(0, 100), (10, 100), (10, 110), (0, 110)], close=True)
    msp.add_open_spline([(0, 200), (10, 210), (20, 200), (30, 210)])
    hatch = msp.add_hatch(color=2)
    hatch.paths.add_polyline_path([(0, 300), (10, 300), (10, 310)], is_closed=True)
    block = doc.blocks.new(name="MARK", base_point=(0, 0))
    block.add_attdef("TAG", (0, 0), dxfattribs={"height": 1})
    block.add_line((0, 0), (0, 5))
    msp.add_blockref("MARK", (500, 500))
    doc.layout("Layout1").add_line((0, 0), (1000, 1000))
    msp.add_circle((30, 40), 2, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_text("paper").set_placement((1, 1))
    doc.saveas(os.path.join(HERE, "r2018_entities.dxf"))


def write_expected(name, lines):
    with open(os.path.join(HERE, name + ".expected"), "w") as out:
        out.write("".join(line + "\n" for line in lines))


def bulges():
    """Bulged segments of LWPOLYLINE and POLYLINE; bulges.expected holds
    ezdxf's pieces of each polyline: "polyline <vertices> <closed>", then
    "arc cx cy r start end" (degrees, counter-clockwise) and "line x1 y1 x2 y2"."""
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    quarter = math.tan(math.radians(90) / 4)
    polylines = [
        # A wide quarter turn (1 degree steps), a small clockwise half turn
        # (chord error steps), a straight piece, a bulge too small to bend.
        msp.add_lwpolyline([(1000, 2000, quarter), (1500, 2000, -1), (1504, 2000, 0),
                            (1510, 2000, 1e-6), (1520, 2000, 0)], format="xyb"),
        # Closed, bending only on its closing segment.
        msp.add_lwpolyline([(1000, 3000, 0), (1010, 3000, 0), (1010, 3010, 0),
                            (1000, 3010, 0.5)], format="xyb", close=True),
        # The old form: VERTEX records with code 42, closed, every segment bent.
        msp.add_polyline2d([(1100, 3000, 0.2), (1110, 3000, -0.3), (1110, 3010, 2)],
                           format="xyb", close=True),
    ]
    doc.saveas(os.path.join(HERE, "bulges.dxf"))
    lines = []
    for p in polylines:
        count = len(p) if p.dxftype() == "LWPOLYLINE" else len(p.vertices)
        lines.append("polyline %d %d" % (count, 1 if p.is_closed else 0))
        for e in p.virtual_entities():
            if e.dxftype() == "ARC":
                lines.append("arc %.9f %.9f %.9f %.9f %.9f" % (
                    e.dxf.center.x, e.dxf.center.y, e.dxf.radius, e.dxf.start_angle,
                    e.dxf.end_angle))
            else:
                lines.append("line %.9f %.9f %.9f %.9f" % (
                    e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y))
    write_expected("bulges", lines)


def polyface():
    """A polyface mesh of two triangles; polyface.expected lists its mesh
    vertices ("vertex x y"), which ezdxf tells from its face records."""
    doc = ezdxf.new("R2000")
    mesh = doc.modelspace().add_polyface()
    mesh.append_faces([[(1000, 2000, 0), (1010, 2000, 0), (1010, 2010, 0)],
                       [(1010, 2010, 0), (1000, 2010, 0), (1000, 2000, 0)]])
    doc.saveas(os.path.join(HERE, "polyface.dxf"))
    write_expected("polyface", ["vertex %.9f %.9f" % (v.dxf.location.x, v.dxf.location.y)
                                for v in mesh.vertices if v.is_poly_face_mesh_vertex])


def texts():
    """MTEXT turned by its direction vector or its rotation, and TEXT with
    formatting codes; texts.expected: "text|angle" as ezdxf reads them (the
    TEXT's value through ezdxf's MTEXT code stripping)."""
    doc = ezdxf.new("R2018")
    msp = doc.modelspace()
    along = msp.add_mtext(r"{\C1;Channel} axis", dxfattribs={"insert": (1000, 2000)})
    along.dxf.text_direction = (1, 1, 0)
    steep = msp.add_mtext(r"Pier \Lhead\l", dxfattribs={"insert": (1000, 2010)})
    steep.dxf.text_direction = (-1, 0, 0)
    turned = msp.add_mtext("Buoy", dxfattribs={"insert": (1000, 2020), "rotation": 30})
    plain = msp.add_text(r"{\C1;Red} buoy \Lunder\l", dxfattribs={"insert": (1000, 2030)})
    doc.saveas(os.path.join(HERE, "texts.dxf"))
    write_expected("texts", ["%s|%.9f" % (m.plain_text(split=False), m.get_rotation())
                             for m in (along, steep, turned)] +
                   ["%s|%.9f" % (plain_mtext(plain.dxf.text), plain.dxf.rotation)])


def huge():
    """One plain LINE beside entities whose geometry overflows the double
    range: an ARC, a CIRCLE, an ELLIPSE, a bulge and an INSERT's scale."""
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_line((1, 2), (3, 4))
    msp.add_arc((1e308, 0), 1e308, 0, 90)
    msp.add_circle((1e308, 0), 1e308)
    msp.add_ellipse((1e308, 0), major_axis=(1e308, 1e308), ratio=0.5)
    msp.add_lwpolyline([(0, 0, 1e300), (1, 0, 0)], format="xyb")
    block = doc.blocks.new(name="BIG")
    block.add_line((0, 0), (1e10, 0))
    msp.add_blockref("BIG", (0, 0), dxfattribs={"xscale": 1e300})
    doc.saveas(os.path.join(HERE, "huge.dxf"))


def gdal():
    """A line and a point written by GDAL's DXF driver (its own header and
    block templates)."""
    features = [
        {"type": "Feature", "properties": {"Layer": "coast"},
         "geometry": {"type": "LineString",
                      "coordinates": [[1000, 2000], [1010.5, 2003.25], [1020, 2000]]}},
        {"type": "Feature", "properties": {"Layer": "buoys"},
         "geometry": {"type": "Point", "coordinates": [1005, 2001]}},
    ]
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "in.geojson")
        with open(source, "w") as out:
            json.dump({"type": "FeatureCollection", "features": features}, out)
        target = os.path.join(HERE, "gdal_lines.dxf")
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(["ogr2ogr", "-f", "DXF", target, source], check=True)


if __name__ == "__main__":
    r12()
    r2018()
    bulges()
    polyface()
    texts()
    huge()
    gdal()
