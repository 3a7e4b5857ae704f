#!/usr/bin/python3
"""Writes the DXF import fixtures beside this script with ezdxf.

Run it again after changing it and commit the files it writes:
    /usr/bin/python3 tests/canvas/dxf/make_fixtures.py
"""
import math
import os

import ezdxf

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


if __name__ == "__main__":
    r12()
    r2018()
