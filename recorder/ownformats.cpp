// The MP3 and FLAC format records: making, checking and naming them.
#include "recorder/ownformats.h"
#include "recorder/recorder.h"
#include <stdio.h>
#include <string.h>

static bool Mp3RateKnown(DWORD rate)
{
    static const DWORD rates[] = { 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000 };
    for (DWORD known : rates)
        if (rate == known)
            return true;
    return false;
}

DWORD Mp3FrameBytes(DWORD kbps, DWORD rate)
{
    if (rate == 0)
        return 0;
    // MPEG-1 frames hold 1,152 samples, MPEG-2 and 2.5 ones 576.
    return (rate >= 32000 ? 144000 : 72000) * kbps / rate;
}

OwnFormat OwnFormatOf(const WAVEFORMATEX *format)
{
    if (!format || format->nChannels < 1 || format->nChannels > 2 || format->nSamplesPerSec == 0)
        return OwnFormatNone;
    if (format->wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
        DWORD kbps = format->nAvgBytesPerSec / 125;
        if (format->cbSize < MPEGLAYER3_WFX_EXTRA_BYTES || !Mp3RateKnown(format->nSamplesPerSec) ||
            kbps < 8 || kbps > 320 || format->nAvgBytesPerSec % 125)
            return OwnFormatNone;
        return OwnFormatMp3;
    }
    if (format->wFormatTag == WAVE_FORMAT_FLAC) {
        WORD bits = format->wBitsPerSample;
        if ((bits != 8 && bits != 16 && bits != 24) || format->nSamplesPerSec > 655350)
            return OwnFormatNone;
        return OwnFormatFlac;
    }
    return OwnFormatNone;
}

void MakeMp3Format(BYTE *out, DWORD kbps, WORD channels, DWORD rate)
{
    MPEGLAYER3WAVEFORMAT mp3;
    memset(&mp3, 0, sizeof mp3);
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = channels;
    mp3.wfx.nSamplesPerSec = rate;
    mp3.wfx.nAvgBytesPerSec = kbps * 125;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = (WORD)Mp3FrameBytes(kbps, rate);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = Mp3CodecDelay;
    memcpy(out, &mp3, sizeof mp3);
}

void MakeFlacFormat(WAVEFORMATEX *out, WORD channels, DWORD rate, WORD bits)
{
    memset(out, 0, sizeof *out);
    out->wFormatTag = WAVE_FORMAT_FLAC;
    out->nChannels = channels;
    out->nSamplesPerSec = rate;
    out->wBitsPerSample = bits;
    out->nBlockAlign = (WORD)(channels * (bits / 8));
    out->nAvgBytesPerSec = rate * out->nBlockAlign;
    out->cbSize = 0;
}

// 44100 as "44,100".
static void GroupedNumber(DWORD value, char *text, size_t size)
{
    if (value >= 1000)
        snprintf(text, size, "%lu,%03lu", (unsigned long)(value / 1000), (unsigned long)(value % 1000));
    else
        snprintf(text, size, "%lu", (unsigned long)value);
}

bool DescribeOwnFormat(const WAVEFORMATEX *format, char *tag, size_t tagSize, char *text, size_t textSize)
{
    OwnFormat own = OwnFormatOf(format);
    if (own == OwnFormatNone)
        return false;
    char rate[16];
    GroupedNumber(format->nSamplesPerSec, rate, sizeof rate);
    const char *channels = format->nChannels == 2 ? "ステレオ" : "モノラル";
    if (own == OwnFormatMp3) {
        snprintf(tag, tagSize, "MP3");
        snprintf(text, textSize, "%lu kbps; %s Hz; %s", (unsigned long)(format->nAvgBytesPerSec / 125), rate, channels);
    } else {
        snprintf(tag, tagSize, "FLAC");
        snprintf(text, textSize, "%s Hz; %u bits; %s", rate, format->wBitsPerSample, channels);
    }
    return true;
}

DWORD OwnFormatBytesPerSecond(const WAVEFORMATEX *format)
{
    switch (OwnFormatOf(format)) {
    case OwnFormatMp3:
        return format->nAvgBytesPerSec;
    case OwnFormatFlac:
        return (DWORD)((ULONGLONG)format->nAvgBytesPerSec * 60 / 100);
    default:
        return 0;
    }
}

bool ApplyFormatExtension(char *path, size_t size, const char *ext)
{
    size_t name = SplitPath(path, NULL, NULL);
    size_t length = strlen(path);
    // The last dot of the name part; Shift-JIS trail bytes are never a dot.
    const char *dot = strrchr(path + name, '.');
    size_t stem = length;
    if (dot) {
        if (_stricmp(dot, ".wav") != 0 && _stricmp(dot, ".raw") != 0)
            return true;
        stem = (size_t)(dot - path);
    }
    if (stem + strlen(ext) + 1 > size)
        return false;
    memcpy(path + stem, ext, strlen(ext) + 1);
    return true;
}
