// The edit dialog's menu of the formats the program encodes itself: MP3 at
// each bit rate, channel count and sample rate, FLAC at PCM's rates, bits
// and channels. Each item's command says which format it is.
#include "reserveui/reserveui.h"
#include "recorder/ownformats.h"
#include "recorder/recorder.h"
#include "res/resource.h"
#include <stdio.h>

static const DWORD Mp3Rates[] = { 32000, 44100, 48000 };
static const DWORD Mp3BitRates[] = { 64, 96, 128, 160, 192, 256, 320 };
static const DWORD FlacRates[] = { 8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000 };
static const WORD FlacBits[] = { 16, 24, 8 };
template <typename T, size_t N> static constexpr UINT Count(const T (&)[N]) { return (UINT)N; }

// Commands: 0x7000 + rate << 5 | bit rate << 1 | mono for MP3,
// 0x7800 + rate << 3 | bits << 1 | mono for FLAC.
enum : UINT { Mp3Commands = IDM_OWNFORMAT_FIRST, FlacCommands = IDM_OWNFORMAT_FIRST + 0x800 };

static UINT Mp3Command(UINT rate, UINT bitRate, bool mono)
{
    return Mp3Commands + (rate << 5 | bitRate << 1 | (mono ? 1 : 0));
}

static UINT FlacCommand(UINT rate, UINT bits, bool mono)
{
    return FlacCommands + (rate << 3 | bits << 1 | (mono ? 1 : 0));
}

bool OwnFormatForCommand(UINT command, BYTE *out)
{
    if (command >= Mp3Commands && command < FlacCommands) {
        UINT n = command - Mp3Commands, rate = n >> 5, bitRate = n >> 1 & 15;
        if (rate >= Count(Mp3Rates) || bitRate >= Count(Mp3BitRates))
            return false;
        MakeMp3Format(out, Mp3BitRates[bitRate], n & 1 ? 1 : 2, Mp3Rates[rate]);
        return true;
    }
    if (command >= FlacCommands && command <= IDM_OWNFORMAT_LAST) {
        UINT n = command - FlacCommands, rate = n >> 3, bits = n >> 1 & 3;
        if (rate >= Count(FlacRates) || bits >= Count(FlacBits))
            return false;
        MakeFlacFormat((WAVEFORMATEX *)out, n & 1 ? 1 : 2, FlacRates[rate], FlacBits[bits]);
        return true;
    }
    return false;
}

// Each item names its format the way the list and the dialog do.
static void AppendFormatItem(HMENU menu, UINT command)
{
    BYTE format[Mp3FormatBytes];
    char tag[8], text[64];
    if (OwnFormatForCommand(command, format) &&
        DescribeOwnFormat((const WAVEFORMATEX *)format, tag, sizeof tag, text, sizeof text))
        AppendMenuA(menu, MF_STRING, command, text);
}

static HMENU Mp3Menu()
{
    HMENU menu = CreatePopupMenu();
    for (UINT rate = 0; rate < Count(Mp3Rates); rate++) {
        HMENU rateMenu = CreatePopupMenu();
        for (UINT mono = 0; mono < 2; mono++) {
            if (mono)
                AppendMenuA(rateMenu, MF_SEPARATOR, 0, NULL);
            for (UINT bitRate = 0; bitRate < Count(Mp3BitRates); bitRate++)
                AppendFormatItem(rateMenu, Mp3Command(rate, bitRate, mono != 0));
        }
        char label[32];
        snprintf(label, sizeof label, "%lu,%03lu Hz", Mp3Rates[rate] / 1000, Mp3Rates[rate] % 1000);
        AppendMenuA(menu, MF_POPUP, (UINT_PTR)rateMenu, label);
    }
    return menu;
}

static HMENU FlacMenu()
{
    HMENU menu = CreatePopupMenu();
    for (UINT rate = 0; rate < Count(FlacRates); rate++) {
        HMENU rateMenu = CreatePopupMenu();
        for (UINT bits = 0; bits < Count(FlacBits); bits++)
            for (UINT mono = 0; mono < 2; mono++)
                AppendFormatItem(rateMenu, FlacCommand(rate, bits, mono != 0));
        char label[32];
        snprintf(label, sizeof label, "%lu,%03lu Hz", FlacRates[rate] / 1000, FlacRates[rate] % 1000);
        AppendMenuA(menu, MF_POPUP, (UINT_PTR)rateMenu, label);
    }
    return menu;
}

void ShowOwnFormatMenu(HWND dialog, const RECT *button)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    if (Mp3EncoderAvailable()) {
        AppendMenuA(menu, MF_POPUP, (UINT_PTR)Mp3Menu(), "MP3");
    } else {
        AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "MP3 (" Mp3LibraryName " がないため使えません)");
    }
    AppendMenuA(menu, MF_POPUP, (UINT_PTR)FlacMenu(), "FLAC");
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, button->left, button->bottom, 0, dialog, NULL);
    DestroyMenu(menu);
}
