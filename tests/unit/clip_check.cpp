// The clip check: a well-formed clip is played; clips whose headers do not fit the
// file, or describe frames the animation control cannot draw, are refused with a
// reason. Clips are built here and damaged one field at a time.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/harness/check.h"
#include "ui/clip_check.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Offsets of the fields that the table below damages (a clip made by MakeClip).
const size_t RIFF_TYPE = 8, HDRL_TYPE = 20, AVIH_SIZE = 28, AVIH = 32, STRH = 108, STRF_SIZE = 168, BIH = 172;

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Append(Bytes& b, const char* id, const Bytes& data)
{
    b.insert(b.end(), id, id + 4);
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
}
Bytes List(const char* type, const Bytes& body)
{
    Bytes b(type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}
Bytes Words(std::initializer_list<uint32_t> words)
{
    Bytes b(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words) Put32(b, 4 * i++, w);
    return b;
}

// A clip of `frames` frames of 4 x 2 pixels: 8-bit uncompressed with 256 colours,
// 24-bit uncompressed, or 8-bit RLE8 (each frame one "end of picture" code).
enum Kind { RGB8, RGB24, RLE8 };
Bytes MakeClip(Kind kind, uint32_t frames = 2)
{
    const uint32_t width = 4, height = 2, bits = kind == RGB24 ? 24 : 8;
    Bytes frame = kind == RLE8 ? Bytes{0, 1} : Bytes((width * bits + 31) / 32 * 4 * height, 0);
    Bytes avih = Words({100000, 0, 0, 0x10, frames, 0, 1, 0, width, height, 0, 0, 0, 0});
    Bytes strh = Words({0x73646976, kind == RLE8 ? 0x20454C52u : 0x20424944u, 0, 0, 0, 1, 10, 0, frames,
                        static_cast<uint32_t>(frame.size()), 0xFFFFFFFF, 0, 0, height << 16 | width});
    Bytes strf = Words({40, width, height, 1 | bits << 16, kind == RLE8 ? 1u : 0u,
                        static_cast<uint32_t>(frame.size()), 0, 0, bits == 8 ? 256u : 0u, 0});
    if (bits == 8) strf.resize(strf.size() + 256 * 4, 0x40);
    Bytes strl, hdrl, movi, body, clip;
    Append(strl, "strh", strh);
    Append(strl, "strf", strf);
    Append(hdrl, "avih", avih);
    Append(hdrl, "LIST", List("strl", strl));
    for (uint32_t i = 0; i < frames; ++i) Append(movi, "00db", frame);
    Append(body, "LIST", List("hdrl", hdrl));
    Append(body, "LIST", List("movi", movi));
    Append(clip, "RIFF", List("AVI ", body));
    return clip;
}

std::wstring Refusal(const Bytes& clip) { return ClipRefusal(clip.data(), clip.size()); }

struct Row {
    const char* name;
    Kind kind;
    void (*damage)(Bytes&);
    const wchar_t* reason;  // a part of the expected reason; empty: played
};

const Row ROWS[] = {
    {"8-bit frames", RGB8, [](Bytes&) {}, L""},
    {"24-bit frames", RGB24, [](Bytes&) {}, L""},
    {"RLE8 frames", RLE8, [](Bytes&) {}, L""},
    {"bytes after the RIFF chunk", RGB8, [](Bytes& b) { b.resize(b.size() + 3, 0xFF); }, L""},
    {"frame count beyond the file", RGB8, [](Bytes& b) { Put32(b, AVIH + 16, 0x40000001); },
     L"counts 1073741825 frames, the file holds 2"},
    {"one frame too many", RGB8, [](Bytes& b) { Put32(b, AVIH + 16, 3); }, L"counts 3 frames, the file holds 2"},
    {"no frames", RGB8, [](Bytes& b) { Put32(b, AVIH + 16, 0); }, L"counts no frames"},
    {"no frame time", RGB8, [](Bytes& b) { Put32(b, AVIH, 0); }, L"no frame time"},
    {"half the file", RGB8, [](Bytes& b) { b.resize(b.size() / 2); }, L"not a RIFF AVI"},
    {"a wave file", RGB8, [](Bytes& b) { std::memcpy(&b[RIFF_TYPE], "WAVE", 4); }, L"not a RIFF AVI"},
    {"text", RGB8, [](Bytes& b) { b.assign({'[', 'x', ']', '\r', '\n'}); }, L"not a RIFF AVI"},
    {"nothing", RGB8, [](Bytes& b) { b.clear(); }, L"not a RIFF AVI"},
    {"no header list", RGB8, [](Bytes& b) { std::memcpy(&b[HDRL_TYPE], "hdrx", 4); }, L"header list is missing"},
    {"main header cut short", RGB8, [](Bytes& b) { Put32(b, AVIH_SIZE, 8); }, L"main header is too short"},
    {"main header beyond its list", RGB8, [](Bytes& b) { Put32(b, AVIH_SIZE, 0x10000); }, L"main header is missing"},
    {"sound stream", RGB8, [](Bytes& b) { std::memcpy(&b[STRH], "auds", 4); }, L"not a video stream"},
    {"codec frames", RGB8, [](Bytes& b) { std::memcpy(&b[STRH + 4], "cvid", 4); }, L"need a decompressor"},
    {"frame buffer beyond the file", RGB8, [](Bytes& b) { Put32(b, STRH + 36, 0x7FFFFFFF); }, L"frame buffer"},
    {"frame format cut short", RGB8, [](Bytes& b) { Put32(b, STRF_SIZE, 8); }, L"format header does not fit"},
    {"format header beyond its chunk", RGB8, [](Bytes& b) { Put32(b, BIH, 0x2000); }, L"format header does not fit"},
    {"picture larger than the frames", RGB8, [](Bytes& b) { Put32(b, BIH + 4, 3000); Put32(b, BIH + 8, 3000); },
     L"frame 1 is smaller than its picture"},
    {"32-bit picture in 8-bit frames", RGB8, [](Bytes& b) { Put16(b, BIH + 14, 32); },
     L"frame 1 is smaller than its picture"},
    {"rows padded to 4 bytes: 2 x 3 pixels need 12", RGB8, [](Bytes& b) { Put32(b, BIH + 4, 2); Put32(b, BIH + 8, 3); },
     L"frame 1 is smaller than its picture"},
    {"picture too wide", RGB8, [](Bytes& b) { Put32(b, BIH + 4, 5000); }, L"1 to 4096 pixels"},
    {"top-down picture", RGB8, [](Bytes& b) { Put32(b, BIH + 8, static_cast<uint32_t>(-2)); }, L"bottom-up"},
    {"no width", RGB8, [](Bytes& b) { Put32(b, BIH + 4, 0); }, L"1 to 4096 pixels"},
    {"RLE4 frames", RGB8, [](Bytes& b) { Put32(b, BIH + 16, 2); Put16(b, BIH + 14, 4); }, L"neither"},
    {"RLE8 at 24 bits", RGB24, [](Bytes& b) { Put32(b, BIH + 16, 1); }, L"neither"},
    {"two planes", RGB8, [](Bytes& b) { Put16(b, BIH + 12, 2); }, L"neither"},
    {"more colours than 8 bits", RGB8, [](Bytes& b) { Put32(b, BIH + 32, 0x01000000); }, L"larger than its colours"},
    {"colour table beyond its chunk", RGB24, [](Bytes& b) { Put32(b, BIH + 32, 16); }, L"does not fit inside its"},
    {"256 colours of 4 bytes in 40 + 512", RGB8, [](Bytes& b) { Put32(b, STRF_SIZE, 40 + 512); },
     L"does not fit inside its"},
    {"RLE8 without a frame size", RLE8, [](Bytes& b) { Put32(b, BIH + 20, 0); }, L"RLE8 frame size"},
    {"RLE8 frame size beyond the frames", RLE8, [](Bytes& b) { Put32(b, BIH + 20, 3); }, L"RLE8 frame size"},
    {"no frame list", RGB8, [](Bytes& b) { b[b.size() - 2 * 16 - 4] = 'x'; }, L"frame list is missing"},
    {"last frame beyond the file", RGB8, [](Bytes& b) { Put32(b, b.size() - 12, 9); }, L"the file holds 1"},
    {"last frame beyond its list, inside the file", RGB8,
     [](Bytes& b) {
         Put32(b, b.size() - 12, 16);
         Append(b, "idx1", Bytes(32, 0));
         Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
     },
     L"the file holds 1"},
};

void TestRows()
{
    for (const Row& row : ROWS) {
        check::Context context(row.name);
        Bytes clip = MakeClip(row.kind);
        row.damage(clip);
        std::wstring got = Refusal(clip);
        bool expected = *row.reason == L'\0' ? got.empty() : got.find(row.reason) != std::wstring::npos;
        ok(expected, "expected [%s], got [%s]\n", wn(std::wstring(row.reason)), wn(got));
    }
}

// Every clip that ends before its last byte is refused; so is a null buffer.
void TestEveryCut()
{
    Bytes clip = MakeClip(RGB8, 3);
    size_t played = 0;
    for (size_t n = 0; n < clip.size(); ++n)
        if (ClipRefusal(clip.data(), n).empty()) ++played;
    ok(played == 0, "%zu cut clips played\n", played);
    ok(!ClipRefusal(nullptr, 0).empty(), "null buffer played\n");
    ok(!ClipRefusal(clip.data(), CLIP_FILE_MAX + 1).empty(), "size above the limit played\n");
}

}  // namespace

int main()
{
    TestRows();
    TestEveryCut();
    return check::summary();
}
