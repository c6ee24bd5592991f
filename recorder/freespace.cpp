// Whether a recording will fit: its size estimated from the format's byte
// rate, and the free space of the disk it goes to.
#include "app/appstate.h"
#include "recorder/ownformats.h"

ULONGLONG EstimateRecordingBytes(const BYTE *format, ULONGLONG seconds)
{
    if (!format || !FormatBlockValid(format))
        return 0;
    const WAVEFORMATEX *target = (const WAVEFORMATEX *)format;
    DWORD own = OwnFormatBytesPerSecond(target);
    if (own)
        return (ULONGLONG)own * seconds + 4096 + RecordingInfoBytes;
    // The header and the closing LIST chunk are small beside the audio.
    return (ULONGLONG)target->nAvgBytesPerSec * seconds + FormatLength(format) + 44 + RecordingInfoBytes;
}

bool FreeSpaceFor(const char *path, ULONGLONG *available)
{
    if (App.FreeSpaceLimit) {
        *available = App.FreeSpaceLimit;
        return true;
    }
    char folder[SavePathBytes];
    SplitPath(path, folder, NULL);
    ULARGE_INTEGER free = {}, total = {}, totalFree = {};
    // A path without a folder lies in the current one.
    if (!GetDiskFreeSpaceExA(folder[0] ? folder : NULL, &free, &total, &totalFree))
        return false;
    *available = free.QuadPart;
    return true;
}
