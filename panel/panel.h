// The main window's keys and their layouts, and the replica of the stereo's
// display above them.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>
#include <stdint.h>

struct DeviceStatus;

// ---- keys ----

// Control ids of the keys; an owner-drawn key with id i shows image i - 1 of
// ButtonImages.
enum PanelControlId {
    KeyTuner = 1,
    KeyCd = 2,
    KeyMd = 3,
    KeyTapeAux = 4,
    KeyPcUsb = 5,
    KeyMute = 6,
    KeyPlay = 7,
    KeyStop = 9,
    KeyRewind = 10,
    KeyFastForward = 11,
    KeyEject = 12,
    KeyReserveList = 13,
    KeyOptions = 14,
    KeyAudioProperties = 15,
    KeyVolumeDown = 16,
    KeyVolumeUp = 17,
    KeyInputDown = 18,
    KeyInputUp = 19,
    RecordingStatusId = 20,
    EndTimeLabelId = 21,
    EndTimePickerId = 22,
};

enum { CdKeyCount = 5, SourceKeyCount = 5 };

// The child windows of the main window (the number box is App.NumberBox).
struct PanelControls {
    HWND SourceFrame;
    HWND SourceKeys[SourceKeyCount];  // ids 1..5
    HWND Power;
    HWND AudioProperties;
    HWND ReserveList;
    HWND Options;
    HWND VolumeFrame;
    HWND Mute;
    HWND VolumeLine;
    HWND VolumeDown;
    HWND VolumeUp;
    HWND InputFrame;
    HWND InputDown;
    HWND InputUp;
    HWND CdKeys[CdKeyCount];          // play, stop, rewind, fast forward, eject
    HWND Nb;
    HWND Multi1;                      // AUTO / REP.
    HWND Multi2;                      // BAND / RAND
    HWND NumberUpDown;
    HWND NumberLabel;                 // P.CALL: / D.SEARCH:
    HWND RecordingStatus;
    HWND EndTimeLabel;
    HWND EndTimePicker;
};

// The visual-style functions, looked up at run time so that the program also
// runs where UxTheme.dll is missing.
struct ThemeApi {
    HMODULE Library;
    BOOL(WINAPI *IsThemeActive)(void);
    HRESULT(WINAPI *CloseThemeData)(HTHEME theme);
    HRESULT(WINAPI *DrawThemeBackground)(HTHEME theme, HDC dc, int part, int state, const RECT *rect,
                                         const RECT *clip);
    HRESULT(WINAPI *DrawThemeParentBackground)(HWND window, HDC dc, RECT *rect);
    HTHEME(WINAPI *OpenThemeData)(HWND window, LPCWSTR classList);
    HRESULT(WINAPI *DrawThemeEdge)(HTHEME theme, HDC dc, int part, int state, const RECT *rect, UINT edge,
                                   UINT flags, RECT *content);
};

// Loads the key images and the display's bitmaps from the program's
// resources; false when one is missing.
bool LoadPanelGraphics(HINSTANCE instance);
void FreePanelGraphics();
// The notification area's three pictures and the notices' large icon at
// dpi; false when one is missing.
bool LoadTrayIcons(HINSTANCE instance, UINT dpi, HICON icons[3], HICON *noticeIcon);
void DestroyTrayIcons(HICON icons[3], HICON *noticeIcon);
// The key pictures again, each pixel a square of the display's whole scale.
void ScaleKeyImages(HINSTANCE instance, UINT dpi);
// PanelFont, PanelGothicFont and StationFont from the system's message font,
// sized for the main window's screen.
void CreatePanelFonts(HWND mainWindow);
void DeletePanelFonts();
// The keys' dialog font at the main window's DPI.
HFONT PanelGuiFont();
// Creates the keys in their order, every source-dependent one hidden.
bool CreatePanelControls(HWND mainWindow);
// 1 when all six visual-style functions were found (the library stays loaded).
int LoadThemeApi();
void DrawPanelButton(const DRAWITEMSTRUCT *item);
LRESULT CALLBACK PanelButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
// A click on a key (notification code 0).
void OnPanelCommand(HWND mainWindow, HWND control, WPARAM wParam);
// The number box's text changed: recall that preset, or search that disc.
void OnPresetEdit(HWND numberBox);
// The number box's first two characters as a decimal number, 0 when empty.
int ReadNumberBox(HWND numberBox);

// Where a control placed at (x, y, width, height) at 96 DPI lies at dpi: its
// place scaled, and for the keys under the display moved down by the room
// the display takes beyond its scaled place (its dots are whole pixels).
RECT PanelRectAt(int x, int y, int width, int height, UINT dpi);
// The display at dpi: DotPixels(dpi) screen pixels a dot.
RECT DisplayRectAt(UINT dpi);
// The main window's outer size at dpi.
SIZE MainWindowSizeAt(UINT dpi);
// The display's rectangle in the main window at the window's DPI.
RECT ShownDisplayRect();
// Every key to its place at App.Dpi, with the fonts made for it.
void LayoutPanelControls(HWND mainWindow);

// Hides what the old mode showed and shows what the new one needs (modes:
// a source 0..4, 16 off, 32 the recording layout); PanelMode becomes the new
// mode unless that is the recording layout.
void SwitchPanelMode(int oldMode, int newMode);

// ---- display ----

extern const RECT DisplayRect;
enum { DisplaySize = 68 };
const COLORREF LcdLight = RGB(128, 230, 255);
const COLORREF LcdDark = RGB(0, 105, 183);
const COLORREF LcdOff = RGB(44, 82, 82);

// DrawLcdText styles: bit 0 the small font, bit 1 inverted.
enum { LcdSmall = 1, LcdInverted = 2 };
enum { PictogramClock = 0, PictogramMast = 1, PictogramVolume = 2, PictogramDisc = 3, PictogramNone = -1 };

// Where a character's cell starts in its strip; -1 when nothing is drawn
// for it (a space of the large font, or a character the strip lacks).
int LargeGlyphX(char c);
int SmallGlyphX(char c);

// What the display shows for a status: its two lines on the dark band and
// the pictogram. Line 2 is the clock when ClockLine is set and the station's
// name when StationName is not empty.
struct DisplayContent {
    char Line1[16];
    char Line2[32];
    bool ClockLine;
    char StationName[16];
    int PictogramKind;
    int PictogramValue;
};
void ComposeDisplayContent(const DeviceStatus *status, BOOL volumeDisplay, BOOL inputDisplay, int stationIndex,
                           const SYSTEMTIME *time, DisplayContent *content);
// " AM 12:00": the clock line, its colon a space in the second half of a second.
void FormatClockLine(const SYSTEMTIME *time, char *text, size_t size);
// The whole 68 × 68 display drawn into context at (0,0).
void RenderDisplay(HDC context);
void PaintDisplay(HWND mainWindow);
// The blinking MUTE mark and clock colon, drawn or erased when the time
// crossed a half second since LastTick (offScreen: into the display being
// composed, always drawn in the first half).
void DrawBlinkers(HDC context, const SYSTEMTIME *time, bool offScreen);
// Whether DrawBlinkers has anything to draw on the window at time: a mark
// blinks and the time crossed a half second since LastTick.
bool BlinkersChange(const SYSTEMTIME *time);
void DrawLcdText(HDC context, int x, int y, const char *text, int style);
