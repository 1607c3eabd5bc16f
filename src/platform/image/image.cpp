#include "platform/image/image.h"

#include <QFile>
#include <QFileInfo>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace img {

namespace {

// Guards against headers that claim absurd sizes: such a file is corrupt, and
// trusting it would mean allocating gigabytes before noticing.
constexpr qint64 kMaxSide = 32768;
constexpr qint64 kMaxPixels = qint64(1) << 26;

bool sizeAcceptable(qint64 w, qint64 h)
{
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

// ---- JPEG ------------------------------------------------------------------

// libjpeg reports failures by calling error_exit, which must not return.
// Throwing through libjpeg's C frames is undefined, so we jump back to the
// frame that called setjmp and turn the failure into an exception there.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpegFail(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// A truncated or damaged stream only produces warnings: libjpeg pads the
// missing data with grey and carries on. A picture partly made of grey is not
// what the file holds, so those warnings count as failures (the decoder reads
// ahead, so even a file missing only its end marker is refused). Harmless ones
// (extra bytes between markers, odd but readable headers) are ignored.
void jpegMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) return;   // trace output
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
        jpegFail(cinfo);
    default:
        cinfo->err->num_warnings++;
        break;
    }
}

void jpegSilent(j_common_ptr) {}

// Everything with a destructor lives here, outside the frame that calls
// setjmp, so a jump back never skips a destructor.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    std::vector<JSAMPLE> row;
    QImage image;
    const char* refusal = nullptr;   // our own reason, when libjpeg had none
};

inline QRgb cmykToRgb(int c, int m, int y, int k, bool inverted)
{
    // Adobe writers store CMYK inverted (0 = full ink); most files carry their marker.
    if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
    }
    return qRgb(c * k / 255, m * k / 255, y * k / 255);
}

bool runJpeg(JpegJob* job, const unsigned char* data, unsigned long size)
{
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = jpegFail;
    job->err.pub.emit_message = jpegMessage;
    job->err.pub.output_message = jpegSilent;
    job->err.message[0] = '\0';

    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }

    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);

    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo->out_color_space = JCS_RGB;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        job->refusal = "unsupported colour space";
        jpeg_destroy_decompress(cinfo);
        return false;
    }

    jpeg_start_decompress(cinfo);
    const qint64 w = cinfo->output_width;
    const qint64 h = cinfo->output_height;
    const int comps = cinfo->output_components;
    if (!sizeAcceptable(w, h) || comps != (cmyk ? 4 : 3)) {
        job->refusal = "implausible picture size";
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    job->image = QImage(int(w), int(h), QImage::Format_RGB32);
    if (job->image.isNull()) {
        job->refusal = "not enough memory for the picture";
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    job->row.resize(size_t(w) * size_t(comps));
    const bool inverted = cinfo->saw_Adobe_marker;

    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        JSAMPROW rows[1] = {job->row.data()};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
            // Only a suspending source returns no line; ours never suspends.
            job->refusal = "decoder stopped early";
            jpeg_destroy_decompress(cinfo);
            return false;
        }
        auto* out = reinterpret_cast<QRgb*>(job->image.scanLine(y));
        const JSAMPLE* in = job->row.data();
        if (cmyk) {
            for (qint64 x = 0; x < w; ++x, in += 4)
                out[x] = cmykToRgb(in[0], in[1], in[2], in[3], inverted);
        } else {
            for (qint64 x = 0; x < w; ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

// ---- BMP -------------------------------------------------------------------

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;

quint32 le32(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24; }
quint16 le16(const uchar* p) { return quint16(p[0] | p[1] << 8); }
void put32(uchar* p, quint32 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
    p[2] = uchar(v >> 16);
    p[3] = uchar(v >> 24);
}
void put16(uchar* p, quint16 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}

[[noreturn]] void bmpCorrupt(const char* why)
{
    throw Error(QStringLiteral("BMP 图片已损坏或不完整（%1）").arg(QString::fromLatin1(why)));
}

[[noreturn]] void bmpUnsupported(const QString& what)
{
    throw Error(QStringLiteral("不支持的 BMP 图片格式（%1）").arg(what));
}

QByteArray readWholeFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开图片文件 %1：%2").arg(path, f.errorString()));
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("无法读取图片文件 %1：%2").arg(path, f.errorString()));
    return bytes;
}

// Names the file in a decoding failure, so the operator knows which one it was.
template <typename Decode>
QImage decodeFile(const QString& path, Decode decode)
{
    const QByteArray bytes = readWholeFile(path);
    try {
        return decode(bytes);
    } catch (const Error& e) {
        throw Error(QStringLiteral("%1：%2").arg(path, e.message()));
    }
}

}   // namespace

QImage decodeJpeg(const QByteArray& bytes)
{
    if (bytes.isEmpty()) throw Error(QStringLiteral("JPEG 图片数据为空"));
    JpegJob job{};
    if (!runJpeg(&job, reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()))) {
        const QString why = job.refusal ? QString::fromLatin1(job.refusal) : QString::fromLocal8Bit(job.err.message);
        throw Error(QStringLiteral("JPEG 图片已损坏或无法读取（%1）").arg(why));
    }
    return job.image;
}

QImage loadJpegFile(const QString& path) { return decodeFile(path, decodeJpeg); }

QImage loadJpegResource(const QString& resourcePath)
{
    if (!QFile::exists(resourcePath)) throw Error(QStringLiteral("找不到图片资源 %1").arg(resourcePath));
    return loadJpegFile(resourcePath);
}

