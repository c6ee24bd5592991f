// Loading and saving TALVORec.ini one section at a time through the
// private-profile functions.
#include "settings/settings.h"
#include "app/appstate.h"
#include "app/heap.h"
#include "settings/repeated.h"
#include "settings/safesave.h"
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

const char SettingsFileName[] = "TALVORec.ini";

static const char *const SectionNames[] = {
    "", "WINDOW", "RESERVE", "RESERVELIST", "OPTION", "FREQ", "STATION",
};

// The first read tries this many bytes and doubles until the section fits;
// far beyond any real file the section is given up.
enum : size_t {
    FirstReadSize = 16384,
    LargestReadSize = 16u << 20,
    // What WritePrivateProfileSectionA takes in one call, the lines with
    // their NULs, and what GetPrivateProfileSectionA gives.
    LongestProfileWrite = 65535,
    LongestProfileRead = 32767,
    LongestKey = 255,
    LongestValue = 1023,
};

SectionReader ReadProfileSection = GetPrivateProfileSectionA;
SectionWriter WriteProfileLines = WritePrivateProfileSectionA;

static const char Comma[] = ",";
static const char EscapedComma[] = "\\x2C";

const char *SettingsSectionName(SettingsSection section)
{
    return (section >= SectionWindow && section <= SectionStation) ? SectionNames[section] : "";
}

int32_t *OptionFlagAt(OptionFlags *flags, int index)
{
    switch (index) {
    case 0: return &flags->PowOnStart;
    case 1: return &flags->PowOffEnd;
    case 2: return &flags->PowOffEndRec;
    case 3: return &flags->MuteRec;
    case 4: return &flags->Notices;
    case 5: return &flags->WakeRec;
    case 6: return &flags->StartInTray;
    }
    return NULL;
}

bool SettingsFilePath(const char *programFolder, char path[MAX_PATH])
{
    // A bare file name would send the private-profile functions to the
    // Windows folder; without a program folder the file is the current
    // folder's.
    if (!programFolder[0])
        programFolder = ".\\";
    return JoinWithinPath(programFolder, SettingsFileName, path);
}

// ---- loading ----

static void SetSectionDefaults(SettingsSection section)
{
    static const int32_t defaultWidths[ColumnCount] = { 140, 80, 65, 40, 40, 240 };
    switch (section) {
    case SectionWindow:
        App.WindowLeft = App.WindowTop = App.TopMost = 0;
        break;
    case SectionReserveList:
        App.ReserveListRect.left = App.ReserveListRect.top = 0;
        App.ReserveListRect.right = App.ReserveListRect.bottom = (LONG)CW_USEDEFAULT;
        memcpy(App.ReserveListColumnWidths, defaultWidths, sizeof defaultWidths);
        break;
    case SectionOption:
        App.OptionFlags = OptionFlags{ 0, 0, 1, 1, 1, 1, 0 };
        break;
    case SectionFreq:
        memset(App.PresetTable, 0, sizeof App.PresetTable);
        break;
    case SectionReserve:
    case SectionStation:
        break;
    }
}

static void AddDefaultStations()
{
    static const struct { int32_t frequency; const char *name; } defaults[] = {
        { 594, "NHK 第1" },
        { 693, "NHK 第2" },
        { 810, "Eagle 810" },
        { 954, "TBSラジオ" },
        { 1134, "文化放送" },
        { 1242, "ﾆｯﾎﾟﾝ放送" },
        { 1422, "ラジオ日本" },
    };
    for (const auto &station : defaults) {
        StationName record;
        record.Frequency = station.frequency;
        SetStationName(&record, station.name);
        AddStation(&record);
    }
}

// Reads the whole section; the caller frees the buffer. None when the
// section cannot be read.
static char *ReadSection(const char *name, const char *path, DWORD *count)
{
    for (size_t size = FirstReadSize; size <= LargestReadSize; size *= 2) {
        char *buffer = (char *)HeapAllocZero(size);
        if (!buffer)
            return NULL;
        *count = ReadProfileSection(name, buffer, (DWORD)size, path);
        if (*count != size - 2)
            return buffer;
        HeapFreeBlock(buffer);
    }
    return NULL;
}

static const char *NextChar(const char *p)
{
    return (IsDBCSLeadByte((BYTE)*p) && p[1]) ? p + 2 : p + 1;
}

// Sections whose values carry the user's text: the key is a number and ends
// at the first "=", so an "=" in a programme or station name stays part of it.
static bool KeyEndsAtFirstEquals(SettingsSection section)
{
    return section == SectionReserve || section == SectionStation;
}

