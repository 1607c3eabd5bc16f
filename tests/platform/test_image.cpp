#include "picture_samples.h"
#include "pipe.h"
#include "platform/image/image.h"
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace samples;

namespace {

bool samePixels(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

quint32 le32(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// The message of the img::Error that f raises ("(none)" when it raises none).
template <class F>
QString imgError(F&& f)
{
    try {
        f();
    } catch (const img::Error& e) {
        return e.message();
    }
    return QStringLiteral("(none)");
}

// A refusal reaches the operator's box: Chinese, no English words in it
// (format names and the file's own path aside).
bool speaksChinese(QString msg, const QString& path = {})
{
    if (!path.isEmpty()) msg.remove(path);
    for (const char* name : {"JPEG", "BMP", "OS/2"}) msg.remove(QString::fromLatin1(name));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    return !word.match(msg).hasMatch();
}

void expectImgError(const QByteArray& bytes, QImage (*decode)(const QByteArray&), const std::string& what)
{
    const QString msg = imgError([&] { decode(bytes); });
    EXPECT_TRUE(msg != QStringLiteral("(none)") && !msg.isEmpty()) << what;
    EXPECT_TRUE(speaksChinese(msg)) << what << ": " << msg.toStdString();
}

}

TEST(Jpeg, DecodesColourGreyAdobeCmykProgressiveAndArithmetic)
{
    const JpegKind kinds[] = {{JCS_RGB}, {JCS_CMYK}, {JCS_GRAYSCALE}, {JCS_RGB, true}, {JCS_RGB, false, true},
                              {JCS_RGB, true, true}, {JCS_RGB, false, true, 2}};
    for (const JpegKind& kind : kinds) {
        SCOPED_TRACE(testing::Message() << kind.space << " progressive " << kind.progressive << " arithmetic "
                                        << kind.arithmetic << " restart " << kind.restartMcus);
        const QImage im = img::decodeJpeg(makeJpeg(quadrants(64, 48), kind));
        ASSERT_EQ(im.size(), QSize(64, 48));
        for (int i = 0; i < 4; ++i) {
            const QRgb got = im.pixel(16 + 32 * (i % 2), 12 + 24 * (i / 2));
            const int grey = qGray(kQuadrant[i]);
            const QRgb want = kind.space == JCS_GRAYSCALE ? qRgb(grey, grey, grey) : kQuadrant[i];
            EXPECT_NEAR(qRed(got), qRed(want), 12) << " quadrant " << i;
            EXPECT_NEAR(qGreen(got), qGreen(want), 12) << " quadrant " << i;
            EXPECT_NEAR(qBlue(got), qBlue(want), 12) << " quadrant " << i;
        }
    }
}

// A few hundred bytes claiming a picture of gigabytes: refused from the
// header, before the decoder takes memory for it.
TEST(Jpeg, PicturesPastFortyMegapixelsAreRefusedFromTheirHeader)
{
    const auto peakKb = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return u.ru_maxrss;
    };
    const long before = peakKb();
    const QImage small = noise(16, 16, 5);
    const std::pair<int, int> sizes[] = {{8192, 8000}, {65500, 65500}};
    for (auto [w, h] : sizes)
        for (const JpegKind& kind : {JpegKind{JCS_RGB, true}, JpegKind{JCS_RGB, false, true}, JpegKind{JCS_RGB, true, true}}) {
            const QByteArray hostile = withSize(makeJpeg(small, kind), w, h);
            ASSERT_LT(hostile.size(), 1000);
            const QString msg = imgError([&] { img::decodeJpeg(hostile); });
            EXPECT_TRUE(msg.startsWith(QStringLiteral("图片太大（%1 × %2 像素）").arg(w).arg(h))) << msg.toStdString();
            ASSERT_LT(peakKb() - before, 64 * 1024) << w << "x" << h << " arithmetic " << kind.arithmetic;
        }
    const QString bmp = imgError([] { img::decodeBmp(bmpBytes(8000, 6000, 24, {}, QByteArray(64, '\0'))); });
    EXPECT_TRUE(bmp.startsWith(QStringLiteral("图片太大（8000 × 6000 像素）"))) << bmp.toStdString();
}

// Whatever the coding, a file missing part of its data is refused, also when
// someone closed it with an end marker after the cut.
TEST(Jpeg, EmptyForeignOrIncompleteFilesAreRefusedWhateverTheCoding)
{
    expectImgError(QByteArray(), img::decodeJpeg, "empty");
    expectImgError(QByteArray("GIF89a not a jpeg at all"), img::decodeJpeg, "not a JPEG");
    const QImage picture = noise(200, 150, 9);
    for (const JpegKind& kind : {JpegKind{}, JpegKind{JCS_RGB, true}, JpegKind{JCS_RGB, false, true},
                                 JpegKind{JCS_RGB, true, true}, JpegKind{JCS_RGB, false, true, 7}}) {
        SCOPED_TRACE(testing::Message() << "progressive " << kind.progressive << " arithmetic " << kind.arithmetic
                                        << " restart " << kind.restartMcus);
        const QByteArray good = makeJpeg(picture, kind);
        ASSERT_EQ(img::decodeJpeg(good).size(), picture.size());
        for (qsizetype keep : {qsizetype(2), qsizetype(11), qsizetype(100), good.size() / 4, good.size() / 2,
                               good.size() * 3 / 4, good.size() - 400}) {
            expectImgError(good.left(keep), img::decodeJpeg, "cut at " + std::to_string(keep));
            expectImgError(cutAndClosed(good, keep), img::decodeJpeg, "kept " + std::to_string(keep));
        }
        expectImgError(good.left(good.size() - 2), img::decodeJpeg, "no end marker");
        // Cut between two scans: every scan before the cut is whole.
        if (kind.progressive) {
            const qsizetype lastScan = good.lastIndexOf(QByteArray::fromHex("ffda"));
            expectImgError(cutAndClosed(good, lastScan), img::decodeJpeg, "last scan left out");
        }
    }
    // Complete files whose coded data ends in a long flat stretch: its writer
    // leaves out more of the final zero bytes there.
    QImage flatEnd = noise(400, 300, 3);
    for (int y = 20; y < 300; ++y)
        for (int x = 0; x < 400; ++x) flatEnd.setPixel(x, y, qRgb(255, 255, 255));
    for (bool progressive : {false, true})
        EXPECT_EQ(img::decodeJpeg(makeJpeg(flatEnd, {JCS_RGB, progressive, true})).size(), flatEnd.size());
}

TEST(Bmp, RoundTripWritesTheCommonLayoutKeepsEveryPixelAndReadsTopDown32BitAndPalettes)
{
    for (QSize size : {QSize(1, 1), QSize(4, 3), QSize(33, 17)}) {
        const QImage src = noise(size.width(), size.height(), unsigned(size.width()));
        const QByteArray bytes = img::encodeBmp(src);
        // 24-bit BI_RGB, bottom-up rows padded to four bytes: what other programs read.
        const int stride = (size.width() * 3 + 3) / 4 * 4;
        ASSERT_EQ(bytes.size(), 54 + stride * size.height());
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        for (auto [at, want] : {std::pair{2, quint32(bytes.size())}, {10, 54u}, {14, 40u}, {18, quint32(size.width())},
                                {22, quint32(size.height())}, {26, 1u | 24u << 16}, {30, 0u},
                                {34, quint32(stride * size.height())}})
            EXPECT_EQ(le32(bytes, at), want) << "offset " << at;
        EXPECT_EQ(le32(bytes, 54) & 0xffffff, src.pixel(0, size.height() - 1) & 0xffffff);   // B, G, R bottom left
        EXPECT_TRUE(samePixels(img::decodeBmp(bytes), src)) << size.width() << "x" << size.height();
    }
    EXPECT_THROW(img::encodeBmp(QImage()), img::Error);

    // 2 x 2, top-down 32-bit: red, green / blue, white (BGRA bytes).
    const QImage top = img::decodeBmp(bmpBytes(2, -2, 32, {}, QByteArray::fromHex("0000ff0000ff0000ff000000ffffff00")));
    ASSERT_EQ(top.size(), QSize(2, 2));
    EXPECT_EQ(top.pixel(0, 0) & 0xffffff, 0xff0000u);
    EXPECT_EQ(top.pixel(1, 0) & 0xffffff, 0x00ff00u);
    EXPECT_EQ(top.pixel(0, 1) & 0xffffff, 0x0000ffu);

    // 3 x 2, bottom-up, 8-bit with a 3-colour palette (black, red, blue); rows
    // padded to four bytes; index 9 is past the palette.
    const QImage paletted = img::decodeBmp(
        bmpBytes(3, 2, 8, QByteArray::fromHex("000000000000c800c8000000"), QByteArray::fromHex("0101010002000900"), 3));
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

    const std::tuple<int, quint32, const char*> patches[] = {
        {0, (le32(good, 0) & 0xffff0000u) | 0x4d58u, "magic"}, {10, 0x7fffffff, "pixel offset past the end"},
        {10, 20, "pixel offset inside the header"}, {14, 0x10000, "header size past the end"},
        {18, 0x40000000, "huge width"}, {22, 0x80000000, "height INT_MIN"}, {18, 0, "zero width"},
        {18, 6, "width needing more data than present"}, {30, 1, "RLE compression"},
    };
    for (const auto& [at, v, what] : patches) expectImgError(patched(good, at, v), img::decodeBmp, what);
    const QByteArray pal(8, '\0'), px(8, '\0');
    expectImgError(bmpBytes(2, 2, 8, pal, px, 300), img::decodeBmp, "palette larger than 256");
    expectImgError(bmpBytes(2, 2, 8, pal, px, 200), img::decodeBmp, "palette past the data");
    expectImgError(bmpBytes(2, 2, 16, {}, px), img::decodeBmp, "16-bit");
}

TEST(Picture, FilesLoadByTheirExtensionProblemsNameTheFileAndEveryAssetDecodesAtItsSize)
{
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    const QImage photo = img::loadPicture(write("照片.JPG", makeJpeg(noise(333, 250, 11))));
    ASSERT_EQ(photo.size(), QSize(333, 250));
    EXPECT_TRUE(samePixels(img::loadPicture(write("photo.Bmp", img::encodeBmp(photo))), photo));

    const QString missing = dir.filePath(QStringLiteral("nowhere.jpeg"));
    const QString refusal = imgError([&] { img::loadPicture(missing); });
    EXPECT_TRUE(refusal.contains(missing));
    EXPECT_TRUE(speaksChinese(refusal, missing)) << refusal.toStdString();
    EXPECT_THROW(img::loadPicture(write("x.png", "PNG")), img::Error);
    // A pipe is refused without waiting for a writer, a folder as no file either.
    const QString pipe = dir.filePath(QStringLiteral("pipe.jpg"));
    hrtest::NamedPipe named(pipe);
    ASSERT_TRUE(named.made);
    EXPECT_EQ(imgError([&] { img::loadPicture(pipe); }), QStringLiteral("图片文件 %1 不是普通文件").arg(pipe));
    EXPECT_FALSE(named.finish());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    EXPECT_TRUE(imgError([&] { img::loadPicture(dir.filePath(QStringLiteral("folder.bmp"))); }).contains(QStringLiteral("不是普通文件")));
    // A file too large for any photo is refused by its size, with no memory spent reading it.
    QFile huge(dir.filePath(QStringLiteral("huge.jpg")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(300) << 20));
    huge.close();
    QFile statm(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const rlim_t mapped = statm.readAll().split(' ').value(0).toULongLong() * rlim_t(::sysconf(_SC_PAGESIZE));
    rlimit old{};
    ::getrlimit(RLIMIT_AS, &old);
    rlimit tight = old;
    tight.rlim_cur = mapped + (rlim_t(64) << 20);
    ::setrlimit(RLIMIT_AS, &tight);
    QString tooBig;
    try {
        tooBig = imgError([&] { img::loadPicture(huge.fileName()); });
    } catch (const std::bad_alloc&) {
        tooBig = QStringLiteral("out of memory");
    }
    ::setrlimit(RLIMIT_AS, &old);
    EXPECT_TRUE(tooBig.contains(QStringLiteral("太大"))) << tooBig.toStdString();
    EXPECT_THROW(img::loadJpegResource(QStringLiteral(":/assets/no_such_picture.jpg")), img::Error);

    std::vector<std::pair<QString, QSize>> wants = {
        {"main_bg", {1024, 768}}, {"splash", {329, 210}}, {"login", {332, 212}}, {"icon", {64, 64}}};
    for (int i = 1; i <= 11; ++i) wants.push_back({QStringLiteral("tool%1").arg(i, 2, 10, QLatin1Char('0')), {32, 32}});
    for (const auto& [name, size] : wants)
        EXPECT_EQ(img::loadJpegResource(":/assets/" + name + ".jpg").size(), size) << name.toStdString();
}
