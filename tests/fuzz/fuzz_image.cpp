// One input for the picture decoders: whatever the bytes, a picture within
// the size limit or img::Error, never a crash, a hang or gigabytes of memory.
// Built into the mutation run of the test suite, and with clang into a
// libFuzzer target (HRMS_LIBFUZZER=ON) for longer runs.
#include "platform/image/image.h"
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    for (QImage (*decode)(const QByteArray&) : {img::decodeJpeg, img::decodeBmp}) {
        try {
            const QImage im = decode(bytes);
            if (im.isNull() || qint64(im.width()) * im.height() > 40'000'000) std::abort();
        } catch (const img::Error&) {
        }
    }
    return 0;
}