// A reservation line is as long as its texts; the other sections' values are
// short, and a longer one is refused.
static bool ValueTooLong(SettingsSection section, size_t length)
{
    return section != SectionReserve && length > LongestValue;
}

static void ApplyLine(SettingsSection section, char *line)
{
    char *key = NULL;
    char *piece = line;
    char *p = line;
    for (; *p; p = (char *)NextChar(p)) {
        if (*p != '=')
            continue;
        if (key && KeyEndsAtFirstEquals(section))
            continue;
        if ((size_t)(p - piece) <= LongestKey) {
            key = piece;
            *p = '\0';
        }
        piece = p + 1;
    }
    if (!key || ValueTooLong(section, (size_t)(p - piece)))
        return;
    ParseSettingsLine(section, key, piece);
}

// Lines end in NUL; an empty line (a second NUL) ends the section.
static void ApplyLines(SettingsSection section, char *buffer, DWORD count)
{
    char *end = buffer + count;
    for (char *line = buffer; line < end && *line;) {
        size_t length = strlen(line);
        ApplyLine(section, line);
        line += length + 1;
    }
}

void LoadSettingsSection(const char *programFolder, SettingsSection section)
{
    SetSectionDefaults(section);
    App.SectionUnreadable[section] = FALSE;
    App.SectionRepeated[section] = FALSE;
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path))
        return;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        if (section == SectionFreq)
            for (PresetSlot &slot : App.PresetTable)
                slot.Enabled = 1;
        else if (section == SectionStation)
            AddDefaultStations();
        return;
    }
    DWORD count = 0;
    const char *name = SettingsSectionName(section);
    char *buffer = ReadSection(name, path, &count);
    App.SectionUnreadable[section] = buffer == NULL;
    if (!buffer)
        return;
    // A section as long as one read gives may go on past it (a long list
    // of reservations): the file's own text gives it whole.
    if (count + 2 >= LongestProfileRead) {
        HeapFreeBlock(buffer);
        int headers = 0;
        buffer = ReadWholeSection(path, name, &count, &headers);
        App.SectionUnreadable[section] = buffer == NULL;
        App.SectionRepeated[section] = headers > 1;
        if (buffer)
            ApplyLines(section, buffer, count);
        HeapFreeBlock(buffer);
        return;
    }
    ApplyLines(section, buffer, count);
    HeapFreeBlock(buffer);
    // The same section under a second header: its lines count as well, in
    // the order the file has them.
    if (CountSectionHeaders(path, name) > 1) {
        App.SectionRepeated[section] = TRUE;
        buffer = ReadLaterSections(path, name, &count);
        App.SectionUnreadable[section] = buffer == NULL;
        if (buffer)
            ApplyLines(section, buffer, count);
        HeapFreeBlock(buffer);
    }
}

// ---- applying one line ----

// Walks the comma-separated fields of a value. A value with too few fields
// repeats its last field; one without a comma is a single field throughout.
struct FieldWalk {
    char *next;
};

static char *NextField(FieldWalk *walk)
{
    char *field = walk->next;
    SplitToken(field, &walk->next, ',');
    return field;
}

static char *UnescapedCopy(const char *text)
{
    size_t length = ReplaceAll(text, NULL, EscapedComma, Comma);
    char *copy = (char *)HeapAllocZero(length + 1);
    if (copy)
        ReplaceAll(text, copy, EscapedComma, Comma);
    return copy;
}

// The format block of a line; a block too short to hold its WAVEFORMATEX and
// extra bytes is replaced by the default format so the reservation survives.
static BYTE *DecodeFormat(const char *hex)
{
    size_t size = (strlen(hex) + 1) / 2;
    BYTE *block = (BYTE *)HeapAllocZero(size);
    if (!block)
        return NULL;
    HexToBytes(hex, block);
    if (FormatBlockValid(block)) {
        DWORD heapSize = (DWORD)HeapBlockSize(block);
        if (heapSize >= App.MaxFormatSize)
            App.MaxFormatSize = heapSize;
        return block;
    }
    HeapFreeBlock(block);
    block = (BYTE *)HeapAllocZero(sizeof(WAVEFORMATEX));
    if (block)
        SetDefaultFormat((WAVEFORMATEX *)block);
    return block;
}

