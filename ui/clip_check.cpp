#include "ui/clip_check.h"

#include <cstdint>

#include "framework/wstr.h"

namespace {

const uint32_t RIFF_ID = 0x46464952;  // "RIFF"
const uint32_t LIST_ID = 0x5453494C;  // "LIST"
const uint32_t AVI_TYPE = 0x20495641;  // "AVI "
const uint32_t HDRL_TYPE = 0x6C726468;  // "hdrl"
const uint32_t AVIH_ID = 0x68697661;  // "avih"
const uint32_t STRL_TYPE = 0x6C727473;  // "strl"
const uint32_t STRH_ID = 0x68727473;  // "strh"
const uint32_t STRF_ID = 0x66727473;  // "strf"
const uint32_t MOVI_TYPE = 0x69766F6D;  // "movi"
const uint32_t VIDS_TYPE = 0x73646976;  // "vids"
const uint32_t DIB_HANDLER = 0x20424944;  // "DIB "
const uint32_t RLE_HANDLER = 0x20454C52;  // "RLE "

const size_t CHUNK_HEADER = 8;
const size_t MAIN_HEADER_SIZE = 56;    // the avih fields up to the reserved words
const size_t STREAM_HEADER_SIZE = 56;  // the strh fields up to the frame rectangle
const size_t BITMAP_HEADER_SIZE = 40;
const uint32_t BI_RGB = 0;
const uint32_t BI_RLE8 = 1;

uint32_t U32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int32_t I32(const unsigned char* p) { return static_cast<int32_t>(U32(p)); }

struct Chunk {
    uint32_t id = 0;
    size_t data = 0;  // offset of the data (of a list: of its type)
    size_t size = 0;  // bytes of data
    size_t end() const { return data + size; }
};

// The clip as the system's RIFF reader walks it: chunks one after the other, each
// padded to an even length. Every chunk taken must fit inside its parent.
class RiffWalk {
public:
    RiffWalk(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}

    // The chunk at `at` if its header and data lie inside [at, end).
    bool ChunkAt(size_t at, size_t end, Chunk& chunk) const
    {
        if (at > end || end > m_size || end - at < CHUNK_HEADER) return false;
        chunk.id = U32(m_data + at);
        chunk.data = at + CHUNK_HEADER;
        chunk.size = U32(m_data + at + 4);
        return chunk.size <= end - chunk.data;
    }

    // The first chunk from `at` with this id (for a list: with this list type); false
    // when there is none, or a chunk on the way does not fit.
    bool Find(size_t at, size_t end, uint32_t id, uint32_t listType, Chunk& chunk) const
    {
        while (at < end) {
            if (!ChunkAt(at, end, chunk)) return false;
            if (chunk.id == id && (id != LIST_ID || (chunk.size >= 4 && U32(m_data + chunk.data) == listType)))
                return true;
            at = Next(chunk);
        }
        return false;
    }

    static size_t Next(const Chunk& chunk) { return chunk.end() + (chunk.size & 1); }
    const unsigned char* At(size_t offset) const { return m_data + offset; }

private:
    const unsigned char* m_data;
    size_t m_size;
};

std::wstring Missing(const wchar_t* what) { return std::wstring(what) + L" is missing or does not fit inside the file"; }

// The picture's bytes in one uncompressed frame: rows padded to four bytes.
uint64_t FrameBytes(uint32_t width, uint32_t height, uint32_t bits)
{
    return (static_cast<uint64_t>(width) * bits + 31) / 32 * 4 * height;
}

struct Format {
    uint32_t width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
};

std::wstring FormatRefusal(const RiffWalk& walk, const Chunk& strf, Format& format)
{
    if (strf.size < BITMAP_HEADER_SIZE) return L"its frame format header does not fit inside its chunk";
    const unsigned char* bih = walk.At(strf.data);
    uint32_t headerSize = U32(bih);
    int32_t width = I32(bih + 4), height = I32(bih + 8);
    uint16_t planes = U16(bih + 12);
    format.bits = U16(bih + 14);
    format.compression = U32(bih + 16);
    format.imageSize = U32(bih + 20);
    uint32_t coloursUsed = U32(bih + 32);
    if (headerSize < BITMAP_HEADER_SIZE || headerSize > strf.size) return L"its frame format header does not fit inside its chunk";
    if (width <= 0 || height <= 0 || width > CLIP_PICTURE_MAX || height > CLIP_PICTURE_MAX)
        return L"its picture is not a bottom-up picture of 1 to 4096 pixels each way";
    format.width = static_cast<uint32_t>(width);
    format.height = static_cast<uint32_t>(height);
    bool rgb = format.compression == BI_RGB && (format.bits == 1 || format.bits == 4 || format.bits == 8 ||
                                                format.bits == 16 || format.bits == 24 || format.bits == 32);
    bool rle8 = format.compression == BI_RLE8 && format.bits == 8;
    if (planes != 1 || !(rgb || rle8)) return L"its frames are neither uncompressed nor RLE8";
    uint64_t palette = format.bits <= 8 ? (uint64_t{1} << format.bits) : 0;
    if (format.bits <= 8 && coloursUsed > palette) return L"its colour table is larger than its colours";
    uint64_t colours = coloursUsed != 0 ? coloursUsed : palette;
    if (headerSize + colours * 4 > strf.size) return L"its colour table does not fit inside its frame format";
    return std::wstring();
}

}  // namespace

