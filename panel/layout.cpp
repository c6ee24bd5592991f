// The keys of the main window and which of them each panel mode shows.
#include "panel/panel.h"
#include "app/appstate.h"
#include "app/dpi.h"
#include "app/mainwindow.h"

struct KeyLayout {
    const char *Class;
    const char *Text;
    DWORD Style;
    int X, Y, Width, Height;
    int Id;
    HWND PanelControls::*Handle;  // where the handle is kept (or none)
    HWND *Indexed;                // or this array slot
    enum { FontNone, FontGui, FontPanel, FontGothic } Font;
    bool Subclassed;
};

static const DWORD OwnerDrawn = BS_OWNERDRAW | WS_VISIBLE;
static const DWORD Frame = BS_GROUPBOX | WS_GROUP;

// The main window's DPI; 96 until it is known.
static UINT PanelDpi() { return App.Dpi ? App.Dpi : (UINT)BaseDpi; }

static HWND CreateControl(HWND mainWindow, DWORD exStyle, const char *className, const char *text, DWORD style,
                          int x, int y, int width, int height, int id)
{
    return CreateWindowExA(exStyle, className, text, WS_CHILD | style, x, y, width, height, mainWindow,
                           (HMENU)(INT_PTR)id, (HINSTANCE)GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE), NULL);
}

static void SetControlFont(HWND control, HFONT font)
{
    SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);
}

static void Subclass(HWND button)
{
    WNDPROC base = (WNDPROC)SetWindowLongPtrA(button, GWLP_WNDPROC, (LONG_PTR)PanelButtonProc);
    if (!App.BaseButtonProc)
        App.BaseButtonProc = base;
}

// The keys in their order, at their places at 96 DPI.
static const KeyLayout Keys[] = {
    { "BUTTON", "", Frame | WS_VISIBLE, 9, 0, 133, 41, 0, &PanelControls::SourceFrame, NULL, KeyLayout::FontNone, false },
    { "BUTTON", "", OwnerDrawn, 14, 14, 23, 22, KeyTuner, NULL, &App.Panel.SourceKeys[0], KeyLayout::FontNone, true },
    { "BUTTON", "", OwnerDrawn, 39, 14, 23, 22, KeyCd, NULL, &App.Panel.SourceKeys[1], KeyLayout::FontNone, true },
    { "BUTTON", "", OwnerDrawn, 64, 14, 23, 22, KeyMd, NULL, &App.Panel.SourceKeys[2], KeyLayout::FontNone, true },
    { "BUTTON", "", OwnerDrawn, 89, 14, 23, 22, KeyTapeAux, NULL, &App.Panel.SourceKeys[3], KeyLayout::FontNone, true },
    { "BUTTON", "", OwnerDrawn, 114, 14, 23, 22, KeyPcUsb, NULL, &App.Panel.SourceKeys[4], KeyLayout::FontNone, true },
    { "BUTTON", "電源", BS_PUSHBUTTON | WS_VISIBLE, 151, 87, 72, 22, 0, &PanelControls::Power, NULL, KeyLayout::FontGui, false },
    { "BUTTON", "", OwnerDrawn, 150, 115, 23, 22, KeyAudioProperties, &PanelControls::AudioProperties, NULL, KeyLayout::FontNone, true },
    { "BUTTON", "", OwnerDrawn, 175, 115, 23, 22, KeyReserveList, &PanelControls::ReserveList, NULL, KeyLayout::FontNone, true },
    { "BUTTON", "", OwnerDrawn, 200, 115, 23, 22, KeyOptions, &PanelControls::Options, NULL, KeyLayout::FontNone, true },
    // A group's label stands above its keys, not behind them.
    { "BUTTON", "音量", Frame | WS_VISIBLE, 52, 41, 90, 41, 0, &PanelControls::VolumeFrame, NULL, KeyLayout::FontPanel, false },
    { "BUTTON", "", OwnerDrawn, 57, 55, 23, 22, KeyMute, &PanelControls::Mute, NULL, KeyLayout::FontNone, true },
    { "STATIC", "", SS_ETCHEDVERT | WS_VISIBLE, 84, 56, 84, 23, 0, &PanelControls::VolumeLine, NULL, KeyLayout::FontNone, false },
    { "BUTTON", "－", BS_PUSHBUTTON | WS_VISIBLE, 89, 55, 23, 22, KeyVolumeDown, &PanelControls::VolumeDown, NULL, KeyLayout::FontGui, true },
    { "BUTTON", "＋", BS_PUSHBUTTON | WS_VISIBLE, 114, 55, 23, 22, KeyVolumeUp, &PanelControls::VolumeUp, NULL, KeyLayout::FontGui, true },
    { "BUTTON", "入力レベル", Frame, 70, 82, 72, 41, 0, &PanelControls::InputFrame, NULL, KeyLayout::FontPanel, false },
    { "BUTTON", "－", BS_PUSHBUTTON, 85, 96, 23, 22, KeyInputDown, &PanelControls::InputDown, NULL, KeyLayout::FontGui, true },
    { "BUTTON", "＋", BS_PUSHBUTTON, 110, 96, 23, 22, KeyInputUp, &PanelControls::InputUp, NULL, KeyLayout::FontGui, true },
    { "BUTTON", "", BS_OWNERDRAW, 9, 115, 23, 22, KeyPlay, NULL, &App.Panel.CdKeys[0], KeyLayout::FontNone, true },
    { "BUTTON", "", BS_OWNERDRAW, 34, 115, 23, 22, KeyStop, NULL, &App.Panel.CdKeys[1], KeyLayout::FontNone, true },
    { "BUTTON", "", BS_OWNERDRAW, 59, 115, 23, 22, KeyRewind, NULL, &App.Panel.CdKeys[2], KeyLayout::FontNone, true },
    { "BUTTON", "", BS_OWNERDRAW, 84, 115, 23, 22, KeyFastForward, NULL, &App.Panel.CdKeys[3], KeyLayout::FontNone, true },
    { "BUTTON", "", BS_OWNERDRAW, 120, 115, 23, 22, KeyEject, NULL, &App.Panel.CdKeys[4], KeyLayout::FontNone, true },
    { "BUTTON", "N.B.", BS_PUSHBUTTON | WS_VISIBLE, 9, 50, 35, 15, 0, &PanelControls::Nb, NULL, KeyLayout::FontGothic, false },
    { "BUTTON", "", BS_PUSHBUTTON, 9, 73, 35, 15, 0, &PanelControls::Multi1, NULL, KeyLayout::FontGothic, false },
    { "BUTTON", "", BS_PUSHBUTTON, 9, 93, 35, 15, 0, &PanelControls::Multi2, NULL, KeyLayout::FontGothic, false },
};

