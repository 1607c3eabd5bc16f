#include "platform/image/image.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

enum class JpegKind { Rgb, Gray, AdobeCmyk };

// Encodes with libjpeg itself, so the decoder is tested against the reference writer.
QByteArray makeJpeg(const QImage& src, JpegKind kind = JpegKind::Rgb, int quality = 95)
{
    const QImage image = src.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(image.width());
    c.image_height = JDIMENSION(image.height());
    c.input_components = kind == JpegKind::Gray ? 1 : kind == JpegKind::AdobeCmyk ? 4 : 3;
    c.in_color_space = kind == JpegKind::Gray ? JCS_GRAYSCALE : kind == JpegKind::AdobeCmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(image.width()) * size_t(c.input_components));
    while (c.next_scanline < c.image_height) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(int(c.next_scanline)));
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
            if (kind == JpegKind::Gray) {
                row[size_t(x)] = JSAMPLE(qGray(in[x]));
            } else if (kind == JpegKind::AdobeCmyk) {
                // Adobe's inverted CMYK, as Photoshop writes it: stored value = 255 - ink.
                const int k = 255 - std::max({r, g, b});
                const int denom = 255 - k;
                const int cc = denom ? (255 - r - k) * 255 / denom : 0;
                const int mm = denom ? (255 - g - k) * 255 / denom : 0;
                const int yy = denom ? (255 - b - k) * 255 / denom : 0;
                JSAMPLE* o = &row[size_t(x) * 4];
                o[0] = JSAMPLE(255 - cc);
                o[1] = JSAMPLE(255 - mm);
                o[2] = JSAMPLE(255 - yy);
                o[3] = JSAMPLE(255 - k);
            } else {
                JSAMPLE* o = &row[size_t(x) * 3];
                o[0] = JSAMPLE(r);
                o[1] = JSAMPLE(g);
                o[2] = JSAMPLE(b);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buf), int(size));
    std::free(buf);
    return out;
}

// Four flat quadrants: colours survive JPEG well away from the edges.
QImage quadrants(int w, int h)
{
    QImage im(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            im.setPixel(x, y, !bottom ? (right ? qRgb(220, 30, 30) : qRgb(30, 200, 40)) : (right ? qRgb(40, 60, 210) : qRgb(240, 240, 240)));
        }
    return im;
}

QImage noise(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    QImage im(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) im.setPixel(x, y, qRgb(int(rng() & 255), int(rng() & 255), int(rng() & 255)));
    return im;
}

void expectNear(QRgb got, QRgb want, int tol, const char* where)
{
    EXPECT_NEAR(qRed(got), qRed(want), tol) << where;
    EXPECT_NEAR(qGreen(got), qGreen(want), tol) << where;
    EXPECT_NEAR(qBlue(got), qBlue(want), tol) << where;
}

void expectQuadrants(const QImage& im)
{
    const int w = im.width(), h = im.height();
    expectNear(im.pixel(w / 4, h / 4), qRgb(30, 200, 40), 12, "top left");
    expectNear(im.pixel(3 * w / 4, h / 4), qRgb(220, 30, 30), 12, "top right");
    expectNear(im.pixel(w / 4, 3 * h / 4), qRgb(240, 240, 240), 12, "bottom left");
    expectNear(im.pixel(3 * w / 4, 3 * h / 4), qRgb(40, 60, 210), 12, "bottom right");
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff)) return false;
    return true;
}

QByteArray bytesOf(std::initializer_list<int> v)
{
    QByteArray b;
    for (int c : v) b += char(c);
    return b;
}

quint32 le32(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 le16(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint16(p[0] | p[1] << 8);
}

// Hand-made BMP file bytes for the variants our encoder never writes.
QByteArray bmpBytes(int w, int h, int bits, const QByteArray& palette, const QByteArray& pixels, quint32 colours = 0)
{
    QByteArray b(54, '\0');
    auto put32 = [&](int at, quint32 v) { for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xff); };
    auto put16 = [&](int at, quint16 v) { b[at] = char(v & 0xff); b[at + 1] = char(v >> 8); };
    b[0] = 'B';
    b[1] = 'M';
    put32(10, quint32(54 + palette.size()));
    put32(14, 40);
    put32(18, quint32(w));
    put32(22, quint32(h));
    put16(26, 1);
    put16(28, quint16(bits));
    put32(46, colours);
    b += palette;
    b += pixels;
    put32(2, quint32(b.size()));
    return b;
}

void expectImgError(const QByteArray& bytes, QImage (*decode)(const QByteArray&), const std::string& what)
{
    try {
        QImage im = decode(bytes);
        ADD_FAILURE() << what << ": decoded a " << im.width() << "x" << im.height() << " picture";
    } catch (const img::Error& e) {
        EXPECT_FALSE(e.message().isEmpty()) << what;
    }
}

}   // namespace

