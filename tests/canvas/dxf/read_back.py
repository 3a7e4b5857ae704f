#!/usr/bin/python3
"""Audits a DXF file with ezdxf and prints what it reads: the audit's
counts, then one line per model-space entity (type, layer, text)."""
import sys

from ezdxf import recover

doc, auditor = recover.readfile(sys.argv[1])
print("errors", len(auditor.errors), "fixes", len(auditor.fixes))
for e in doc.modelspace():
    text = e.dxf.text if e.dxftype() == "TEXT" else ""
    print(e.dxftype(), e.dxf.layer, text)
