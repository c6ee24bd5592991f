// Listening for sound in what the recording device delivers.
#include "recorder/silence.h"
#include "app/appstate.h"

bool PcmHasSound(const BYTE *bytes, DWORD length, WORD bitsPerSample)
{
    if (bitsPerSample == 8) {
        for (DWORD i = 0; i < length; i++)
            if (bytes[i] > 129 || bytes[i] < 127)
                return true;
        return false;
    }
    DWORD width = bitsPerSample / 8u;
    if (width < 2 || width > 4 || bitsPerSample % 8 != 0)
        return false;
    // Full scale is 2^(bits - 1); an eighth of a percent of it is 2^(bits - 8).
    long long limit = 1LL << (bitsPerSample - 8);
    for (DWORD at = 0; at + width <= length; at += width) {
        long long sample = (signed char)bytes[at + width - 1];
        for (DWORD b = width - 1; b-- > 0;)
            sample = sample * 256 + bytes[at + b];
        if (sample > limit || sample < -limit)
            return true;
    }
    return false;
}

void NoteCapturedLevel(const BYTE *bytes, DWORD length)
{
    if (!App.CaptureLoud && PcmHasSound(bytes, length, App.CaptureFormat.wBitsPerSample))
        App.CaptureLoud = TRUE;
}