// The other controls' places at 96 DPI: the number box, its label, the
// recording layout's, and the stop key's place in the recording layout.
// The box holds two digits beside its arrows.
enum { NumberBoxX = 104, NumberBoxY = 90, NumberBoxWidth = 38, NumberBoxHeight = 18 };
static const int NumberLabelPlace[4] = { 44, 93, 60, 11 };
static const int RecordingStatusPlace[4] = { 9, 93, 133, 14 };
enum { StopKeyCdX = 34, StopKeyY = 115, KeyWidth = 23, KeyHeight = 22 };
// The recording layout's end-time row starts at the left edge: its label,
// its picker and the stop key, each EndTimeGap after the one before, so that the row ends where it always has, clear of the keys of the right-hand column. The
// label is as wide as its words and the picker as wide as 23:59 beside its
// arrows in their font, which no fixed width can promise on every system
// and scale; the picker is never narrower than its width here.
static const char EndTimeLabelText[] = "終了時刻:";
enum { EndTimeRowX = 9, EndTimeLabelY = 119, EndTimeLabelHeight = 14, EndTimeGap = 2 };
enum { EndTimePickerY = 116, EndTimePickerWidth = 54, EndTimePickerHeight = 20 };

struct EndTimeRow {
    RECT Label, Picker, Stop;
};

static HWND KeyHandle(const KeyLayout &key)
{
    return key.Handle ? App.Panel.*key.Handle : *key.Indexed;
}

static HFONT KeyFont(const KeyLayout &key)
{
    HFONT gui = PanelGuiFont();
    return key.Font == KeyLayout::FontGui      ? gui
           : key.Font == KeyLayout::FontPanel  ? App.PanelFont
           : key.Font == KeyLayout::FontGothic ? App.PanelGothicFont
                                               : NULL;
}

