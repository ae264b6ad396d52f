// Decoding stills without OpenImageIO's own scratch memory. Its read of a
// frame in a named type decodes into a new buffer of 64 MB each time, and
// the kernel's mapping and clearing of its pages costs about as much as the
// conversion. Stills read in the type the file stores are decoded straight
// into the caller's buffer; others are decoded a band of rows at a time in
// the file's type, into memory kept from frame to frame, and converted from
// there.
#include "StillDecoder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace ImageKit {

namespace {

// Rows decoded at a time: a multiple of the blocks of every scanline codec
// (1, 16, 32 and 256 rows), and few enough that they are still in the
// processor's cache when they are converted.
constexpr int RowsAtATime = 256;

struct Rows
{
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};

// The rows of the last decoding wait here for the next. A decoding that
// finds none (another thread's decoding has them) makes its own; the last
// one back stays. Without a lock, a forked child finds rows or none.
std::atomic<Rows*> waitingRows{nullptr};

class KeptRows
{
public:
    KeptRows() : m_rows(waitingRows.exchange(nullptr)) {}
    ~KeptRows() { delete waitingRows.exchange(m_rows.release()); }
    KeptRows(const KeptRows&) = delete;
    KeptRows& operator=(const KeptRows&) = delete;

    // At least `size` bytes; null when there is no memory for them.
    unsigned char* reserve(std::size_t size)
    {
        if (!m_rows)
            m_rows.reset(new (std::nothrow) Rows);
        if (m_rows && m_rows->size < size) {
            m_rows->bytes.reset(new (std::nothrow) unsigned char[size]);
            m_rows->size = m_rows->bytes ? size : 0;
        }
        return m_rows ? m_rows->bytes.get() : nullptr;
    }

private:
    std::unique_ptr<Rows> m_rows;
};

// Half floats to floats, exactly as OpenImageIO converts them (every value,
// infinities and the payloads of NaNs included), in plain integer
// arithmetic that the compiler vectorises: about twice as fast as its
// table lookups.
void halfToFloat(const uint16_t* from, float* to, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t half = from[i];
        const uint32_t magnitude = half & 0x7fffu;
        uint32_t bits = (magnitude << 13) + (112u << 23); // rebias the exponent from 15 to 127
        if (magnitude >= 0x7c00u)
            bits = (magnitude << 13) | 0x7f800000u; // infinities and NaNs keep their payload
        const float subnormal = float(int32_t(magnitude)) * 0x1p-24f;
        uint32_t subnormalBits;
        std::memcpy(&subnormalBits, &subnormal, sizeof subnormalBits);
        if (magnitude < 0x0400u)
            bits = subnormalBits;
        bits |= (half & 0x8000u) << 16;
        std::memcpy(to + i, &bits, sizeof bits);
    }
}

bool convertRows(const void* from, OIIO::TypeDesc stored, void* to, OIIO::TypeDesc type, int width, int rows,
                 int channels)
{
    if (stored == OIIO::TypeDesc::HALF && type == OIIO::TypeDesc::FLOAT) {
        halfToFloat(static_cast<const uint16_t*>(from), static_cast<float*>(to),
                    std::size_t(width) * std::size_t(rows) * std::size_t(channels));
        return true;
    }
    return OIIO::convert_image(channels, width, rows, 1, from, stored, OIIO::AutoStride, OIIO::AutoStride,
                               OIIO::AutoStride, to, type, OIIO::AutoStride, OIIO::AutoStride, OIIO::AutoStride);
}

} // namespace

bool decodeStill(OIIO::ImageInput& input, int subimage, const OIIO::ImageSpec& header, int channels,
                 OIIO::TypeDesc type, void* buffer)
{
    // Asked for by its name, even the type the file stores is decoded into a
    // new buffer first; as the file's own type (TypeUnknown), it is decoded
    // straight into the caller's.
    const bool oneType = header.channelformats.empty();
    const OIIO::TypeDesc stored = header.format;
    if (oneType && type == stored)
        return input.read_image(subimage, 0, 0, channels, OIIO::TypeUnknown, buffer);
    const int rowsAtATime = std::min(RowsAtATime, header.height);
    const std::size_t storedRow = std::size_t(header.width) * std::size_t(channels) * stored.size();
    const std::size_t askedRow = std::size_t(header.width) * std::size_t(channels) * type.size();
    KeptRows kept;
    // Tiles and channels of mixed types are left to OpenImageIO.
    unsigned char* rows = oneType && header.tile_width == 0 ? kept.reserve(storedRow * std::size_t(rowsAtATime))
                                                            : nullptr;
    if (!rows)
        return input.read_image(subimage, 0, 0, channels, type, buffer);
    auto* out = static_cast<unsigned char*>(buffer);
    for (int row = 0; row < header.height; row += rowsAtATime) {
        const int count = std::min(rowsAtATime, header.height - row);
        const int first = header.y + row;
        if (!input.read_scanlines(subimage, 0, first, first + count, header.z, 0, channels, OIIO::TypeUnknown, rows)
            || !convertRows(rows, stored, out + std::size_t(row) * askedRow, type, header.width, count, channels))
            return false;
    }
    return true;
}

} // namespace ImageKit
