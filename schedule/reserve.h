// The reservation record and the list that owns the reservations.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <stdint.h>

// One timer recording. The field order is also the field order of a RESERVE
// line in the settings file.
struct ReserveEntry {
    int32_t Enabled;        // 1 = takes part in scheduling
    char *Title;            // programme name, owned
    uint16_t Preset;        // tuner preset 1..40
    uint16_t Year;
    uint16_t Month;
    uint16_t Day;           // 1..31 date, 255 daily, anything else weekly
    uint16_t WeekdayFirst;  // 0 = Sunday
    uint16_t WeekdayLast;
    uint16_t StartHour;
    uint16_t StartMinute;
    uint16_t EndHour;
    uint16_t EndMinute;
    char *SavePath;         // path pattern with %Y %M %D %H %m %W %T %%, owned
    int32_t RiffHeader;     // 1 = RIFF/WAVE file, 0 = raw audio bytes
    BYTE *Format;           // WAVEFORMATEX + cbSize bytes (block may be longer), owned
};

// The owning, growable array of reservation pointers.
struct ReserveList {
    uint32_t Count;
    ReserveEntry **Items;
};

enum { ReserveListGrowth = 64, ReserveDayDaily = 255 };
enum ReserveMode { ReserveModeDate, ReserveModeDaily, ReserveModeWeekly };

// Sunday first: 日 月 火 水 木 金 土.
extern const char *const WeekdayNames[7];

ReserveMode ReserveEntryMode(const ReserveEntry *entry);

bool ReserveListPush(ReserveList *list, ReserveEntry *entry);
void ReserveListRemove(ReserveList *list, uint32_t index);
void ReserveListReplace(ReserveList *list, uint32_t index, ReserveEntry *entry);
void ReserveListClear(ReserveList *list);

// Deep copy into *slot; false (slot untouched) when the heap refuses.
bool ReserveEntryCopy(ReserveEntry **slot, const ReserveEntry *source);
void ReserveEntryFree(ReserveEntry **slot);

// The format a new reservation starts with: PCM, mono, 22,050 Hz, 8 bits.
void SetDefaultFormat(WAVEFORMATEX *format);
// A new reservation with the starting values and a format block of at least
// formatBlockSize bytes (never less than 18); none when the heap refuses.
ReserveEntry *ReserveEntryCreate(size_t formatBlockSize);
// True when the block holds a whole WAVEFORMATEX with its extra bytes.
bool FormatBlockValid(const BYTE *format);
// The meaningful length of a format block: 18 + cbSize.
size_t FormatLength(const BYTE *format);