static void ParseReserveLine(char *value)
{
    ReserveEntry *entry = (ReserveEntry *)HeapAllocZero(sizeof(ReserveEntry));
    if (!entry)
        return;
    FieldWalk walk = { value };
    entry->Enabled = ParseDecimal(NextField(&walk));
    entry->Title = UnescapedCopy(NextField(&walk));
    uint16_t *numbers[] = {
        &entry->Preset, &entry->Year, &entry->Month, &entry->Day,
        &entry->WeekdayFirst, &entry->WeekdayLast, &entry->StartHour,
        &entry->StartMinute, &entry->EndHour, &entry->EndMinute,
    };
    for (uint16_t *number : numbers)
        *number = (uint16_t)ParseDecimal(NextField(&walk));
    entry->SavePath = UnescapedCopy(NextField(&walk));
    entry->RiffHeader = ParseDecimal(NextField(&walk));
    entry->Format = DecodeFormat(NextField(&walk));
    if (!entry->Title || !entry->SavePath || !entry->Format || !ReserveListPush(&App.ReserveList, entry))
        ReserveEntryFree(&entry);
}

static void ParseWindowLine(const char *key, const char *value)
{
    if (strcmp(key, "Top") == 0)
        App.WindowTop = ParseDecimal(value);
    else if (strcmp(key, "Left") == 0)
        App.WindowLeft = ParseDecimal(value);
    else if (strcmp(key, "TopMost") == 0)
        App.TopMost = ParseDecimal(value);
}

static void ParseReserveListLine(const char *key, char *value)
{
    RECT &rect = App.ReserveListRect;
    if (strcmp(key, "Top") == 0)
        rect.top = ParseDecimal(value);
    else if (strcmp(key, "Left") == 0)
        rect.left = ParseDecimal(value);
    else if (strcmp(key, "Bottom") == 0)
        rect.bottom = ParseDecimal(value);
    else if (strcmp(key, "Right") == 0)
        rect.right = ParseDecimal(value);
    else if (strcmp(key, "ColumnWidth") == 0) {
        FieldWalk walk = { value };
        for (int32_t &width : App.ReserveListColumnWidths)
            width = ParseDecimal(NextField(&walk));
    }
}

static const char *const OptionKeys[OptionFlagCount] = {
    "PowOnStart", "PowOffEnd", "PowOffEndRec", "MuteRec", "Notices", "WakeRec", "StartInTray",
};

static void ParseOptionLine(const char *key, const char *value)
{
    for (int i = 0; i < OptionFlagCount; i++)
        if (strcmp(key, OptionKeys[i]) == 0)
            *OptionFlagAt(&App.OptionFlags, i) = ParseDecimal(value);
}

static void ParseFreqLine(const char *key, char *value)
{
    int32_t index = ParseDecimal(key);
    if (index < 0 || index >= PresetCount)
        return;
    FieldWalk walk = { value };
    App.PresetTable[index].Enabled = ParseDecimal(NextField(&walk));
    App.PresetTable[index].Frequency = ParseDecimal(NextField(&walk));
}

static void ParseStationLine(const char *key, const char *value)
{
    StationName record;
    record.Frequency = ParseDecimal(key);
    SetStationName(&record, value);
    AddStation(&record);
}

void ParseSettingsLine(SettingsSection section, const char *key, char *value)
{
    switch (section) {
    case SectionWindow:      ParseWindowLine(key, value); break;
    case SectionReserve:     ParseReserveLine(value); break;
    case SectionReserveList: ParseReserveListLine(key, value); break;
    case SectionOption:      ParseOptionLine(key, value); break;
    case SectionFreq:        ParseFreqLine(key, value); break;
    case SectionStation:     ParseStationLine(key, value); break;
    }
}

// ---- saving ----

// The lines of a section, each NUL-terminated, in a heap block that grows.
struct SectionText {
    char *data;
    size_t length;
    size_t capacity;
    bool failed;
};

static bool Reserve(SectionText *text, size_t more)
{
    if (text->failed)
        return false;
    if (text->length + more + 2 <= text->capacity)
        return true;
    size_t capacity = text->capacity ? text->capacity : FirstReadSize;
    while (capacity < text->length + more + 2)
        capacity *= 2;
    char *grown = (char *)HeapResizeZero(text->data, capacity);
    if (!grown) {
        text->failed = true;
        return false;
    }
    text->data = grown;
    text->capacity = capacity;
    return true;
}

static void AddLine(SectionText *text, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int needed = vsnprintf(NULL, 0, format, args);
    va_end(args);
    if (needed < 0 || !Reserve(text, (size_t)needed + 1))
        return;
    va_start(args, format);
    vsnprintf(text->data + text->length, (size_t)needed + 1, format, args);
    va_end(args);
    text->length += (size_t)needed + 1;
}

// The main window's place as the application last noted it.
static void ComposeWindow(SectionText *text)
{
    AddLine(text, "%s=%d", "Top", (int)App.WindowTop);
    AddLine(text, "%s=%d", "Left", (int)App.WindowLeft);
    AddLine(text, "%s=%d", "TopMost", (int)App.TopMost);
}

