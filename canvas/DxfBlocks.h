// The block table of the DXF import: each block a name, a base point and the
// lines that make it (layer 0, black, width 1, no id), and the layer the last
// import made. The canvas model carries the table as its own fields.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "canvas/PlovanShape.h"

struct TDxfBlock {
    QString Name;
    double BaseX = 0, BaseY = 0;
    std::vector<std::unique_ptr<TPlovanShape>> Shapes;
};

struct TDxfBlockTable {
    std::vector<std::unique_ptr<TDxfBlock>> FBlocks;
    std::int32_t FImportLayer = -1;  // layer made by the last import
};
