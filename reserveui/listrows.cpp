// The texts of one reservation's row in the list window.
#include "reserveui/reserveui.h"
#include "app/appstate.h"
#include <commctrl.h>
#include <stdio.h>

// A weekday that only a hand-edited settings file can hold shows as "?".
static const char *WeekdayName(unsigned weekday)
{
    return weekday < 7 ? WeekdayNames[weekday] : "?";
}

void PresetLabel(int preset, char *text, size_t size)
{
    if (preset >= 1 && preset <= PresetCount) {
        int32_t frequency = App.PresetTable[preset - 1].Frequency;
        int station = FindStationByFrequency(frequency);
        if (station >= 0) {
            snprintf(text, size, "%s", App.StationNameTable.Items[station].Name);
            return;
        }
        if (frequency > 0) {
            FormatFrequency(frequency, text, size);
            return;
        }
    }
    snprintf(text, size, "%02d", preset);
}

void DateLabel(const ReserveEntry *entry, char *text, size_t size)
{
    if (entry->Day == ReserveDayDaily)
        snprintf(text, size, "毎日");
    else if (entry->Day != 0)
        snprintf(text, size, "%d/%d(%s)", entry->Month, entry->Day, WeekdayName(entry->WeekdayFirst));
    else if (entry->WeekdayFirst == entry->WeekdayLast)
        snprintf(text, size, "毎%s曜日", WeekdayName(entry->WeekdayFirst));
    else
        snprintf(text, size, "%s-%s曜日", WeekdayName(entry->WeekdayFirst), WeekdayName(entry->WeekdayLast));
}

static void SetSubItemText(HWND listView, int index, int subItem, const char *text)
{
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = (char *)text;
    SendMessageA(listView, LVM_SETITEMTEXTA, (WPARAM)index, (LPARAM)&item);
}

bool SetReserveListItem(HWND listView, const ReserveEntry *entry, int index, bool insert)
{
    const char *title = entry->Title ? entry->Title : "";
    if (insert) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = (char *)title;
        if (SendMessageA(listView, LVM_INSERTITEMA, 0, (LPARAM)&item) < 0)
            return false;
    } else {
        SetSubItemText(listView, index, 0, title);
    }

    // The check box is the state image: 2 checked (enabled), 1 unchecked.
    LVITEMA state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(entry->Enabled ? 2 : 1);
    SendMessageA(listView, LVM_SETITEMSTATE, (WPARAM)index, (LPARAM)&state);

    char text[FormatDescriptionBytes];
    PresetLabel(entry->Preset, text, sizeof text);
    SetSubItemText(listView, index, 1, text);
    DateLabel(entry, text, sizeof text);
    SetSubItemText(listView, index, 2, text);
    snprintf(text, sizeof text, "%02d:%02d", entry->StartHour, entry->StartMinute);
    SetSubItemText(listView, index, 3, text);
    snprintf(text, sizeof text, "%02d:%02d", entry->EndHour, entry->EndMinute);
    SetSubItemText(listView, index, 4, text);
    text[0] = '\0';
    if (entry->Format)
        DescribeFormat((const WAVEFORMATEX *)entry->Format, false, text);
    SetSubItemText(listView, index, 5, text);
    return true;
}