std::wstring ClipRefusal(const unsigned char* data, size_t size)
{
    if (data == nullptr || size > CLIP_FILE_MAX) return L"it is not a clip of at most 16 MB";
    RiffWalk walk(data, size);
    Chunk riff;
    if (!walk.ChunkAt(0, size, riff) || riff.id != RIFF_ID || riff.size < 4 || U32(walk.At(riff.data)) != AVI_TYPE)
        return L"it is not a RIFF AVI file that fits inside the file";

    Chunk hdrl, avih, strl, strh, strf, movi;
    if (!walk.Find(riff.data + 4, riff.end(), LIST_ID, HDRL_TYPE, hdrl)) return Missing(L"its header list");
    if (!walk.Find(hdrl.data + 4, hdrl.end(), AVIH_ID, 0, avih)) return Missing(L"its main header");
    if (avih.size < MAIN_HEADER_SIZE) return L"its main header is too short";
    uint32_t microSecondsPerFrame = U32(walk.At(avih.data));
    uint32_t frames = U32(walk.At(avih.data + 16));
    if (frames == 0) return L"its main header counts no frames";
    if (microSecondsPerFrame == 0) return L"its main header gives no frame time";

    if (!walk.Find(RiffWalk::Next(avih), hdrl.end(), LIST_ID, STRL_TYPE, strl)) return Missing(L"its stream list");
    if (!walk.Find(strl.data + 4, strl.end(), STRH_ID, 0, strh)) return Missing(L"its stream header");
    if (strh.size < STREAM_HEADER_SIZE) return L"its stream header is too short";
    uint32_t streamType = U32(walk.At(strh.data)), handler = U32(walk.At(strh.data + 4));
    if (streamType != VIDS_TYPE) return L"its first stream is not a video stream";
    if (handler != DIB_HANDLER && handler != RLE_HANDLER && handler != 0)
        return L"its frames need a decompressor";
    if (U32(walk.At(strh.data + 36)) > size) return L"its stream header asks for a frame buffer larger than the file";
    if (!walk.Find(RiffWalk::Next(strh), strl.end(), STRF_ID, 0, strf)) return Missing(L"its frame format");
    Format format;
    std::wstring refusal = FormatRefusal(walk, strf, format);
    if (!refusal.empty()) return refusal;

    if (!walk.Find(RiffWalk::Next(hdrl), riff.end(), LIST_ID, MOVI_TYPE, movi)) return Missing(L"its frame list");
    // The control takes the chunks of the frame list as the frames, as many as the main
    // header counts; each must hold a whole picture.
    uint64_t pictureBytes = FrameBytes(format.width, format.height, format.bits);
    size_t at = movi.data + 4, largest = 0;
    uint32_t found = 0;
    for (; found < frames && at < movi.end(); ++found) {
        Chunk frame;
        if (!walk.ChunkAt(at, movi.end(), frame)) break;
        if (format.compression == BI_RGB && frame.size < pictureBytes)
            return L"frame " + wstr::FromUnsigned(found + 1) + L" is smaller than its picture";
        if (frame.size > largest) largest = frame.size;
        at = RiffWalk::Next(frame);
    }
    if (found < frames)
        return L"its main header counts " + wstr::FromUnsigned(frames) + L" frames, the file holds " +
               wstr::FromUnsigned(found);
    if (format.compression == BI_RLE8 && (format.imageSize == 0 || format.imageSize > largest))
        return L"its RLE8 frame size is missing or larger than its frames";
    return std::wstring();
}
