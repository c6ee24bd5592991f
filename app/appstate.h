// The one global record of the running program. Each group belongs to the
// subsystem named in its heading; a subsystem writes only its own group.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include "settings/settings.h"
#include "schedule/reserve.h"
#include "schedule/schedule.h"
#include "schedule/execute.h"
#include "schedule/results.h"
#include "device/device.h"
#include "recorder/recorder.h"
#include "panel/panel.h"
#include "app/notices.h"

struct OutputOps;
struct WakePowerCalls;

struct AppState {
    // ---- program and settings (app/, settings/) ----
    char ProgramFolder[MAX_PATH];   // with its trailing backslash, or empty
    HINSTANCE Instance;
    int32_t WindowLeft;
    int32_t WindowTop;
    int32_t TopMost;
    ::OptionFlags OptionFlags;
    PresetSlot PresetTable[PresetCount];
    StationNameList StationNameTable;
    RECT ReserveListRect;
    int32_t ReserveListColumnWidths[ColumnCount];
    DWORD MaxFormatSize;            // largest format block met while loading
    BOOL SectionUnreadable[SectionStation + 1]; // the start could not read it: the file's lines are kept
    BOOL SectionRepeated[SectionStation + 1];   // it stood under several headers: saved as one
    BOOL SettingsSaveFailing;       // the last save of the settings did not reach the disk (told once)
    BOOL StartedByRunEntry;         // started at sign-in by the Run entry (its own argument)
    BOOL WaitingForStereo;          // such a start found no stereo yet: it waits in the notification area
    int StartShow;                  // how the window is shown once the waited-for stereo answers

    // ---- reservations (schedule/) ----
    ::ReserveList ReserveList;
    ::ReserveList CopyBuffer;       // the list window's copies for paste
    NextReservationInfo NextReservation;
    ReserveStateValue ReserveState;
    ReserveEntry *ActiveReservation; // private copy of the entry being executed
    DWORD ActiveSerial;             // counts the reservations begun, so one can be told from the next
    FILETIME StoppedStart;          // the start instant of the occurrence the user stopped: not taken up again
    FILETIME SleptStart;            // the start instant of the occurrence a sleep cut: taken up on resume
    FILETIME ActiveEnd;
    FILETIME PrepareDeadline;       // the recording starts by then, stereo ready or not
    FILETIME PreparationLeftUntil;  // an ended reservation's preparation is given up then
    // The latest instant the schedule has been seen at: what began or passed
    // by then is not begun again after the clock is set back.
    FILETIME ScheduleSeenUntil;
    // What the PC was asked to stay awake for (app/awake.h); 0: nothing.
    DWORD AwakeFlags;
    // The PC's wake-up for the next reservation (app/wake.h): the timer, made
    // at its first use, and the UTC instant it was last set to; zero while
    // none is set.
    HANDLE WakeTimer;
    FILETIME WakeDue;
    // The last wake-up set succeeded but the PC said it cannot resume by it.
    BOOL WakeTimerUnsupported;
    BOOL WakeHindranceTold;         // the notice that the PC may sleep through a wake-up (once)
    // The power functions the wake check asks (app/wakecheck.h), for the
    // tests; none: the system's.
    const WakePowerCalls *WakePower;
    // The local time, for the tests' own clock; none: the system's.
    void (*ReadClock)(SYSTEMTIME *now);
    // What the active reservation's line in the results will say
    // (schedule/results.h): its occurrence's start instant, when it was
    // begun, when its recording started and whether the stereo was ready
    // then, and how it is ending.
    FILETIME ActiveStart;
    SYSTEMTIME ActiveBegunAt;
    SYSTEMTIME RecordingBegunAt;
    BOOL RecordingUnready;
    BOOL RecordingStartFailed;      // the recorder refused to start (App.StartFailure says why)
    BOOL ActiveStartedByHand;       // 直ちに録音開始: its programme starts at its begin
    ResultEnd ActiveEndHow;
    char ActiveTakenOverBy[64];     // the title of the reservation that took over
    BOOL ResultsUnwritable;         // the results file refused a line (told once)
    FILETIME LastRunningSaved;      // when the running moment was last written
    FILETIME KeptResultsTried;      // when lines kept aside were last offered to the file
    FILETIME AwaySince;             // the last running moment a start found; zero: none

