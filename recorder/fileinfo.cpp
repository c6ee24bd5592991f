// What a finished WAVE file says of itself: the programme's name, the date,
// the station and the times, and the program that made it, in a LIST "INFO"
// chunk behind the audio.
#include "app/appstate.h"
#include "settings/settings.h"
#include "version.h"
#include "schedule/clock.h"
#include <stdio.h>
#include <string.h>

static const char Software[] = "TALVO レコーダー " TALVO_VERSION_TEXT;

static void PutLe32(BYTE *at, DWORD value)
{
    at[0] = (BYTE)value;
    at[1] = (BYTE)(value >> 8);
    at[2] = (BYTE)(value >> 16);
    at[3] = (BYTE)(value >> 24);
}

// One sub-chunk: its id, the text with its terminating zero, a pad byte to
// an even length. An empty text writes nothing.
static bool PutInfoText(BYTE *out, DWORD *at, const char *id, const char *text)
{
    if (!text || !text[0])
        return true;
    size_t length = WholeCharactersWithin(text, InfoTextBytes);
    DWORD size = (DWORD)length + 1;
    DWORD whole = 8 + size + (size & 1);
    if (*at + whole > RecordingInfoBytes)
        return false;
    memcpy(out + *at, id, 4);
    PutLe32(out + *at + 4, size);
    memcpy(out + *at + 8, text, length);
    memset(out + *at + 8 + length, 0, whole - 8 - length);
    *at += whole;
    return true;
}

DWORD BuildInfoChunk(const RecordingInfoTexts *texts, BYTE out[RecordingInfoBytes])
{
    DWORD at = 12;
    if (!PutInfoText(out, &at, "INAM", texts->Title) || !PutInfoText(out, &at, "ICRD", texts->Date) ||
        !PutInfoText(out, &at, "ICMT", texts->Comment) || !PutInfoText(out, &at, "ISFT", texts->Software))
        return 0;
    memcpy(out, "LIST", 4);
    PutLe32(out + 4, at - 8);
    memcpy(out + 8, "INFO", 4);
    return at;
}

// The station of a preset: its name and frequency as far as they are known,
// else its number.
static void StationText(int preset, char *text, size_t size)
{
    int32_t frequency = preset >= 1 && preset <= PresetCount ? App.PresetTable[preset - 1].Frequency : 0;
    char band[32] = "";
    if (frequency > 0)
        FormatFrequency(frequency, band, sizeof band);
    int station = frequency > 0 ? FindStationByFrequency(frequency) : -1;
    if (station >= 0)
        snprintf(text, size, "%s %s", App.StationNameTable.Items[station].Name, band);
    else if (band[0])
        snprintf(text, size, "%s", band);
    else
        snprintf(text, size, "プリセット %d", preset);
}

void ComposeRecordingTags(const ReserveEntry *entry)
{
    SYSTEMTIME now;
    ReadLocalTime(&now);
    char date[16], comment[InfoTextBytes];
    RecordingInfoTexts texts;
    ComposeRecordingInfo(entry, &now, date, comment, &texts);
    RecordingTagTexts *tags = &App.RecordingTags;
    size_t title = WholeCharactersWithin(texts.Title, InfoTextBytes);
    memcpy(tags->Title, texts.Title, title);
    tags->Title[title] = '\0';
    snprintf(tags->Date, sizeof tags->Date, "%s", date);
    snprintf(tags->Comment, sizeof tags->Comment, "%s", comment);
    snprintf(tags->Software, sizeof tags->Software, "%s", Software);
}

void ComposeRecordingInfo(const ReserveEntry *entry, const SYSTEMTIME *start, char date[16],
                          char comment[InfoTextBytes], RecordingInfoTexts *texts)
{
    // The programme's date: a recording begins a few seconds ahead of its
    // programme, which for a midnight programme is still the day before.
    FILETIME instant;
    SYSTEMTIME day = *start;
    if (SystemTimeToFileTime(start, &instant)) {
        instant = FileTimeAdd(&instant, (LONGLONG)StartLead);
        FileTimeToSystemTime(&instant, &day);
    }
    snprintf(date, 16, "%04u-%02u-%02u", day.wYear % 10000u, day.wMonth % 100u, day.wDay % 100u);
    char station[64];
    StationText(entry->Preset, station, sizeof station);
    snprintf(comment, InfoTextBytes, "%s %02u:%02u-%02u:%02u", station, entry->StartHour % 100u,
             entry->StartMinute % 100u, entry->EndHour % 100u, entry->EndMinute % 100u);
    texts->Title = entry->Title ? entry->Title : "";
    texts->Date = date;
    texts->Comment = comment;
    texts->Software = Software;
}