static void ComposeReserveList(SectionText *text)
{
    const RECT &rect = App.ReserveListRect;
    const int32_t *w = App.ReserveListColumnWidths;
    AddLine(text, "%s=%d", "Top", (int)rect.top);
    AddLine(text, "%s=%d", "Left", (int)rect.left);
    AddLine(text, "%s=%d", "Bottom", (int)rect.bottom);
    AddLine(text, "%s=%d", "Right", (int)rect.right);
    AddLine(text, "%s=%d,%d,%d,%d,%d,%d", "ColumnWidth",
            (int)w[0], (int)w[1], (int)w[2], (int)w[3], (int)w[4], (int)w[5]);
}

static void ComposeOption(SectionText *text)
{
    for (int i = 0; i < OptionFlagCount; i++)
        AddLine(text, "%s=%d", OptionKeys[i], (int)*OptionFlagAt(&App.OptionFlags, i));
}

static char *EscapedCopy(const char *source)
{
    if (!source)
        source = "";
    size_t length = ReplaceAll(source, NULL, Comma, EscapedComma);
    char *copy = (char *)HeapAllocZero(length + 1);
    if (copy)
        ReplaceAll(source, copy, Comma, EscapedComma);
    return copy;
}

static char *FormatHex(const BYTE *format)
{
    size_t length = 0;
    if (format) {
        length = FormatLength(format);
        size_t size = HeapBlockSize(format);
        if (length > size)
            length = size;
    }
    char *hex = (char *)HeapAllocZero(2 * length + 1);
    if (hex)
        BytesToHex(format, length, hex);
    return hex;
}

static void ComposeReserve(SectionText *text)
{
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        const ReserveEntry *e = App.ReserveList.Items[i];
        char *title = EscapedCopy(e->Title);
        char *path = EscapedCopy(e->SavePath);
        char *hex = FormatHex(e->Format);
        if (title && path && hex)
            AddLine(text, "%d=%d,%s,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s,%d,%s", (int)i, (int)e->Enabled, title,
                    e->Preset, e->Year, e->Month, e->Day, e->WeekdayFirst, e->WeekdayLast, e->StartHour,
                    e->StartMinute, e->EndHour, e->EndMinute, path, (int)e->RiffHeader, hex);
        else
            text->failed = true;
        HeapFreeBlock(title);
        HeapFreeBlock(path);
        HeapFreeBlock(hex);
    }
}

static void ComposeFreq(SectionText *text)
{
    for (int i = 0; i < PresetCount; i++) {
        const PresetSlot &slot = App.PresetTable[i];
        if (slot.Enabled || slot.Frequency)
            AddLine(text, "%d=%d,%d", i, (int)slot.Enabled, (int)slot.Frequency);
    }
}

static void ComposeStation(SectionText *text)
{
    for (uint32_t i = 0; i < App.StationNameTable.Count; i++) {
        const StationName &record = App.StationNameTable.Items[i];
        char name[StationNameBytes + 1] = {};
        memcpy(name, record.Name, StationNameBytes - 1);
        AddLine(text, "%d=%s", (int)record.Frequency, name);
    }
}

bool WriteSettingsSection(const char *file, SettingsSection section)
{
    SectionText text = {};
    if (!Reserve(&text, 0))
        return false;
    switch (section) {
    case SectionWindow:      ComposeWindow(&text); break;
    case SectionReserve:     ComposeReserve(&text); break;
    case SectionReserveList: ComposeReserveList(&text); break;
    case SectionOption:      ComposeOption(&text); break;
    case SectionFreq:        ComposeFreq(&text); break;
    case SectionStation:     ComposeStation(&text); break;
    }
    bool written = false;
    // A section that could not be composed whole is not written: the file
    // keeps the lines it had rather than losing some of them.
    if (!text.failed) {
        text.data[text.length] = '\0';
        text.data[text.length + 1] = '\0';
        const char *name = SettingsSectionName(section);
        // Only a section loaded from several headers is gathered under one:
        // the others are written in their place, as always.
        int headers = App.SectionRepeated[section] ? CountSectionHeaders(file, name) : 1;
        // Past what one profile call takes, the section is put in the
        // file's text by the program itself (its other headers go too).
        if (text.length + 2 > LongestProfileWrite)
            written = WriteSectionText(file, name, text.data);
        else if (headers > 1)
            written = WriteSectionOnce(file, name, text.data, headers);
        else
            written = WriteProfileLines(name, text.data, file) != FALSE;
    }
    HeapFreeBlock(text.data);
    return written;
}

bool SaveSettingsSection(const char *programFolder, SettingsSection section)
{
    return SaveSettingsSections(programFolder, &section, 1);
}