static EndTimeRow EndTimeRowAt(UINT dpi)
{
    HFONT font = PanelGuiFont();
    int gap = ScaleToDpi(EndTimeGap, dpi), left = ScaleToDpi(EndTimeRowX, dpi);
    int pickerWidth = TimePickerWidthAt(font, dpi);
    if (pickerWidth < ScaleToDpi(EndTimePickerWidth, dpi))
        pickerWidth = ScaleToDpi(EndTimePickerWidth, dpi);
    EndTimeRow row;
    SetRect(&row.Label, left, ScaleToDpi(EndTimeLabelY, dpi), left + TextWidthIn(font, EndTimeLabelText),
            ScaleToDpi(EndTimeLabelY + EndTimeLabelHeight, dpi));
    left = row.Label.right + gap;
    SetRect(&row.Picker, left, ScaleToDpi(EndTimePickerY, dpi), left + pickerWidth,
            ScaleToDpi(EndTimePickerY + EndTimePickerHeight, dpi));
    left = row.Picker.right + gap;
    SetRect(&row.Stop, left, ScaleToDpi(StopKeyY, dpi), left + ScaleToDpi(KeyWidth, dpi),
            ScaleToDpi(StopKeyY + KeyHeight, dpi));
    return row;
}

static HWND CreateAt(HWND mainWindow, const char *className, const char *text, DWORD style, const RECT &at, int id)
{
    return CreateControl(mainWindow, 0, className, text, style, at.left, at.top, at.right - at.left,
                         at.bottom - at.top, id);
}

static HWND CreatePlaced(HWND mainWindow, DWORD exStyle, const char *className, const char *text, DWORD style,
                         const int place[4], int id)
{
    RECT at = PanelRectAt(place[0], place[1], place[2], place[3], PanelDpi());
    return CreateControl(mainWindow, exStyle, className, text, style, at.left, at.top, at.right - at.left,
                         at.bottom - at.top, id);
}

static bool CreateControls(HWND mainWindow)
{
    for (const KeyLayout &key : Keys) {
        const int place[4] = { key.X, key.Y, key.Width, key.Height };
        HWND control = CreatePlaced(mainWindow, 0, key.Class, key.Text, key.Style, place, key.Id);
        if (!control)
            return false;
        if (key.Handle)
            App.Panel.*key.Handle = control;
        else
            *key.Indexed = control;
        if (HFONT font = KeyFont(key))
            SetControlFont(control, font);
        if (key.Subclassed)
            Subclass(control);
    }
    return true;
}

static bool CreateNumberBox(HWND mainWindow)
{
    PanelControls &p = App.Panel;
    const int numberBox[4] = { NumberBoxX, NumberBoxY, NumberBoxWidth, NumberBoxHeight };
    App.NumberBox = CreatePlaced(mainWindow, WS_EX_CLIENTEDGE, "EDIT", "", ES_NUMBER, numberBox, 0);
    if (!App.NumberBox)
        return false;
    SetControlFont(App.NumberBox, PanelGuiFont());
    p.NumberUpDown = CreateControl(mainWindow, 0, UPDOWN_CLASSA, NULL, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS,
                                   0, 0, 0, 0, 0);
    if (!p.NumberUpDown)
        return false;
    SendMessageA(p.NumberUpDown, UDM_SETBUDDY, (WPARAM)App.NumberBox, 0);
    SendMessageA(p.NumberUpDown, UDM_SETRANGE32, 1, 40);
    SendMessageA(p.NumberUpDown, UDM_SETPOS32, 0, 1);
    p.NumberLabel = CreatePlaced(mainWindow, 0, "STATIC", "", SS_RIGHT, NumberLabelPlace, 0);
    if (!p.NumberLabel)
        return false;
    SetControlFont(p.NumberLabel, App.PanelFont);
    return true;
}

