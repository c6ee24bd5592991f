// The formats the program encodes itself, MP3 and FLAC, described in the
// one WAVEFORMATEX record a reservation keeps, as Windows describes them:
// MPEGLAYER3WAVEFORMAT for MP3, WAVE_FORMAT_FLAC with PCM's fields for
// FLAC. These tags never go through the Audio Compression Manager.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

enum {
    Mp3FormatBytes = sizeof(MPEGLAYER3WAVEFORMAT),  // 30
    Mp3CodecDelay = 1393,
};

enum OwnFormat { OwnFormatNone, OwnFormatMp3, OwnFormatFlac };
// Which of the program's own formats the record describes; a record that
// claims one but whose fields it cannot encode is none.
OwnFormat OwnFormatOf(const WAVEFORMATEX *format);
// An MPEG audio frame's length in bytes at the bit and sample rates, no padding.
DWORD Mp3FrameBytes(DWORD kbps, DWORD rate);
// The records; out holds Mp3FormatBytes / sizeof(WAVEFORMATEX).
void MakeMp3Format(BYTE *out, DWORD kbps, WORD channels, DWORD rate);
void MakeFlacFormat(WAVEFORMATEX *out, WORD channels, DWORD rate, WORD bits);
// "MP3" / "FLAC" and "128 kbps; 44,100 Hz; ステレオ": false for another format.
bool DescribeOwnFormat(const WAVEFORMATEX *format, char *tag, size_t tagSize, char *text, size_t textSize);
// The bytes a second of the format takes on the disk, as far as can be told
// beforehand (FLAC: 60 % of PCM).
DWORD OwnFormatBytesPerSecond(const WAVEFORMATEX *format);
// A recording's path with the extension of its format: a name ending in
// ".wav" or ".raw", or without one, gets ext (".mp3"); others are kept.
// False when the result does not fit in size bytes.
bool ApplyFormatExtension(char *path, size_t size, const char *ext);
