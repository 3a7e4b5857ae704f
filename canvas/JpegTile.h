// Decoding one satellite tile: a baseline or progressive JPEG of exactly
// 256 x 256 pixels into a QImage (Format_RGB32), through libjpeg-turbo.
// Anything else fails: another frame size (refused from the header, before
// any pixel is decoded, so a small file cannot claim a huge image), any
// libjpeg error, and any warning (a premature end of the data, corrupt
// entropy data), which libjpeg would otherwise paint over in grey.
#pragma once

#include <QImage>
#include <optional>
#include <string_view>

namespace tiles {

std::optional<QImage> DecodeJpegTile(std::string_view bytes);

}  // namespace tiles
