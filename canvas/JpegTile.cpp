#include "canvas/JpegTile.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

#include "canvas/TileMath.h"

namespace tiles {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Level -1 is a warning: the data is damaged. Trace levels are ignored.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0) std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Only plain values live in this frame between setjmp and longjmp.
bool Decode(std::string_view bytes, QImage& image) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        info.image_width != static_cast<JDIMENSION>(kTilePixels) ||
        info.image_height != static_cast<JDIMENSION>(kTilePixels)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // Format_RGB32 is B, G, R, X in memory on a little-endian machine.
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

std::optional<QImage> DecodeJpegTile(std::string_view bytes) {
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "JCS_EXT_BGRX matches RGB32 on little-endian");
    if (bytes.empty()) return std::nullopt;
    QImage image(kTilePixels, kTilePixels, QImage::Format_RGB32);
    if (image.isNull() || !Decode(bytes, image)) return std::nullopt;
    return image;
}

}  // namespace tiles
