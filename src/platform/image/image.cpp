#include "platform/image/image.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace img {

namespace {

// A photo is at most 40 megapixels (and no side past 32768). The size is
// checked as soon as a header names it, before any memory is taken for the
// picture: a file of a few hundred bytes may claim one of gigabytes.
constexpr qint64 kMaxSide = 32768;
constexpr qint64 kMaxPixels = 40'000'000;
// A bigger file cannot hold a photo of that size in any form we read.
constexpr qint64 kMaxFileBytes = qint64(256) << 20;

// Empty (a side of zero or less) pictures are corrupt files, not big ones.
bool tooLarge(qint64 w, qint64 h)
{
    return w > kMaxSide || h > kMaxSide || w * h > kMaxPixels;
}

QString tooLargeMessage(qint64 w, qint64 h)
{
    return QStringLiteral("图片太大（%1 × %2 像素），不能用作照片：照片最多 %3 万像素")
        .arg(w)
        .arg(h)
        .arg(kMaxPixels / 10000);
}

// ---- JPEG ------------------------------------------------------------------

// libjpeg's whole-picture buffers (a progressive file keeps every coefficient,
// two bytes each, of up to four components) stay under this.
constexpr long kJpegMemory = long(kMaxPixels) * 10;
// Real files have about ten scans; thousands of tiny ones over a large picture
// would keep the decoder busy for minutes.
constexpr int kMaxScans = 100;
// Zero bytes put before each marker that ends arithmetic-coded data (below).
// Complete files leave the decoder needing fewer than 30 of its own.
constexpr size_t kArithPad = 256;

constexpr const char* kIncomplete = "JPEG 图片不完整：文件在图片结束之前就断了";

// The fragments a refusal is made of, in the operator's language; libjpeg's
// own English messages only go as far as their code.
namespace texts {
QString tooManyScans() { return QStringLiteral("扫描次数超过 %1 次").arg(kMaxScans); }
QString colourSpace() { return QStringLiteral("不支持的色彩空间"); }
QString implausibleSize() { return QStringLiteral("图片尺寸不合理"); }
QString noMemory() { return QStringLiteral("内存不足，无法存放图片"); }
QString stoppedEarly() { return QStringLiteral("解码提前中止"); }
QString decoderError(int code)
{
    switch (code) {
    case JERR_NO_SOI: return QStringLiteral("不是 JPEG 文件");
    case JERR_INPUT_EMPTY:
    case JERR_INPUT_EOF: return QStringLiteral("文件提前结束");
    case JERR_OUT_OF_MEMORY: return QStringLiteral("内存不足");
    case JERR_IMAGE_TOO_BIG:
    case JERR_EMPTY_IMAGE: return QStringLiteral("图片尺寸不合理");
    case JERR_BAD_PRECISION:
    case JERR_NOT_COMPILED:
    case JERR_ARITH_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL: return QStringLiteral("不支持的编码方式");
    default: return QStringLiteral("解码错误，代码 %1").arg(code);
    }
}
QString bmpTooShort() { return QStringLiteral("文件太短"); }
QString notBmp() { return QStringLiteral("不是 BMP 文件"); }
QString os2Header() { return QStringLiteral("OS/2 文件头"); }
QString badInfoHeader() { return QStringLiteral("信息头有误"); }
QString badSize() { return QStringLiteral("图片尺寸有误"); }
QString missingMasks() { return QStringLiteral("缺少颜色掩码"); }
QString otherMasks() { return QStringLiteral("非常规的颜色掩码"); }
QString compressed(quint32 method) { return QStringLiteral("压缩方式 %1").arg(method); }
QString bitsPerPixel(int bits) { return QStringLiteral("每像素 %1 位").arg(bits); }
QString badPalette() { return QStringLiteral("调色板大小有误"); }
QString paletteOutside() { return QStringLiteral("调色板超出文件范围"); }
QString pixelsOutside() { return QStringLiteral("像素数据超出文件范围"); }
// Qt's file error texts come from the C library, in English.
QString fileError(const QFile& f)
{
    switch (f.error()) {
    case QFileDevice::OpenError: return f.exists() ? QStringLiteral("无法打开（可能没有读取权限）") : QStringLiteral("文件不存在");
    case QFileDevice::PermissionsError: return QStringLiteral("没有读取权限");
    case QFileDevice::ReadError: return QStringLiteral("读取出错");
    default: return QStringLiteral("文件错误（%1）").arg(int(f.error()));
    }
}
}

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

// The writer of arithmetic-coded data leaves out the zero bytes at the end of
// each segment, and the decoder makes them up when it meets the next marker.
// So a file cut short and closed with an end marker decodes without a word,
// the missing part grey. To tell the two apart, the source serves kArithPad
// zero bytes before every such marker: they are what the decoder would make
// up anyway, so the picture is the same. A complete segment leaves most of
// them unread, and libjpeg reports those as extraneous bytes when it looks
// for the marker; a cut one uses them all.
struct JpegSource {
    jpeg_source_mgr pub;
    const JOCTET* data = nullptr;
    size_t size = 0;
    std::vector<size_t> padAt;     // offsets of those markers, ascending
    std::vector<bool> padLeft;     // by pad: some of it was left unread
    size_t padsChecked = 0;
    enum class Stop { None, Incomplete, TooManyScans } stop = Stop::None;   // our own reason to give up
    size_t step = 0;               // even: the bytes before pad step/2; odd: that pad
};

const JOCTET kZeros[kArithPad] = {};
const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

size_t pieceStart(const JpegSource& s, size_t piece) { return piece == 0 ? 0 : s.padAt[piece - 1]; }
size_t pieceEnd(const JpegSource& s, size_t piece) { return piece < s.padAt.size() ? s.padAt[piece] : s.size; }

void sourceInit(j_decompress_ptr) {}
void sourceTerm(j_decompress_ptr) {}

boolean sourceFill(j_decompress_ptr cinfo)
{
    auto* s = static_cast<JpegSource*>(cinfo->client_data);
    ++s->step;
    if (s->step > 2 * s->padAt.size()) {
        // Out of data: libjpeg's own remedy, an end marker after a warning.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        s->pub.next_input_byte = kFakeEoi;
        s->pub.bytes_in_buffer = 2;
    } else if (s->step % 2) {
        s->pub.next_input_byte = kZeros;
        s->pub.bytes_in_buffer = kArithPad;
    } else {
        const size_t from = pieceStart(*s, s->step / 2);
        s->pub.next_input_byte = s->data + from;
        s->pub.bytes_in_buffer = pieceEnd(*s, s->step / 2) - from;
    }
    return TRUE;
}

void sourceSkip(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    while (size_t(count) > src->bytes_in_buffer) {
        count -= long(src->bytes_in_buffer);
        sourceFill(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= size_t(count);
}

// The markers that end arithmetic-coded data, found the way libjpeg reads
// the file. Empty for Huffman-coded files. A file that ends early or holds
// nonsense is left to libjpeg to refuse.
std::vector<size_t> arithmeticSegmentEnds(const uchar* p, size_t n)
{
    std::vector<size_t> ends;
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return ends;   // SOI
    bool arithmetic = false;
    size_t pos = 2;
    for (;;) {
        // A marker, after any stray bytes and fill.
        while (pos < n && p[pos] != 0xFF) ++pos;
        while (pos < n && p[pos] == 0xFF) ++pos;
        if (pos >= n) return ends;
        const int m = p[pos++];
        if (m == 0 || m == 0x01 || (m >= 0xD0 && m <= 0xD8)) continue;   // stuffed zero, TEM, RSTn, SOI
        if (m == JPEG_EOI) return ends;
        if (pos + 2 > n) return ends;
        const size_t length = size_t(p[pos]) << 8 | p[pos + 1];
        if (length < 2 || pos + length > n) return ends;
        pos += length;
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) arithmetic = m >= 0xC9;   // SOFn
        if (m != 0xDA) continue;   // not SOS
        if (!arithmetic) return ends;
        // The coded data: up to a marker other than a stuffed zero; restart
        // markers end a segment and the data goes on.
        for (;;) {
            while (pos < n && p[pos] != 0xFF) ++pos;
            const size_t at = pos;
            while (pos < n && p[pos] == 0xFF) ++pos;
            if (pos >= n) return ends;
            if (p[pos] == 0) {
                ++pos;
                continue;
            }
            ends.push_back(at);
            if (p[pos] >= 0xD0 && p[pos] <= 0xD7) {
                ++pos;
                continue;
            }
            pos = at;
            break;
        }
    }
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
    case JWRN_EXTRANEOUS_DATA: {
        // Skipped bytes reported as the marker after a pad is read (the source
        // has just moved on to it): that segment ended before its pad did.
        auto* s = static_cast<JpegSource*>(cinfo->client_data);
        if (s->step % 2 == 0 && s->step > 0) {
            const size_t pad = s->step / 2 - 1;
            if (s->pub.next_input_byte == s->data + s->padAt[pad]) s->padLeft[pad] = true;
        }
        cinfo->err->num_warnings++;
        break;
    }
    default:
        cinfo->err->num_warnings++;
        break;
    }
}

void jpegSilent(j_common_ptr) {}

// A pad the source has moved past without a report of bytes left in it was
// used up by the decoder: say so at once rather than after decoding the rest
// of a large picture from nothing.
bool padsUsedUp(JpegSource& s)
{
    for (const size_t passed = std::min(s.step / 2, s.padAt.size()); s.padsChecked < passed; ++s.padsChecked)
        if (!s.padLeft[s.padsChecked]) return true;
    return false;
}

void jpegProgress(j_common_ptr cinfo)
{
    auto* s = static_cast<JpegSource*>(cinfo->client_data);
    if (padsUsedUp(*s))
        s->stop = JpegSource::Stop::Incomplete;
    else if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        s->stop = JpegSource::Stop::TooManyScans;
    else
        return;
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

// Everything with a destructor lives here, outside the frame that calls
// setjmp, so a jump back never skips a destructor.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    JpegSource source;
    jpeg_progress_mgr progress;
    std::vector<JSAMPLE> row;
    QImage image;
    QString refusal;   // our own reason, when libjpeg had none
    bool whole = false;   // the refusal is a complete message
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

// Every coefficient of a progressive file known to its last bit: a file cut
// between two scans and closed with an end marker decodes without a word.
bool progressionComplete(const jpeg_decompress_struct& cinfo)
{
    if (!cinfo.progressive_mode || !cinfo.coef_bits) return true;
    for (int c = 0; c < cinfo.num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo.coef_bits[c][k] != 0) return false;
    return true;
}

bool runJpeg(JpegJob* job, const unsigned char* data, unsigned long size)
{
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = jpegFail;
    job->err.pub.emit_message = jpegMessage;
    job->err.pub.output_message = jpegSilent;
    job->err.message[0] = '\0';

    JpegSource& src = job->source;
    src.data = data;
    src.size = size;
    src.padAt = arithmeticSegmentEnds(data, size);
    src.padLeft.assign(src.padAt.size(), false);
    src.pub.init_source = sourceInit;
    src.pub.fill_input_buffer = sourceFill;
    src.pub.skip_input_data = sourceSkip;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = sourceTerm;
    src.pub.next_input_byte = data;
    src.pub.bytes_in_buffer = pieceEnd(src, 0);

    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(cinfo);
        if (src.stop == JpegSource::Stop::Incomplete) job->refusal = QString::fromUtf8(kIncomplete);
        if (src.stop == JpegSource::Stop::TooManyScans) job->refusal = texts::tooManyScans();
        job->whole = src.stop == JpegSource::Stop::Incomplete;
        return false;
    }

    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kJpegMemory;
    cinfo->src = &src.pub;
    cinfo->client_data = &src;
    job->progress.progress_monitor = jpegProgress;
    cinfo->progress = &job->progress;
    jpeg_read_header(cinfo, TRUE);

    if (tooLarge(cinfo->image_width, cinfo->image_height)) {
        job->refusal = tooLargeMessage(cinfo->image_width, cinfo->image_height);
        job->whole = true;
        jpeg_destroy_decompress(cinfo);
        return false;
    }

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
        job->refusal = texts::colourSpace();
        jpeg_destroy_decompress(cinfo);
        return false;
    }