TEST(Jpeg, DecodesColourGreyAndAdobeCmyk)
{
    const QImage src = quadrants(64, 48);

    const QImage rgb = img::decodeJpeg(makeJpeg(src));
    ASSERT_EQ(rgb.size(), QSize(64, 48));
    expectQuadrants(rgb);

    const QImage cmyk = img::decodeJpeg(makeJpeg(src, JpegKind::AdobeCmyk));
    ASSERT_EQ(cmyk.size(), QSize(64, 48));
    expectQuadrants(cmyk);

    const QImage grey = img::decodeJpeg(makeJpeg(src, JpegKind::Gray));
    ASSERT_EQ(grey.size(), QSize(64, 48));
    const QRgb p = grey.pixel(48, 12);   // the red quadrant as grey
    EXPECT_EQ(qRed(p), qGreen(p));
    EXPECT_EQ(qGreen(p), qBlue(p));
    EXPECT_NEAR(qRed(p), qGray(qRgb(220, 30, 30)), 8);
}

TEST(Jpeg, TruncatedOrCorruptInputIsAnErrorNotACrash)
{
    const QByteArray good = makeJpeg(noise(120, 90, 7), JpegKind::Rgb, 90);
    ASSERT_GT(good.size(), 2000);
    ASSERT_EQ(img::decodeJpeg(good).size(), QSize(120, 90));

    expectImgError(QByteArray(), img::decodeJpeg, "empty");
    expectImgError(QByteArray("GIF89a not a jpeg at all"), img::decodeJpeg, "not a JPEG");
    for (qsizetype cut : {qsizetype(2), qsizetype(11), qsizetype(100), good.size() / 3, good.size() / 2, good.size() - 200, good.size() - 2})
        expectImgError(good.left(cut), img::decodeJpeg, "cut at " + std::to_string(cut));

    // Random damage across the whole file: whatever libjpeg makes of it, we
    // either get a picture of the declared size or an img::Error.
    std::mt19937 rng(42);
    for (int round = 0; round < 200; ++round) {
        QByteArray bad = good;
        for (int i = 0; i < 8; ++i) bad[int(rng() % unsigned(bad.size()))] = char(rng() & 0xff);
        try {
            const QImage im = img::decodeJpeg(bad);
            EXPECT_FALSE(im.isNull());
        } catch (const img::Error&) {
        }
    }
}

TEST(Bmp, RoundTripKeepsSizeAndEveryPixel)
{
    for (QSize size : {QSize(1, 1), QSize(7, 5), QSize(4, 3), QSize(33, 17)}) {
        const QImage src = noise(size.width(), size.height(), unsigned(size.width() * 100 + size.height()));
        const QByteArray bytes = img::encodeBmp(src);

        // The file layout other programs read: 24-bit BI_RGB, bottom-up, padded rows.
        const int stride = (size.width() * 3 + 3) / 4 * 4;
        ASSERT_EQ(bytes.size(), 54 + stride * size.height());
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        EXPECT_EQ(le32(bytes, 2), quint32(bytes.size()));
        EXPECT_EQ(le32(bytes, 10), 54u);
        EXPECT_EQ(le32(bytes, 14), 40u);
        EXPECT_EQ(qint32(le32(bytes, 18)), size.width());
        EXPECT_EQ(qint32(le32(bytes, 22)), size.height());
        EXPECT_EQ(le16(bytes, 26), 1);
        EXPECT_EQ(le16(bytes, 28), 24);
        EXPECT_EQ(le32(bytes, 30), 0u);
        EXPECT_EQ(le32(bytes, 34), quint32(stride * size.height()));
        const QRgb bottomLeft = src.pixel(0, size.height() - 1);
        EXPECT_EQ(uchar(bytes[54]), qBlue(bottomLeft));
        EXPECT_EQ(uchar(bytes[55]), qGreen(bottomLeft));
        EXPECT_EQ(uchar(bytes[56]), qRed(bottomLeft));

        const QImage back = img::decodeBmp(bytes);
        EXPECT_TRUE(samePixels(back, src)) << size.width() << "x" << size.height();
    }
    EXPECT_THROW(img::encodeBmp(QImage()), img::Error);
}

