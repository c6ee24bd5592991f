// How long saving the reservations takes for 20 and for 1,000 of them: the
// save replaces TALVORec.ini whole (copy, write, flush, replace), and a
// thousand must not cost much more than the twenty a user usually keeps.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "app/appstate.h"
#include "app/heap.h"
#include "benchfolder.h"
#include "benchtimer.h"
#include "settings/settings.h"

static void FillReservations(int count)
{
    ReserveListClear(&App.ReserveList);
    for (int i = 0; i < count; i++) {
        ReserveEntry *entry = ReserveEntryCreate(0);
        if (!entry)
            return;
        char text[160];
        snprintf(text, sizeof text, "週間番組 その%d 再放送を含む長めの名前", i);
        HeapFreeBlock(entry->Title);
        entry->Title = HeapStrDup(text);
        snprintf(text, sizeof text, "D:\\ラジオ\\番組%d\\%%T_%%Y%%m%%d.wav", i);
        HeapFreeBlock(entry->SavePath);
        entry->SavePath = HeapStrDup(text);
        entry->StartHour = (uint16_t)(i % 24);
        ReserveListPush(&App.ReserveList, entry);
    }
}

int main()
{
    char folder[MAX_PATH];
    if (!MakeBenchFolder("settingssave", folder)) {
        printf("no folder\n");
        return 1;
    }
    snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder);
    static const int counts[] = { 20, 1000 };
    enum { Rounds = 20 };
    printf("SaveSettingsSection(RESERVE), %d rounds each (ms)\n", Rounds);
    printf("%8s %9s %9s %9s\n", "entries", "best", "mean", "file KB");
    for (int count : counts) {
        FillReservations(count);
        double best = 1e9, total = 0;
        bool saved = true;
        for (int round = 0; round < Rounds && saved; round++) {
            LARGE_INTEGER from, to, frequency;
            QueryPerformanceFrequency(&frequency);
            QueryPerformanceCounter(&from);
            saved = SaveSettingsSection(folder, SectionReserve);
            QueryPerformanceCounter(&to);
            double ms = 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
            total += ms;
            if (ms < best)
                best = ms;
        }
        char path[MAX_PATH];
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        SettingsFilePath(folder, path);
        GetFileAttributesExA(path, GetFileExInfoStandard, &data);
        if (!saved)
            printf("%8d  save failed\n", count);
        else
            printf("%8d %9.3f %9.3f %9lu\n", count, best, total / Rounds, (unsigned long)(data.nFileSizeLow / 1024));
    }
    RemoveBenchFolder(folder);
    return 0;
}
