// Check of the progress dialog's clip before the animation control is given it: the
// control trusts the clip's headers (frame counts, picture size, colour table) and
// faults inside the dialog's thread when they do not fit the file. No Windows
// headers: built and tested on the host.
#pragma once
#include <cstddef>
#include <string>

// Largest clip file, in bytes, that is read and checked at all.
const size_t CLIP_FILE_MAX = 16u * 1024u * 1024u;

// Largest picture, in pixels each way, that a clip may describe.
const long CLIP_PICTURE_MAX = 4096;

// Why the clip must not be handed to the animation control, as the end of the
// sentence "<clip> is not played: ..."; empty when it is a RIFF AVI whose headers fit
// inside the file and describe a clip the control can play: a first stream of
// uncompressed or RLE8 video frames, bottom-up, with as many frames in the file as the
// main header counts, each holding a whole picture.
std::wstring ClipRefusal(const unsigned char* data, size_t size);