    // ---- stereo (device/) ----
    HANDLE DeviceLink;
    ::DeviceStatus DeviceStatus;
    ::DeviceRequest DeviceRequest;
    uint8_t HoldoffTicks;
    HWND AcquireWindow;
    uint8_t AcquireAsked;           // the preset the acquisition is recalling
    int AcquireAsks;                // its recalls so far
    int FailedReads;                // status reads failed in a row, since the link was last opened
    BOOL StereoSilent;              // reads have failed for two seconds: the stereo does not answer

    // ---- recorder (recorder/) ----
    BOOL RecordingActive;
    BOOL ConvertActive;             // the target format is not PCM
    ::OutputKind OutputKind;        // the kind of file the recording writes
    const OutputOps *Output;        // its row of the output table (recorder/output.h)
    WAVEFORMATEX CaptureFormat;
    WORD CaptureBlockAlign;
    HWAVEIN CaptureDevice;
    WAVEHDR CaptureBuffers[CaptureBufferCount];
    DWORD CaptureBufferBytes;       // each buffer's size: half a second
    DWORD CaptureHandOver[CaptureBufferCount]; // when each buffer last went to the device
    DWORD CaptureSerial;
    BYTE *StagingBuffer;
    DWORD StagingLimit;             // staged bytes that trigger a write
    DWORD StagedBytes;
    uint64_t CapturedBytes;         // PCM bytes since the start, for "fact"
    // The recording device went away during the recording: it is opened
    // again when it comes back, and the gaps are added up for the results.
    WaveInOpenCall WaveInOpen;      // how the recording device is opened; none: waveInOpen
    HWND CaptureWindow;             // where the device reports its buffers
    BOOL CaptureLost;
    DWORD CaptureHeardAt;           // GetTickCount of the last buffer the device gave back
    DWORD CaptureLostAt;            // and of the moment it was found gone
    int CaptureRetryTicks;
    ULONGLONG CaptureGapMs;         // the recording's gaps together
    DWORD CaptureGaps;
    BOOL CaptureLoud;               // a sample beyond 1/128 of full scale was captured
    RecordingStartFailure StartFailure; // the step the last failed start stopped at
    DWORD StartError;               // the system's code for it
    HACMSTREAM ConvertStream;
    DWORD CodecBlockBytes;          // capture bytes one block of codec output takes
    BOOL ConvertStarted;            // the recording's first conversion is done
    StreamConvertCall ConvertCall;  // the codec call of each conversion; none: acmStreamConvert
    RawWriteCall RawWrite;          // how raw audio is written; none: WriteFile
    WaveFileWriter WaveFile;
    HANDLE RawFile;
    Mp3FileWriter Mp3File;
    FlacFileWriter FlacFile;
    RecordingTagTexts RecordingTags; // what an MP3 or FLAC recording's file says of itself
    BYTE *TargetFormat;             // the format block, for the recording's later files
    char RecordingPath[SavePathBytes]; // the first file; later ones add "_2", "_3", ...
    char PartPath[SavePathBytes];   // the file being written
    DWORD RecordingPart;            // 1 for the first file
    char RecordingBasePath[SavePathBytes]; // the expanded save path the numbers go after
    DWORD RecordingNumber;          // RecordingPath's: 1 unnumbered, 2 " (2)", ...
    uint64_t PartStartBytes;        // capture bytes whose audio went into earlier files
    DWORD PartLimit;                // file length that begins the next file; 0: WavePartLimit
    LPMMIOPROC WaveFileProc;        // I/O procedure the WAVE files go through; none: the system's
    BOOL WriteFailed;               // a write did not reach the disk: the recording must stop
    BOOL RecoveryMarked;            // the settings file names the file being written
    BYTE RecordingInfo[RecordingInfoBytes]; // the LIST chunk every file of the recording ends with
    DWORD RecordingInfoLength;      // 0: none (a raw recording)
    ULONGLONG FreeSpaceLimit;       // free bytes a disk is taken to have; 0: what the disk says

