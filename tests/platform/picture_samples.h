// Picture files for the decoder tests and the mutation run: good ones written
// by libjpeg itself, and hostile ones made from them.
#pragma once
#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <jpeglib.h>
#include <random>
#include <utility>
#include <vector>

namespace samples {

struct JpegKind {
    J_COLOR_SPACE space = JCS_RGB;
    bool progressive = false;
    bool arithmetic = false;
    unsigned restartMcus = 0;
};

inline QByteArray makeJpeg(const QImage& src, JpegKind kind = {})
{
    const J_COLOR_SPACE space = kind.space;
    const int n = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
    std::vector<JSAMPLE> px;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb p = src.pixel(x, y);
            const int r = qRed(p), g = qGreen(p), b = qBlue(p), k = std::max({r, g, b, 1});
            if (n == 1) px.push_back(JSAMPLE(qGray(p)));
            else if (n == 3) px.insert(px.end(), {JSAMPLE(r), JSAMPLE(g), JSAMPLE(b)});
            else   // Adobe's inverted CMYK, as Photoshop writes it
                px.insert(px.end(), {JSAMPLE(r * 255 / k), JSAMPLE(g * 255 / k), JSAMPLE(b * 255 / k), JSAMPLE(k)});
        }
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(src.width());
    c.image_height = JDIMENSION(src.height());
    c.input_components = n;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    if (kind.progressive) jpeg_simple_progression(&c);
    c.arith_code = kind.arithmetic;
    c.restart_interval = kind.restartMcus;
    jpeg_start_compress(&c, TRUE);
    for (JSAMPROW row; c.next_scanline < c.image_height;) {
        row = &px[size_t(c.next_scanline) * size_t(src.width() * n)];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buf), int(size));
    std::free(buf);
    return out;
}

// The same file claiming another size in its frame header.
inline QByteArray withSize(QByteArray jpeg, int w, int h)
{
    for (int i = 2; i + 9 < jpeg.size(); ++i) {
        const uchar m = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            jpeg[i + 5] = char(h >> 8);
            jpeg[i + 6] = char(h);
            jpeg[i + 7] = char(w >> 8);
            jpeg[i + 8] = char(w);
            break;
        }
    }
    return jpeg;
}

// The first part of a file, closed with an end marker as some tools do.
inline QByteArray cutAndClosed(const QByteArray& jpeg, qsizetype keep)
{
    return jpeg.left(keep) + QByteArray::fromHex("ffd9");
}

// Four flat quadrants: colours survive JPEG well away from the edges.
inline const QRgb kQuadrant[4] = {qRgb(30, 200, 40), qRgb(220, 30, 30), qRgb(240, 240, 240), qRgb(40, 60, 210)};
inline QImage quadrants(int w, int h)
{
    QImage im(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) im.setPixel(x, y, kQuadrant[(y >= h / 2) * 2 + (x >= w / 2)]);
    return im;
}

inline QImage noise(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    QImage im(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) im.setPixel(x, y, qRgb(int(rng() & 255), int(rng() & 255), int(rng() & 255)));
    return im;
}

inline QByteArray patched(QByteArray b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xff);
    return b;
}

// Hand-made BMP file bytes for the variants our encoder never writes.
inline QByteArray bmpBytes(int w, int h, int bits, const QByteArray& palette, const QByteArray& pixels,
                           quint32 colours = 0)
{
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    b[26] = 1;
    b[28] = char(bits);
    for (auto [at, v] : {std::pair{10, quint32(54 + palette.size())}, {14, 40u}, {18, quint32(w)}, {22, quint32(h)},
                         {46, colours}, {2, quint32(54 + palette.size() + pixels.size())}})
        b = patched(b, at, v);
    return b + palette + pixels;
}

}
