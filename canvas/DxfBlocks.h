// The block table of the DXF import: each block a name, a base point and the
// lines that make it (layer 0, black, width 1, no id), and the layer the last
// import made. The canvas model carries the table as its own fields. Each
// import replaces the table with its own file's blocks, so a block of an
// earlier file never stands in for a later file's block of the same name.
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
    // The first block named exactly `name` of the last import; null when none.
    const TDxfBlock* FindBlock(const QString& name) const {
        for (const auto& block : FBlocks)
            if (block->Name == name) return block.get();
        return nullptr;
    }
    // Id of the last import's layer; -1 before any import.
    int GetImportLayer() const { return FImportLayer; }

    std::vector<std::unique_ptr<TDxfBlock>> FBlocks;  // in the order their definitions ended
    std::int32_t FImportLayer = -1;                   // layer made by the last import
};
