// What the display shows for the stereo's status: the texts of its two lines
// and its pictogram.
#include "panel/panel.h"
#include "app/appstate.h"
#include <stdio.h>
#include <string.h>

static const char SourceNames[][9] = { "", "CD      ", "MD      ", "TAPE/AUX", "PC USB  " };

void FormatClockLine(const SYSTEMTIME *time, char *text, size_t size)
{
    int hour = time->wHour % 12;
    snprintf(text, size, " %s %2d%s%02d", time->wHour < 12 ? "AM" : "PM", hour == 0 ? 12 : hour,
             time->wMilliseconds < 500 ? ":" : " ", time->wMinute);
}

static void FormatTunerLines(const DeviceStatus *status, int stationIndex, DisplayContent *content)
{
    snprintf(content->Line1, sizeof content->Line1, "%s%02d    ", status->Band == 1 ? "AM" : "FM", status->Preset);
    if (status->Preset == 0)
        content->Line1[2] = content->Line1[3] = '-';
    if (stationIndex >= 0 && (uint32_t)stationIndex < App.StationNameTable.Count) {
        const StationName &station = App.StationNameTable.Items[stationIndex];
        size_t length = strnlen(station.Name, sizeof station.Name);
        if (length >= sizeof content->StationName)
            length = sizeof content->StationName - 1;
        memcpy(content->StationName, station.Name, length);
        content->StationName[length] = '\0';
        if (length > 0)
            return;
    }
    unsigned d3 = (status->Frequency >> 12) & 0xF, d2 = (status->Frequency >> 8) & 0xF;
    unsigned d1 = (status->Frequency >> 4) & 0xF, d0 = status->Frequency & 0xF;
    if (status->Band == 1)
        snprintf(content->Line2, sizeof content->Line2, "   %4ukHz", d3 * 1000 + d2 * 100 + d1 * 10 + d0);
    else
        snprintf(content->Line2, sizeof content->Line2, "  %2u.%u%uMHz", d3 * 10 + d2, d1, d0);
}

static void FormatInputLine(int32_t level, DisplayContent *content)
{
    if (level == 0)
        snprintf(content->Line2, sizeof content->Line2, "INPUT    0");
    else
        snprintf(content->Line2, sizeof content->Line2, "INPUT   %s%ld", level > 0 ? "+" : "-",
                 (long)(level > 0 ? level : -(int64_t)level));
}

void ComposeDisplayContent(const DeviceStatus *status, BOOL volumeDisplay, BOOL inputDisplay, int stationIndex,
                           const SYSTEMTIME *time, DisplayContent *content)
{
    memset(content, 0, sizeof *content);
    content->PictogramKind = PictogramNone;
    if (volumeDisplay) {
        snprintf(content->Line1, sizeof content->Line1, "VOLUME  ");
        snprintf(content->Line2, sizeof content->Line2, "        %2u", status->Volume);
        content->PictogramKind = PictogramVolume;
        content->PictogramValue = status->Volume;
        return;
    }
    switch (status->Source) {
    case 0:
        FormatTunerLines(status, stationIndex, content);
        content->PictogramKind = PictogramMast;
        content->PictogramValue = status->TuneManual;
        return;
    case 1:
        snprintf(content->Line1, sizeof content->Line1, "CD      ");
        snprintf(content->Line2, sizeof content->Line2, "NO DISC  ");
        content->PictogramKind = PictogramDisc;
        return;
    case 2:
    case 3:
    case 4:
        snprintf(content->Line1, sizeof content->Line1, "%s", SourceNames[status->Source]);
        if (inputDisplay && status->Source != 4)
            FormatInputLine(status->InputLevel, content);
        else
            content->ClockLine = true;
        content->PictogramKind = PictogramClock;
        content->PictogramValue = time->wHour * 60 + time->wMinute;
        return;
    }
}
