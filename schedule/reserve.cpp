#include "schedule/reserve.h"
#include "app/heap.h"
#include <string.h>

const char *const WeekdayNames[7] = { "日", "月", "火", "水", "木", "金", "土" };

ReserveMode ReserveEntryMode(const ReserveEntry *entry)
{
    if (entry->Day >= 1 && entry->Day <= 31)
        return ReserveModeDate;
    if (entry->Day == ReserveDayDaily)
        return ReserveModeDaily;
    return ReserveModeWeekly;
}

bool ReserveListPush(ReserveList *list, ReserveEntry *entry)
{
    if (list->Count % ReserveListGrowth == 0) {
        size_t slots = list->Count + ReserveListGrowth;
        void *grown = HeapResizeZero(list->Items, slots * sizeof(ReserveEntry *));
        if (!grown)
            return false;
        list->Items = (ReserveEntry **)grown;
    }
    list->Items[list->Count++] = entry;
    return true;
}

void ReserveListRemove(ReserveList *list, uint32_t index)
{
    if (index >= list->Count)
        return;
    ReserveEntryFree(&list->Items[index]);
    memmove(&list->Items[index], &list->Items[index + 1],
            (list->Count - index - 1) * sizeof(ReserveEntry *));
    list->Count--;
    list->Items[list->Count] = NULL;
}

void ReserveListReplace(ReserveList *list, uint32_t index, ReserveEntry *entry)
{
    if (index >= list->Count)
        return;
    ReserveEntryFree(&list->Items[index]);
    list->Items[index] = entry;
}

void ReserveListClear(ReserveList *list)
{
    for (uint32_t i = 0; i < list->Count; i++)
        ReserveEntryFree(&list->Items[i]);
    HeapFreeBlock(list->Items);
    list->Items = NULL;
    list->Count = 0;
}

bool ReserveEntryCopy(ReserveEntry **slot, const ReserveEntry *source)
{
    ReserveEntry *copy = (ReserveEntry *)HeapAllocZero(sizeof(ReserveEntry));
    if (!copy)
        return false;
    *copy = *source;
    copy->Title = source->Title ? HeapStrDup(source->Title) : NULL;
    copy->SavePath = source->SavePath ? HeapStrDup(source->SavePath) : NULL;
    copy->Format = NULL;
    if (source->Format) {
        size_t size = HeapBlockSize(source->Format);
        copy->Format = (BYTE *)HeapAllocZero(size);
        if (copy->Format)
            memcpy(copy->Format, source->Format, size);
    }
    if ((source->Title && !copy->Title) || (source->SavePath && !copy->SavePath) ||
        (source->Format && !copy->Format)) {
        ReserveEntryFree(&copy);
        return false;
    }
    *slot = copy;
    return true;
}

void ReserveEntryFree(ReserveEntry **slot)
{
    ReserveEntry *entry = *slot;
    if (!entry)
        return;
    HeapFreeBlock(entry->Title);
    HeapFreeBlock(entry->SavePath);
    HeapFreeBlock(entry->Format);
    HeapFreeBlock(entry);
    *slot = NULL;
}

void SetDefaultFormat(WAVEFORMATEX *format)
{
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = 1;
    format->nSamplesPerSec = 22050;
    format->nAvgBytesPerSec = 22050;
    format->nBlockAlign = 1;
    format->wBitsPerSample = 8;
    format->cbSize = 0;
}

ReserveEntry *ReserveEntryCreate(size_t formatBlockSize)
{
    if (formatBlockSize < sizeof(WAVEFORMATEX))
        formatBlockSize = sizeof(WAVEFORMATEX);
    ReserveEntry *entry = (ReserveEntry *)HeapAllocZero(sizeof(ReserveEntry));
    if (!entry)
        return NULL;
    entry->Title = HeapStrDup("");
    entry->SavePath = HeapStrDup("");
    entry->Format = (BYTE *)HeapAllocZero(formatBlockSize);
    if (!entry->Title || !entry->SavePath || !entry->Format) {
        ReserveEntryFree(&entry);
        return NULL;
    }
    entry->Enabled = 1;
    entry->Preset = 1;
    entry->RiffHeader = 1;
    SetDefaultFormat((WAVEFORMATEX *)entry->Format);
    return entry;
}

size_t FormatLength(const BYTE *format)
{
    return sizeof(WAVEFORMATEX) + ((const WAVEFORMATEX *)format)->cbSize;
}

bool FormatBlockValid(const BYTE *format)
{
    size_t size = HeapBlockSize(format);
    return format && size >= sizeof(WAVEFORMATEX) && size >= FormatLength(format);
}
