#include "navigation/ScreenshotWriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <filesystem>

#include "platform/TextFiles.h"

namespace {

// 24-bit RGB rows from the 32-bit pixels a grab gives, on this thread alone:
// QImage's own conversion spreads large pictures over Qt's global thread
// pool, which the screenshots must leave to the rest of the program.
QImage ToRgb888(const QImage& image) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return image.convertToFormat(QImage::Format_RGB888);
    QImage rgb(image.size(), QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* to = rgb.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            // The alpha of a screen grab is opaque: the colour is the pixel's.
            *to++ = static_cast<uchar>(qRed(from[x]));
            *to++ = static_cast<uchar>(qGreen(from[x]));
            *to++ = static_cast<uchar>(qBlue(from[x]));
        }
    }
    return rgb;
}

}  // namespace

std::string WriteScreenshotPng(const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(0);  // Qt's PNG writer: quality 0 is zlib level 9
    const bool encoded = writer.write(ToRgb888(image));
    if (!encoded ||
        !platform::WriteFileAtomic(
            path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        return "Cannot create file \"" + path + "\".";
    return {};
}

ScreenshotWriter::ScreenshotWriter(std::function<void(const std::string&)> onError, QObject* parent)
    : QObject(parent),
      FOnError(std::move(onError)),
      FErrorWake([this] { ReportErrors(); }),
      FWorker([this] { Run(); }) {}

void ScreenshotWriter::ReportErrors() {
    std::vector<std::string> errors;
    {
        std::lock_guard lock(FMutex);
        errors.swap(FErrors);
    }
    for (const std::string& error : errors)
        if (FOnError) FOnError(error);
}

ScreenshotWriter::~ScreenshotWriter() {
    {
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    FWorker.join();
}

bool ScreenshotWriter::Submit(std::string folder, std::vector<Picture> pictures) {
    {
        std::lock_guard lock(FMutex);
        if (FBusy || FStop) return false;
        FBusy = true;
        FFolder = std::move(folder);
        FPictures = std::move(pictures);
    }
    FWake.notify_all();
    return true;
}

bool ScreenshotWriter::Busy() const {
    std::lock_guard lock(FMutex);
    return FBusy;
}

bool ScreenshotWriter::WaitIdle(std::chrono::milliseconds bound) {
    std::unique_lock lock(FMutex);
    return FIdle.wait_for(lock, bound, [this] { return !FBusy; });
}

void ScreenshotWriter::Run() {
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || FBusy; });
        if (FStop) break;
        const std::string folder = std::move(FFolder);
        const std::vector<Picture> pictures = std::move(FPictures);
        FPictures.clear();
        lock.unlock();
        const std::string error = WriteCycle(folder, pictures);
        lock.lock();
        if (!error.empty()) {
            FErrors.push_back(error);
            FErrorWake.Wake();
        }
        FBusy = false;
        FIdle.notify_all();
    }
    FBusy = false;
    FIdle.notify_all();
}

std::string ScreenshotWriter::WriteCycle(const std::string& folder,
                                         const std::vector<Picture>& pictures) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (const Picture& picture : pictures) {
        {
            std::lock_guard lock(FMutex);
            if (FStop) return {};  // the owner is going: what is not started is dropped
        }
        if (BeforeWrite) BeforeWrite(picture.path);
        const std::string error = WriteScreenshotPng(picture.image, picture.path);
        if (!error.empty()) return error;
    }
    return {};
}
