// Naming, sizing and choosing a reservation's recording format, all in the
// Audio Compression Manager's terms.
#include "reserveui/reserveui.h"
#include "app/appstate.h"
#include "app/heap.h"
#include <mmsystem.h>
#include <msacm.h>
#include <stdio.h>
#include <string.h>

char CustomFormatName[CustomFormatNameBytes] = "ラジオの音質";

DWORD FormatBufferSize()
{
    DWORD largest = 0;
    if (acmMetrics(NULL, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR)
        largest = sizeof(WAVEFORMATEX);
    return largest > App.MaxFormatSize ? largest : App.MaxFormatSize;
}

bool ChooseReserveFormat(HWND dialog, BYTE *format, bool formatChosen, int editIndex)
{
    ACMFORMATCHOOSEA choose;
    memset(&choose, 0, sizeof choose);
    choose.cbStruct = sizeof choose;
    choose.hwndOwner = dialog;
    choose.pwfx = (WAVEFORMATEX *)format;
    choose.cbwfx = (DWORD)HeapBlockSize(format);
    choose.fdwEnum = ACM_FORMATENUMF_INPUT;
    if (formatChosen || editIndex != -1) {
        // The buffer already holds a format the user has: start from it.
        choose.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
    } else {
        // A new reservation starts from the user's own saved radio format.
        choose.pszName = CustomFormatName;
        choose.cchName = CustomFormatNameBytes;
    }
    return acmFormatChooseA(&choose) == MMSYSERR_NOERROR;
}