QByteArray encodeBmp(const QImage& image)
{
    if (image.isNull()) throw Error(QStringLiteral("没有可保存的图片"));
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const qint64 w = src.width();
    const qint64 h = src.height();
    const qint64 stride = (w * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = stride * h;
    const qint64 total = kFileHeader + kInfoHeader + pixelBytes;
    if (total > 0x7fffffff) throw Error(QStringLiteral("图片太大，无法保存为 BMP"));

    QByteArray out(int(total), '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, quint32(total));
    put32(p + 10, kFileHeader + kInfoHeader);
    uchar* info = p + kFileHeader;
    put32(info + 0, kInfoHeader);
    put32(info + 4, quint32(w));
    put32(info + 8, quint32(h));   // positive: bottom-up rows
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 16, 0);           // BI_RGB
    put32(info + 20, quint32(pixelBytes));
    const int dpm = src.dotsPerMeterX() > 0 ? src.dotsPerMeterX() : 3780;
    const int dpmY = src.dotsPerMeterY() > 0 ? src.dotsPerMeterY() : 3780;
    put32(info + 24, quint32(dpm));
    put32(info + 28, quint32(dpmY));

    uchar* pixels = info + kInfoHeader;
    for (qint64 y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(int(h - 1 - y)));
        uchar* row = pixels + y * stride;
        for (qint64 x = 0; x < w; ++x) {
            row[3 * x + 0] = uchar(qBlue(in[x]));
            row[3 * x + 1] = uchar(qGreen(in[x]));
            row[3 * x + 2] = uchar(qRed(in[x]));
        }
    }
    return out;
}

QImage decodeBmp(const QByteArray& bytes)
{
    const qint64 size = bytes.size();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    if (size < kFileHeader + 4) bmpCorrupt("file too short");
    if (p[0] != 'B' || p[1] != 'M') bmpCorrupt("not a BMP file");

    const qint64 offBits = le32(p + 10);
    const qint64 infoSize = le32(p + kFileHeader);
    if (infoSize == 12) bmpUnsupported(QStringLiteral("OS/2 header"));
    if (infoSize < kInfoHeader || kFileHeader + infoSize > size) bmpCorrupt("bad info header");

    const uchar* info = p + kFileHeader;
    const qint64 width = qint32(le32(info + 4));
    const qint64 rawHeight = qint32(le32(info + 8));
    const int bits = le16(info + 14);
    const quint32 compression = le32(info + 16);
    const quint32 clrUsed = le32(info + 32);

    const bool topDown = rawHeight < 0;
    const qint64 height = topDown ? -rawHeight : rawHeight;
    if (!sizeAcceptable(width, height)) bmpCorrupt("bad picture size");

    // 32-bit pictures may declare their channel masks; only the usual layout is read.
    if (compression == 3 && bits == 32) {
        qint64 maskAt = kFileHeader + kInfoHeader;
        if (maskAt + 12 > size) bmpCorrupt("missing colour masks");
        if (le32(p + maskAt) != 0x00ff0000u || le32(p + maskAt + 4) != 0x0000ff00u || le32(p + maskAt + 8) != 0x000000ffu)
            bmpUnsupported(QStringLiteral("colour masks"));
    } else if (compression != 0) {
        bmpUnsupported(QStringLiteral("compression %1").arg(compression));
    }

    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    if (!paletted && bits != 24 && bits != 32) bmpUnsupported(QStringLiteral("%1 bits per pixel").arg(bits));

    std::vector<QRgb> palette;
    if (paletted) {
        const qint64 maxColours = qint64(1) << bits;
        const qint64 colours = clrUsed == 0 ? maxColours : qint64(clrUsed);
        if (colours > maxColours) bmpCorrupt("bad palette size");
        const qint64 palAt = kFileHeader + infoSize;
        if (palAt + colours * 4 > size || palAt + colours * 4 > offBits) bmpCorrupt("palette outside the file");
        palette.resize(size_t(maxColours), qRgb(0, 0, 0));   // unused indices read as black
        for (qint64 i = 0; i < colours; ++i) {
            const uchar* e = p + palAt + 4 * i;
            palette[size_t(i)] = qRgb(e[2], e[1], e[0]);
        }
    }

    const qint64 stride = ((width * bits + 31) / 32) * 4;
    if (offBits < kFileHeader + infoSize || offBits > size || stride * height > size - offBits)
        bmpCorrupt("pixel data outside the file");

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull()) throw Error(QStringLiteral("内存不足，无法读取 BMP 图片"));

    const uchar* pixels = p + offBits;
    for (qint64 row = 0; row < height; ++row) {
        const uchar* in = pixels + row * stride;
        const qint64 y = topDown ? row : height - 1 - row;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        switch (bits) {
        case 24:
            for (qint64 x = 0; x < width; ++x) out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
            break;
        case 32:
            for (qint64 x = 0; x < width; ++x) out[x] = qRgb(in[4 * x + 2], in[4 * x + 1], in[4 * x]);
            break;
        default: {
            const int perByte = 8 / bits;
            const int mask = (1 << bits) - 1;
            for (qint64 x = 0; x < width; ++x) {
                const int shift = 8 - bits * int(x % perByte + 1);
                out[x] = palette[size_t((in[x / perByte] >> shift) & mask)];
            }
            break;
        }
        }
    }
    const qint64 dpmX = qint32(le32(info + 24));
    const qint64 dpmY = qint32(le32(info + 28));
    if (dpmX > 0 && dpmY > 0 && dpmX < 1000000 && dpmY < 1000000) {
        image.setDotsPerMeterX(int(dpmX));
        image.setDotsPerMeterY(int(dpmY));
    }
    return image;
}

QImage loadBmpFile(const QString& path) { return decodeFile(path, decodeBmp); }

QImage loadPicture(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("bmp")) return loadBmpFile(path);
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) return loadJpegFile(path);
    throw Error(QStringLiteral("不支持的图片文件类型：%1").arg(path));
}

}   // namespace img