    // ---- windows and panel (app/, panel/) ----
    HWND MainWindow;
    HWND ReserveListWindow;
    HWND ResultsWindow;
    UINT Dpi;                       // the main window's DPI (app/dpi.h); 0 before it exists
    // Shows a recording in its folder, for the tests; none: the shell's.
    bool (*SelectInFolder)(const char *path);
    SYSTEMTIME LastTick;
    int PanelMode;                  // Source while on, 16 while off, 32 recording layout
    int StationIndex;               // station name of the current frequency, or -1
    BOOL VolumeDisplay;
    BOOL InputDisplay;
    int TempDisplayTicks;
    HWND NumberBox;                 // the P.CALL / D.SEARCH box
    HMENU PanelMenuResource;        // menus 116 and 117 as loaded, destroyed at exit
    HMENU TrayMenuResource;
    HMENU PanelMenu;                // their first submenus
    HMENU TrayMenu;
    HICON TrayIcons[3];             // stereo off, on, reservation running
    HICON NoticeIcon;               // the program's icon in the large size, for notices
    UINT TrayDpi;                   // the taskbar's DPI the icons above are made for
    // Tells a monitor's DPI, for the tests; none: GetDpiForMonitor.
    HRESULT (WINAPI *DpiForMonitor)(HMONITOR monitor, int kind, UINT *x, UINT *y);
    HIMAGELIST ButtonImages;
    HBITMAP LargeGlyphs;
    HBITMAP SmallGlyphs;
    HBITMAP Pictograms;
    HFONT PanelFont;
    HFONT PanelGothicFont;
    HFONT StationFont;
    HFONT PanelGuiFont;             // the keys' dialog font at a DPI other than the system's; none: the stock one
    PanelControls Panel;
    int HotButton;                  // key under the mouse, 0 when none
    int HeldButton;                 // key held with the left button, 0 when none
    int RepeatDelay;                // ticks before a held volume key repeats
    WNDPROC BaseButtonProc;
    BOOL ThemeActive;
    ThemeApi Theme;
    NOTIFYICONDATAA TrayData;
    // Hands a record to the notification area, for the tests; none: the shell's.
    BOOL (WINAPI *NotifyIcon)(DWORD message, PNOTIFYICONDATAA data);
    BOOL TrayIconPending;           // minimised into the tray, its icon not taken yet
    int TrayRetryTicks;             // ticks until the icon is offered again
    BOOL RecordingFailureShown;     // caption and tip tell of a recording a write error stopped
    // A reservation's begin or end under way (app/transition.h), and the
    // messages waiting for it to be done.
    int TransitionDepth;
    UINT DeferredMessages;

    // ---- notices (app/) ----
    NOTIFYICONDATAA LastNotice;     // the record last handed to the notification area
    DWORD LastNoticeMessage;        // NIM_ADD (the window was open) or NIM_MODIFY
    NoticeKind LastNoticeKind;
    DWORD NoticeCount;              // notices handed over since the start
    // Notices the open window's icon brought that have not closed yet: the
    // icon goes with the last of them.
    DWORD NoticesShowing;

    // ---- option pages (options/) ----
    int32_t EditItem;               // row under the open cell editor (one editor at a time)
    int32_t FocusColumn;            // station list: the column carrying the focus mark
    int32_t PrevFocusColumn;        // station list: FocusColumn before the last click on a cell
    int32_t StationClickItem;       // row already selected when the button went down, or -1
    int32_t PresetClickItem;
    int32_t FrequencySortClicks;    // header clicks per column; odd counts sort descending
    int32_t NameSortClicks;
    HACCEL PresetAccelerators;
    HACCEL StationAccelerators;
    HMENU PresetMenu;               // menu 118; its first pop-up is the list's context menu
    HMENU StationMenu;              // menu 121
    WNDPROC PresetListProc;         // the procedures the subclassed controls pass on to
    WNDPROC PresetEditorProc;
    WNDPROC StationListProc;
    WNDPROC StationEditorProc;
    BOOL PresetRowsLoading;         // check boxes set while filling are no user change
};

extern AppState App;
