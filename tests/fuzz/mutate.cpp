// A deterministic mutation run over the picture decoders, short enough for
// every test run: good and hostile files made in code, changed the ways
// damaged and crafted files differ from good ones.
//   fuzz_image [runs] [seed]
//   fuzz_image --seeds <folder>     writes the starting files (a libFuzzer corpus)
#include "picture_samples.h"
#include "platform/image/image.h"
#include <QElapsedTimer>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

using namespace samples;

namespace {

// The good files come first, `good` of them.
std::vector<QByteArray> seeds(size_t* good)
{
    std::vector<QByteArray> s;
    const QImage photo = noise(24, 16, 1);
    const QImage flat = quadrants(40, 24);
    const JpegKind kinds[] = {{JCS_RGB}, {JCS_GRAYSCALE}, {JCS_CMYK}, {JCS_RGB, true}, {JCS_RGB, false, true},
                              {JCS_RGB, true, true}, {JCS_RGB, false, false, 2}, {JCS_RGB, false, true, 3}};
    for (const JpegKind& k : kinds) {
        s.push_back(makeJpeg(photo, k));
        s.push_back(makeJpeg(flat, k));
    }
    s.push_back(img::encodeBmp(photo));
    s.push_back(bmpBytes(2, -2, 32, {}, QByteArray::fromHex("0000ff0000ff0000ff000000ffffff00")));
    s.push_back(bmpBytes(3, 2, 8, QByteArray::fromHex("000000000000c800c8000000"), QByteArray::fromHex("0101010002000900"), 3));
    s.push_back(bmpBytes(9, 2, 1, QByteArray::fromHex("00000000ffffff00"), QByteArray::fromHex("a5800000ff800000")));
    s.push_back(bmpBytes(3, 1, 4, QByteArray(64, '\x40'), QByteArray::fromHex("12300000")));
    *good = s.size();
    for (const JpegKind& k : kinds) {
        const QByteArray good = makeJpeg(photo, k);
        s.push_back(withSize(good, 65500, 65500));
        s.push_back(withSize(good, 8192, 8000));
        s.push_back(withSize(good, 7000, 5000));
        s.push_back(cutAndClosed(good, good.size() / 2));
    }
    const QByteArray bmp = img::encodeBmp(photo);
    s.push_back(patched(patched(bmp, 18, 65500), 22, 65500));
    s.push_back(patched(bmp, 22, 0x80000000u));
    s.push_back(bmpBytes(8000, 6000, 24, {}, QByteArray(64, '\0')));
    return s;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : rng_(seed) {}

    QByteArray mutate(QByteArray b, const std::vector<QByteArray>& all)
    {
        const int steps = 1 + int(pick(4));
        for (int i = 0; i < steps; ++i) {
            const qsizetype at = b.isEmpty() ? 0 : qsizetype(pick(quint32(b.size())));
            switch (pick(10)) {
            case 0:
                if (!b.isEmpty()) b[at] = char(uchar(b[at]) ^ (1u << pick(8)));
                break;
            case 1: {
                static const uchar v[] = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff};
                if (!b.isEmpty()) b[at] = char(v[pick(6)]);
                break;
            }
            case 2: {   // JPEG fields are big-endian 16 bits
                static const quint16 v[] = {0, 1, 2, 0x7fff, 0x8000, 0xffdc, 0xffff, 8192, 65500};
                const quint16 x = v[pick(9)];
                if (at + 2 <= b.size()) {
                    b[at] = char(x >> 8);
                    b[at + 1] = char(x);
                }
                break;
            }
            case 3: {   // BMP fields are little-endian 32 bits
                static const quint32 v[] = {0, 1, 0x7fffffff, 0x80000000u, 0xffffffffu, 65500, 1u << 16, 40};
                if (at + 4 <= b.size()) b = patched(b, int(at), v[pick(8)]);
                break;
            }
            case 4: b.truncate(at); break;
            case 5: b = cutAndClosed(b, at); break;
            case 6: {   // a repeated stretch, as in a badly joined copy
                const qsizetype n = qMin<qsizetype>(b.size() - at, 1 + pick(64));
                b.insert(at, b.mid(at, n));
                break;
            }
            case 7: b.remove(at, 1 + pick(16)); break;
            case 8: {   // a stray marker
                const char marker[2] = {char(0xff), char(0xc0 + pick(64))};
                b.insert(at, marker, 2);
                break;
            }
            default: {   // the start of one file and the rest of another
                const QByteArray& other = all[pick(quint32(all.size()))];
                b = b.left(at) + other.mid(qsizetype(pick(quint32(other.size()) + 1)));
                break;
            }
            }
        }
        return b;
    }

private:
    quint32 pick(quint32 n) { return n == 0 ? 0 : quint32(rng_() % n); }
    std::mt19937 rng_;
};

long peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--seeds") == 0) {
        size_t good = 0;
        const std::vector<QByteArray> all = seeds(&good);
        for (size_t i = 0; i < all.size(); ++i) {
            QFile f(QStringLiteral("%1/seed%2").arg(QString::fromLocal8Bit(argv[2])).arg(i));
            if (!f.open(QIODevice::WriteOnly) || f.write(all[i]) != all[i].size()) return 1;
        }
        return 0;
    }
    const long runs = argc > 1 ? std::atol(argv[1]) : 20000;
    const unsigned seed = argc > 2 ? unsigned(std::atol(argv[2])) : 1;
    size_t good = 0;
    const std::vector<QByteArray> all = seeds(&good);
    // The run means little unless the good files are read as pictures.
    for (size_t i = 0; i < good; ++i) {
        try {
            (all[i].startsWith("BM") ? img::decodeBmp : img::decodeJpeg)(all[i]);
        } catch (const img::Error& e) {
            std::printf("good file %zu refused: %s\n", i, e.what());
            return 1;
        }
    }
    Mutator m(seed);
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray& s : all) LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.constData()), size_t(s.size()));
    for (long i = 0; i < runs; ++i) {
        const QByteArray b = m.mutate(all[size_t(i) % all.size()], all);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
    }
    std::printf("%ld mutated files in %.1f s, peak memory %ld MB\n", runs, double(clock.elapsed()) / 1000, peakMb());
    // A picture within the limit needs well under this; a header believed
    // past it took gigabytes.
    if (peakMb() > 1024) {
        std::printf("too much memory\n");
        return 1;
    }
    return 0;
}
