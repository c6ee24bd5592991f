// The station names, found by frequency.
#include "settings/settings.h"
#include "app/appstate.h"
#include "app/heap.h"
#include <string.h>

int FindStationByFrequency(int32_t frequency)
{
    const StationNameList &table = App.StationNameTable;
    for (uint32_t i = 0; i < table.Count; i++)
        if (table.Items[i].Frequency == frequency)
            return (int)i;
    return -1;
}

int AddStation(const StationName *record)
{
    StationNameList &table = App.StationNameTable;
    if (table.Count % StationGrowth == 0) {
        void *grown = HeapResizeZero(table.Items, (table.Count + StationGrowth) * sizeof(StationName));
        if (!grown)
            return 0;
        table.Items = (StationName *)grown;
    }
    table.Items[table.Count++] = *record;
    return 1;
}

void ClearStations()
{
    HeapFreeBlock(App.StationNameTable.Items);
    App.StationNameTable.Items = NULL;
    App.StationNameTable.Count = 0;
}

void SetStationName(StationName *record, const char *name)
{
    size_t length = 0;
    while (name[length]) {
        size_t step = (IsDBCSLeadByte((BYTE)name[length]) && name[length + 1]) ? 2 : 1;
        if (length + step > StationNameBytes - 1)
            break;
        length += step;
    }
    memset(record->Name, 0, sizeof record->Name);
    memcpy(record->Name, name, length);
}
