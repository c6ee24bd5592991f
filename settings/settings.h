// TALVORec.ini: the stored tables and the loading and saving of one section.
// Nothing in settings/ touches a window: the main window's place is noted
// into App by app/placement.cpp before a save, and a failed save is told by
// app/savenotice.cpp.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <stddef.h>

enum SettingsSection {
    SectionWindow = 1,
    SectionReserve = 2,
    SectionReserveList = 3,
    SectionOption = 4,
    SectionFreq = 5,
    SectionStation = 6,
};

enum { PresetCount = 40, StationGrowth = 20, StationNameBytes = 12, ColumnCount = 6 };

struct PresetSlot {
    int32_t Enabled;    // offered as a station when editing a reservation
    int32_t Frequency;  // 0 none, < 1630 AM kHz, otherwise FM in 10 kHz
};

struct StationName {
    int32_t Frequency;
    char Name[StationNameBytes];
};

// Station names in the order they were added; frequencies need not be unique.
struct StationNameList {
    uint32_t Count;
    StationName *Items;
};

// Adjacent, in this order: the general options page addresses flag i as box 1022 + i.
struct OptionFlags {
    int32_t PowOnStart;
    int32_t PowOffEnd;
    int32_t PowOffEndRec;
    int32_t MuteRec;
    int32_t Notices;    // notices from the notification-area icon; on when the key is missing
    int32_t WakeRec;    // wake the PC from sleep for the next reservation; on when the key is missing
    int32_t StartInTray; // start with only the notification-area icon; off when the key is missing
};
enum { OptionFlagCount = 7 };
int32_t *OptionFlagAt(OptionFlags *flags, int index);

extern const char SettingsFileName[];

// Sets the section's defaults, then applies the section's lines from the file.
void LoadSettingsSection(const char *programFolder, SettingsSection section);
// Replaces the section in the file with the lines composed from the program's
// state, in one whole-or-nothing replacement of the file. False when the
// file could not be written.
bool SaveSettingsSection(const char *programFolder, SettingsSection section);
// Composes the section and writes it into the given file; a section loaded
// from several headers is left under one. False when it was not written.
bool WriteSettingsSection(const char *file, SettingsSection section);
// How sections are read from the file: GetPrivateProfileSectionA. The tests
// put a reader here that fails, as a damaged disk would.
typedef DWORD(WINAPI *SectionReader)(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file);
extern SectionReader ReadProfileSection;
// How a section short enough for it is written: WritePrivateProfileSectionA.
// The tests put a writer here that measures what it is given.
typedef BOOL(WINAPI *SectionWriter)(LPCSTR section, LPCSTR lines, LPCSTR file);
extern SectionWriter WriteProfileLines;
void ParseSettingsLine(SettingsSection section, const char *key, char *value);
const char *SettingsSectionName(SettingsSection section);
// programFolder + TALVORec.ini; false when it does not fit MAX_PATH.
bool SettingsFilePath(const char *programFolder, char path[MAX_PATH]);

// The WAVE file being recorded, kept in the section RECORDING while the
// recording runs. Saving is false when the file could not be written,
// loading when no recording was under way.
// What a results line says of the programme being recorded, kept beside
// the file's name so that a start after a crash logs it under its own
// title and times ("YYYY/MM/DD HH:MM:SS"; empty where not known).
enum { MarkerTitleBytes = 256, MarkerTimeBytes = 20 };
struct RecordingOccurrenceTexts {
    char Title[MarkerTitleBytes];
    char PlannedStart[MarkerTimeBytes];
    char PlannedEnd[MarkerTimeBytes];
    char RecordStart[MarkerTimeBytes];
};
bool SaveRecordingMarker(const char *programFolder, const char *recordingPath,
                         const RecordingOccurrenceTexts *occurrence = NULL);
// The programme the marked recording was of; false (all empty) when the
// marker does not say.
bool LoadRecordingOccurrence(const char *programFolder, RecordingOccurrenceTexts *occurrence);
bool LoadRecordingMarker(const char *programFolder, char *recordingPath, size_t size);
// Removes the section (and the file, when nothing else is left in it).
void ClearRecordingMarker(const char *programFolder);

// Cuts text at the first separator (a whole-character scan) and points *next
// past it; at the end of the text nothing changes.
void SplitToken(char *text, char **next, char separator);
// The bytes of text that fit in size - 1 (room for the terminating zero),
// ending at a whole character.
size_t WholeCharactersWithin(const char *text, size_t size);
// head followed by tail in path; false, with path untouched, when the two
// do not fit in MAX_PATH.
bool JoinWithinPath(const char *head, const char *tail, char path[MAX_PATH]);
// The whole file in a heap block with a terminating NUL; *length its bytes.
// None when it cannot be opened or read, or holds more than limit bytes;
// GetLastError then says which (ERROR_FILE_NOT_FOUND: there is no file).
char *ReadWholeFile(const char *path, DWORD limit, DWORD *length);
// Copies source to destination replacing every find (tried only at the start
// of a character) by replacement. Returns the result's length; with no
// destination it only measures.
size_t ReplaceAll(const char *source, char *destination, const char *find, const char *replacement);
void BytesToHex(const BYTE *bytes, size_t count, char *text);
// Decodes pairs of upper-case digits into (strlen(text) + 1) / 2 bytes;
// returns that count.
size_t HexToBytes(const char *text, BYTE *bytes);
// A leading decimal integer: blanks and one sign allowed, no digits gives 0.
int32_t ParseDecimal(const char *text);

// "FM %d.%02dMHz", "AM %dkHz" or "" for 0.
void FormatFrequency(int32_t frequency, char *text, size_t size);
int FindStationByFrequency(int32_t frequency);
int AddStation(const StationName *record);
void ClearStations();
// Copies name into a record's 12-byte field, cut at a whole character.
void SetStationName(StationName *record, const char *name);