TEST(Bmp, ReadsTopDown32BitAndPalettes)
{
    // 2 x 2, top-down 32-bit: red, green / blue, white.
    QByteArray px32;
    for (QRgb c : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)})
        px32 += bytesOf({qBlue(c), qGreen(c), qRed(c), 0});
    const QImage top = img::decodeBmp(bmpBytes(2, -2, 32, {}, px32));
    ASSERT_EQ(top.size(), QSize(2, 2));
    EXPECT_EQ(top.pixel(0, 0) & 0xffffff, 0xff0000u);
    EXPECT_EQ(top.pixel(1, 0) & 0xffffff, 0x00ff00u);
    EXPECT_EQ(top.pixel(0, 1) & 0xffffff, 0x0000ffu);

    // 3 x 2, bottom-up, 8-bit with a 3-colour palette; rows padded to 4 bytes.
    QByteArray pal;
    pal += bytesOf({0, 0, 0, 0});        // 0 black
    pal += bytesOf({0, 0, 200, 0});      // 1 red
    pal += bytesOf({200, 0, 0, 0});      // 2 blue
    QByteArray px8;
    px8 += bytesOf({1, 1, 1, 0});        // bottom row
    px8 += bytesOf({2, 0, 9, 0});        // top row; 9 is past the palette
    const QImage paletted = img::decodeBmp(bmpBytes(3, 2, 8, pal, px8, 3));
    ASSERT_EQ(paletted.size(), QSize(3, 2));
    EXPECT_EQ(paletted.pixel(0, 1) & 0xffffff, 0xc80000u);
    EXPECT_EQ(paletted.pixel(0, 0) & 0xffffff, 0x0000c8u);
    EXPECT_EQ(paletted.pixel(2, 0) & 0xffffff, 0x000000u);
}

TEST(Bmp, CorruptOrTruncatedInputIsAnError)
{
    const QByteArray good = img::encodeBmp(noise(5, 4, 3));
    for (int cut = 0; cut < good.size(); ++cut)
        expectImgError(good.left(cut), img::decodeBmp, "cut at " + std::to_string(cut));

    auto patched = [&](int at, quint32 v) {
        QByteArray b = good;
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xff);
        return b;
    };
    QByteArray notBm = good;
    notBm[0] = 'X';
    expectImgError(notBm, img::decodeBmp, "magic");
    expectImgError(patched(10, 0x7fffffff), img::decodeBmp, "pixel offset past the end");
    expectImgError(patched(10, 20), img::decodeBmp, "pixel offset inside the header");
    expectImgError(patched(14, 0x10000), img::decodeBmp, "header size past the end");
    expectImgError(patched(18, 0x40000000), img::decodeBmp, "huge width");
    expectImgError(patched(22, 0x80000000), img::decodeBmp, "height INT_MIN");
    expectImgError(patched(18, 0), img::decodeBmp, "zero width");
    expectImgError(patched(18, 6), img::decodeBmp, "width needing more data than present");
    expectImgError(patched(30, 1), img::decodeBmp, "RLE compression");

    QByteArray pal(8, '\0');
    expectImgError(bmpBytes(2, 2, 8, pal, QByteArray(8, '\0'), 300), img::decodeBmp, "palette larger than 256");
    expectImgError(bmpBytes(2, 2, 8, pal, QByteArray(8, '\0'), 200), img::decodeBmp, "palette past the data");
    expectImgError(bmpBytes(2, 2, 16, {}, QByteArray(8, '\0')), img::decodeBmp, "16-bit");
}

TEST(Picture, PhotoBecomesABitmapOfTheSameSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage photo = noise(333, 250, 11);
    const QString jpgPath = dir.filePath(QStringLiteral("照片.JPG"));
    {
        QFile f(jpgPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(makeJpeg(photo));
    }
    const QImage decoded = img::loadPicture(jpgPath);
    const QByteArray bmp = img::encodeBmp(decoded);
    EXPECT_EQ(qint32(le32(bmp, 18)), 333);
    EXPECT_EQ(qint32(le32(bmp, 22)), 250);
    const QImage back = img::decodeBmp(bmp);
    EXPECT_TRUE(samePixels(back, decoded));

    const QString bmpPath = dir.filePath(QStringLiteral("photo.Bmp"));
    {
        QFile f(bmpPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bmp);
    }
    EXPECT_TRUE(samePixels(img::loadPicture(bmpPath), decoded));
}

TEST(Picture, FileProblemsNameTheFile)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nowhere.jpeg"));
    try {
        img::loadPicture(missing);
        ADD_FAILURE() << "missing file loaded";
    } catch (const img::Error& e) {
        EXPECT_TRUE(e.message().contains(missing)) << e.what();
    }

    EXPECT_THROW(img::loadPicture(dir.filePath(QStringLiteral("x.png"))), img::Error);
    EXPECT_THROW(img::loadJpegResource(QStringLiteral(":/assets/no_such_picture.jpg")), img::Error);
}

TEST(Assets, EveryPictureDecodesAtItsSize)
{
    struct Want {
        const char* name;
        QSize size;
    };
    std::vector<Want> wants = {{"main_bg", {1024, 768}}, {"splash", {329, 210}}, {"login", {332, 212}}, {"icon", {64, 64}}};
    for (int i = 1; i <= 11; ++i) {
        static char names[11][8];
        std::snprintf(names[i - 1], sizeof names[i - 1], "tool%02d", i);
        wants.push_back({names[i - 1], {32, 32}});
    }
    for (const auto& w : wants) {
        const QString path = QStringLiteral(":/assets/%1.jpg").arg(QString::fromLatin1(w.name));
        const QImage im = img::loadJpegResource(path);
        EXPECT_EQ(im.size(), w.size) << w.name;
    }
}
