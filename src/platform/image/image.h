#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include "platform/diag/error.h"

// Pictures: JPEG decoded with libjpeg, BMP file bytes both ways.
// Corrupt or truncated input raises img::Error with a clear message.
namespace img {

class Error : public diag::MessageError {
public:
    using MessageError::MessageError;
};

QImage decodeJpeg(const QByteArray& bytes);
QImage loadJpegFile(const QString& path);
QImage loadJpegResource(const QString& resourcePath);   // ":/assets/x.jpg"

// 24-bit uncompressed BMP file bytes (BITMAPFILEHEADER + BITMAPINFOHEADER).
QByteArray encodeBmp(const QImage& image);
// Accepts the 24- and 32-bit uncompressed bitmaps (and 8-bit palette ones).
QImage decodeBmp(const QByteArray& bytes);
QImage loadBmpFile(const QString& path);

// Loads a ".bmp" or ".jpg"/".jpeg" file by its extension.
QImage loadPicture(const QString& path);

}