    jpeg_start_decompress(cinfo);
    const qint64 w = cinfo->output_width;
    const qint64 h = cinfo->output_height;
    const int comps = cinfo->output_components;
    if (w <= 0 || h <= 0 || tooLarge(w, h) || comps != (cmyk ? 4 : 3)) {
        job->refusal = texts::implausibleSize();
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    // A file of many scans has been read to its end by now.
    if (!progressionComplete(*cinfo)) {
        job->refusal = QString::fromUtf8(kIncomplete);
        job->whole = true;
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    job->image = QImage(int(w), int(h), QImage::Format_RGB32);
    if (job->image.isNull()) {
        job->refusal = texts::noMemory();
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
            job->refusal = texts::stoppedEarly();
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
    if (std::find(src.padLeft.begin(), src.padLeft.end(), false) != src.padLeft.end()) {
        job->refusal = QString::fromUtf8(kIncomplete);
        job->whole = true;
        job->image = QImage();
        return false;
    }
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

[[noreturn]] void bmpCorrupt(const QString& why)
{
    throw Error(QStringLiteral("BMP 图片已损坏或不完整（%1）").arg(why));
}

[[noreturn]] void bmpUnsupported(const QString& what)
{
    throw Error(QStringLiteral("不支持的 BMP 图片格式（%1）").arg(what));
}

QByteArray readWholeFile(const QString& path)
{
    // A pipe would keep the program waiting at its opening; a folder or a device holds no picture.
    const QFileInfo fi(path);
    if (fi.exists() && !fi.isFile()) throw Error(QStringLiteral("图片文件 %1 不是普通文件").arg(path));
    const auto tooBig = [&] {
        return Error(QStringLiteral("图片文件 %1 太大，不能用作照片（最多 %2 MB）").arg(path).arg(kMaxFileBytes >> 20));
    };
    // Its size says so before a byte is read.
    if (fi.size() > kMaxFileBytes) throw tooBig();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开图片文件 %1：%2").arg(path, texts::fileError(f)));
    // Read up to the bound only: the file may have grown since it was measured.
    QByteArray bytes;
    if (!f.isSequential()) bytes.reserve(qsizetype(qMin(f.size(), kMaxFileBytes + 1)));
    while (bytes.size() <= kMaxFileBytes) {
        const QByteArray chunk = f.read(1 << 20);
        if (chunk.isEmpty()) break;
        bytes += chunk;
    }
    if (f.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("无法读取图片文件 %1：%2").arg(path, texts::fileError(f)));
    if (bytes.size() > kMaxFileBytes) throw tooBig();
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
        if (job.whole) throw Error(job.refusal);
        const QString why = job.refusal.isEmpty() ? texts::decoderError(job.err.pub.msg_code) : job.refusal;
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
    if (size < kFileHeader + 4) bmpCorrupt(texts::bmpTooShort());
    if (p[0] != 'B' || p[1] != 'M') bmpCorrupt(texts::notBmp());

    const qint64 offBits = le32(p + 10);
    const qint64 infoSize = le32(p + kFileHeader);
    if (infoSize == 12) bmpUnsupported(texts::os2Header());
    if (infoSize < kInfoHeader || kFileHeader + infoSize > size) bmpCorrupt(texts::badInfoHeader());

    const uchar* info = p + kFileHeader;
    const qint64 width = qint32(le32(info + 4));
    const qint64 rawHeight = qint32(le32(info + 8));
    const int bits = le16(info + 14);
    const quint32 compression = le32(info + 16);
    const quint32 clrUsed = le32(info + 32);

    const bool topDown = rawHeight < 0;
    const qint64 height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0) bmpCorrupt(texts::badSize());
    if (tooLarge(width, height)) throw Error(tooLargeMessage(width, height));

    // 32-bit pictures may declare their channel masks; only the usual layout is read.
    if (compression == 3 && bits == 32) {
        qint64 maskAt = kFileHeader + kInfoHeader;
        if (maskAt + 12 > size) bmpCorrupt(texts::missingMasks());
        if (le32(p + maskAt) != 0x00ff0000u || le32(p + maskAt + 4) != 0x0000ff00u || le32(p + maskAt + 8) != 0x000000ffu)
            bmpUnsupported(texts::otherMasks());
    } else if (compression != 0) {
        bmpUnsupported(texts::compressed(compression));
    }

    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    if (!paletted && bits != 24 && bits != 32) bmpUnsupported(texts::bitsPerPixel(bits));

    std::vector<QRgb> palette;
    if (paletted) {
        const qint64 maxColours = qint64(1) << bits;
        const qint64 colours = clrUsed == 0 ? maxColours : qint64(clrUsed);
        if (colours > maxColours) bmpCorrupt(texts::badPalette());
        const qint64 palAt = kFileHeader + infoSize;
        if (palAt + colours * 4 > size || palAt + colours * 4 > offBits) bmpCorrupt(texts::paletteOutside());
        palette.resize(size_t(maxColours), qRgb(0, 0, 0));   // unused indices read as black
        for (qint64 i = 0; i < colours; ++i) {
            const uchar* e = p + palAt + 4 * i;
            palette[size_t(i)] = qRgb(e[2], e[1], e[0]);
        }
    }

    const qint64 stride = ((width * bits + 31) / 32) * 4;
    if (offBits < kFileHeader + infoSize || offBits > size || stride * height > size - offBits)
        bmpCorrupt(texts::pixelsOutside());

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