static bool CreateRecordingControls(HWND mainWindow)
{
    PanelControls &p = App.Panel;
    HFONT gui = PanelGuiFont();
    // Titles are drawn as they are: an "&" in one is no mnemonic.
    p.RecordingStatus =
        CreatePlaced(mainWindow, 0, "STATIC", "", SS_LEFT | SS_NOPREFIX, RecordingStatusPlace, RecordingStatusId);
    EndTimeRow row = EndTimeRowAt(PanelDpi());
    p.EndTimeLabel = CreateAt(mainWindow, "STATIC", EndTimeLabelText, SS_LEFT, row.Label, EndTimeLabelId);
    p.EndTimePicker = CreateAt(mainWindow, DATETIMEPICK_CLASSA, NULL, DTS_TIMEFORMAT, row.Picker, EndTimePickerId);
    if (!p.RecordingStatus || !p.EndTimeLabel || !p.EndTimePicker)
        return false;
    SetControlFont(p.RecordingStatus, gui);
    SetControlFont(p.EndTimeLabel, gui);
    SetControlFont(p.EndTimePicker, gui);
    SendMessageA(p.EndTimePicker, DTM_SETFORMATA, 0, (LPARAM) "H':'mm");
    return true;
}

bool CreatePanelControls(HWND mainWindow)
{
    // The controls start in the layout of a switched-off stereo; the first
    // status reading shows the source's keys. That mode also keeps the number
    // box's first text from being taken for a preset choice.
    App.PanelMode = PanelModeOff;
    return CreateControls(mainWindow) && CreateNumberBox(mainWindow) && CreateRecordingControls(mainWindow);
}

// ---- modes ----

static void Show(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOW : SW_HIDE); }

static void ShowNumberControls(bool visible)
{
    Show(App.Panel.Multi1, visible);
    Show(App.Panel.Multi2, visible);
    Show(App.NumberBox, visible);
    Show(App.Panel.NumberUpDown, visible);
    Show(App.Panel.NumberLabel, visible);
}

static void ShowCdKeys(bool visible)
{
    for (HWND key : App.Panel.CdKeys)
        Show(key, visible);
}

static void ShowInputControls(bool visible)
{
    Show(App.Panel.InputFrame, visible);
    Show(App.Panel.InputDown, visible);
    Show(App.Panel.InputUp, visible);
}

static void ShowRecordingControls(bool visible)
{
    Show(App.Panel.RecordingStatus, visible);
    Show(App.Panel.EndTimeLabel, visible);
    Show(App.Panel.EndTimePicker, visible);
    Show(App.Panel.CdKeys[1], visible);
}

static void MoveStopKeyTo(const RECT &at)
{
    SetWindowPos(App.Panel.CdKeys[1], NULL, at.left, at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

// The stop key serves the CD keys and, after the end time, the recording
// layout.
static void MoveStopKey(bool recording)
{
    MoveStopKeyTo(recording ? EndTimeRowAt(PanelDpi()).Stop
                            : PanelRectAt(StopKeyCdX, StopKeyY, KeyWidth, KeyHeight, PanelDpi()));
}

static void SetNumberTexts(const char *multi1, const char *multi2, const char *label)
{
    SetWindowTextA(App.Panel.Multi1, multi1);
    SetWindowTextA(App.Panel.Multi2, multi2);
    SetWindowTextA(App.Panel.NumberLabel, label);
}

static bool IsInputMode(int mode) { return mode == 2 || mode == 3; }

static void HideMode(int oldMode, int newMode)
{
    switch (oldMode) {
    case 0:
        if (newMode != 1)
            ShowNumberControls(false);
        break;
    case 1:
        ShowCdKeys(false);
        if (newMode != 0)
            ShowNumberControls(false);
        break;
    case 2:
    case 3:
        if (!IsInputMode(newMode))
            ShowInputControls(false);
        break;
    case RecordingLayout:
        ShowRecordingControls(false);
        break;
    }
}

static void ShowMode(int newMode)
{
    switch (newMode) {
    case 0:
        SetNumberTexts("AUTO", "BAND", "P.CALL:");
        ShowNumberControls(true);
        break;
    case 1:
        MoveStopKey(false);
        ShowCdKeys(true);
        SetNumberTexts("REP.", "RAND", "D.SEARCH:");
        ShowNumberControls(true);
        break;
    case 2:
    case 3:
        ShowInputControls(true);
        break;
    case RecordingLayout:
        MoveStopKey(true);
        ShowRecordingControls(true);
        break;
    }
}

void SwitchPanelMode(int oldMode, int newMode)
{
    HideMode(oldMode, newMode);
    ShowMode(newMode);
    // The recording layout lies over the source's; the mode stays the
    // source's, to which the panel returns.
    if (newMode != RecordingLayout)
        App.PanelMode = newMode;
}

// ---- the display's scale ----

// How much larger than its scaled place the display is drawn: its dots are
// whole pixels. The keys under it move down by as much, and the window grows.
static int DisplayExtra(UINT dpi)
{
    int extra = DotPixels(dpi) * DisplaySize - ScaleToDpi(DisplaySize, dpi);
    return extra > 0 ? extra : 0;
}

RECT PanelRectAt(int x, int y, int width, int height, UINT dpi)
{
    RECT at = { ScaleToDpi(x, dpi), ScaleToDpi(y, dpi), ScaleToDpi(x + width, dpi), ScaleToDpi(y + height, dpi) };
    // The keys of the column under the display.
    if (x >= DisplayRect.left - 4 && y >= DisplayRect.bottom)
        OffsetRect(&at, 0, DisplayExtra(dpi));
    return at;
}

RECT DisplayRectAt(UINT dpi)
{
    int size = DotPixels(dpi) * DisplaySize, room = ScaleToDpi(DisplaySize, dpi);
    // Where the whole dots take less room than the scale gives, they sit in
    // its middle.
    int inset = room > size ? (room - size) / 2 : 0;
    int left = ScaleToDpi(DisplayRect.left, dpi) + inset, top = ScaleToDpi(DisplayRect.top, dpi) + inset;
    RECT at = { left, top, left + size, top + size };
    return at;
}

SIZE MainWindowSizeAt(UINT dpi)
{
    SIZE size = { ScaleToDpi(MainWindowWidth, dpi) + DisplayExtra(dpi),
                  ScaleToDpi(MainWindowHeight, dpi) + DisplayExtra(dpi) };
    return size;
}

RECT ShownDisplayRect()
{
    return DisplayRectAt(PanelDpi());
}

static void MoveTo(HWND control, const RECT &at)
{
    MoveWindow(control, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
}

static void MovePlaced(HWND control, const int place[4])
{
    MoveTo(control, PanelRectAt(place[0], place[1], place[2], place[3], PanelDpi()));
}

// An etched line sizes itself when it is made, so it is made again.
static bool IsEtchedLine(const KeyLayout &key)
{
    return lstrcmpA(key.Class, "STATIC") == 0 && (key.Style & SS_TYPEMASK) == SS_ETCHEDVERT;
}

void LayoutPanelControls(HWND mainWindow)
{
    for (const KeyLayout &key : Keys) {
        const int place[4] = { key.X, key.Y, key.Width, key.Height };
        HWND control = KeyHandle(key);
        if (IsEtchedLine(key) && key.Handle) {
            HWND line = CreatePlaced(mainWindow, 0, key.Class, key.Text, key.Style, place, key.Id);
            if (line) {
                SetWindowPos(line, control, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                DestroyWindow(control);
                App.Panel.*key.Handle = line;
                continue;
            }
        }
        MovePlaced(control, place);
        if (HFONT font = KeyFont(key))
            SetControlFont(control, font);
    }
    PanelControls &p = App.Panel;
    const int numberBox[4] = { NumberBoxX, NumberBoxY, NumberBoxWidth, NumberBoxHeight };
    MovePlaced(App.NumberBox, numberBox);
    SetControlFont(App.NumberBox, PanelGuiFont());
    // The arrows sit at the box's right end again.
    SendMessageA(p.NumberUpDown, UDM_SETBUDDY, (WPARAM)App.NumberBox, 0);
    MovePlaced(p.NumberLabel, NumberLabelPlace);
    SetControlFont(p.NumberLabel, App.PanelFont);
    MovePlaced(p.RecordingStatus, RecordingStatusPlace);
    SetControlFont(p.RecordingStatus, PanelGuiFont());
    SetControlFont(p.EndTimeLabel, PanelGuiFont());
    SetControlFont(p.EndTimePicker, PanelGuiFont());
    EndTimeRow row = EndTimeRowAt(PanelDpi());
    MoveTo(p.EndTimeLabel, row.Label);
    MoveTo(p.EndTimePicker, row.Picker);
    MoveStopKey(App.PanelMode == RecordingLayout || IsWindowVisible(p.EndTimePicker));
    RedrawWindow(mainWindow, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
