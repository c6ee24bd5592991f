// The front panel: its keys, their layouts per mode and what they send, and
// the display drawn from the glyph and pictogram bitmaps.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/stereostatus.h"
#include "support.h"
#include "app/mainwindow.h"
#include "res/resource.h"

namespace {

SimStereo StereoOn(uint8_t source)
{
    SimStereo stereo;
    SimDefaultStereo(&stereo);
    stereo.Power = 1;
    stereo.Source = source;
    return stereo;
}

bool Visible(HWND control) { return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT ClientRectOf(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, GetParent(control), (POINT *)&rect, 2);
    return rect;
}

std::string TextOf(HWND control)
{
    char text[64] = "";
    GetWindowTextA(control, text, sizeof text);
    return text;
}

class Panel : public testing::Test {
  protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("panel");
    }
    void TearDown() override
    {
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
    }
    void Open(const SimStereo &stereo)
    {
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
    }
    // The stereo changes and the program reads it (twice, so that PanelMode,
    // which lags one reading behind, follows too).
    void Change(const std::function<void(SimStereo &)> &change)
    {
        ChangeSimulatedStereo(change);
        ReadStereoStatus(window);
        ReadStereoStatus(window);
        TakeSentCommands();
    }
    std::vector<uint32_t> Click(HWND control)
    {
        TakeSentCommands();
        SendMessageA(control, BM_CLICK, 0, 0);
        PumpMessages();
        return TakeSentCommands();
    }
    std::string folder;
    HWND window = NULL;
};

TEST_F(Panel, ControlsAreCreatedInOrderInTheirPlaces)
{
    Open(StereoOn(4));
    struct Expected {
        const char *className;
        int id, x, y, width, height;
    } expected[] = {
        { "Button", 0, 9, 0, 133, 41 },    { "Button", 1, 14, 14, 23, 22 },   { "Button", 2, 39, 14, 23, 22 },
        { "Button", 3, 64, 14, 23, 22 },   { "Button", 4, 89, 14, 23, 22 },   { "Button", 5, 114, 14, 23, 22 },
        { "Button", 0, 151, 87, 72, 22 },  { "Button", 15, 150, 115, 23, 22 }, { "Button", 13, 175, 115, 23, 22 },
        { "Button", 14, 200, 115, 23, 22 }, { "Button", 0, 52, 41, 90, 41 },  { "Button", 6, 57, 55, 23, 22 },
        { "Static", 0, 84, 56, -1, -1 },  // the etched line takes its own width
        { "Button", 16, 89, 55, 23, 22 },  { "Button", 17, 114, 55, 23, 22 },
        { "Button", 0, 70, 82, 72, 41 },   { "Button", 18, 85, 96, 23, 22 },  { "Button", 19, 110, 96, 23, 22 },
        { "Button", 7, 9, 115, 23, 22 },   { "Button", 9, 34, 115, 23, 22 },  { "Button", 10, 59, 115, 23, 22 },
        { "Button", 11, 84, 115, 23, 22 }, { "Button", 12, 120, 115, 23, 22 }, { "Button", 0, 9, 50, 35, 15 },
        { "Button", 0, 9, 73, 35, 15 },    { "Button", 0, 9, 93, 35, 15 },    { "Edit", 0, 104, 90, -1, 18 },
        { "msctls_updown32", 0, -1, -1, -1, -1 }, { "Static", 0, 44, 93, 60, 11 },
        // The end time's label and picker are as wide as their texts in the
        // tests' font: the picker shows 23:59 whole, and the stop key stays at
        // 124 after them.
        { "Static", 20, 9, 93, 133, 14 },  { "Static", 21, 9, 119, 52, 14 },  { "SysDateTimePick32", 22, 63, 116, 59, 20 },
    };
    HWND child = GetWindow(window, GW_CHILD);
    for (const Expected &e : expected) {
        ASSERT_NE(child, (HWND)NULL);
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        SCOPED_TRACE(testing::Message() << className << " " << e.id << " at " << e.x << "," << e.y);
        EXPECT_STREQ(className, e.className);
        EXPECT_EQ(GetDlgCtrlID(child), e.id);
        RECT rect = ClientRectOf(child);
        if (e.x >= 0) {
            EXPECT_EQ(rect.left, e.x);
            EXPECT_EQ(rect.top, e.y);
        }
        if (e.height >= 0) {
            EXPECT_EQ(rect.bottom - rect.top, e.height);
        }
        if (e.width >= 0) {
            EXPECT_EQ(rect.right - rect.left, e.width);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, (HWND)NULL);
    // The up-down control sits at the box's right edge and counts 1 to 40.
    RECT box = ClientRectOf(App.NumberBox), arrows = ClientRectOf(App.Panel.NumberUpDown);
    EXPECT_GT(arrows.left, box.left);
    EXPECT_GE(arrows.right, box.right);
    EXPECT_LE(arrows.right, 142);
    int low = 0, high = 0;
    SendMessageA(App.Panel.NumberUpDown, UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 40);
    EXPECT_EQ(TextOf(App.Panel.EndTimeLabel), "終了時刻:");
}

TEST_F(Panel, FontsComeFromTheMessageFont)
{
    Open(StereoOn(0));
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = CCSIZEOF_STRUCT(NONCLIENTMETRICSA, lfMessageFont);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    HDC screen = GetDC(window);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(window, screen);
    struct Case {
        HFONT font;
        const char *face;
        int points;
    } cases[] = {
        { App.PanelFont, metrics.lfMessageFont.lfFaceName, 8 },
        { App.PanelGothicFont, "ＭＳ ゴシック", 8 },
        { App.StationFont, "ＭＳ ゴシック", 9 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.face);
        LOGFONTA font = {};
        ASSERT_TRUE(GetObjectA(c.font, sizeof font, &font));
        EXPECT_STREQ(font.lfFaceName, c.face);
        EXPECT_EQ(font.lfHeight, -MulDiv(c.points, dpi, 72));
        EXPECT_EQ(font.lfWeight, metrics.lfMessageFont.lfWeight);
    }
    const PanelControls &p = App.Panel;
    HFONT gui = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    struct Uses {
        HWND control;
        HFONT font;
    } uses[] = {
        { p.VolumeFrame, App.PanelFont }, { p.InputFrame, App.PanelFont }, { p.NumberLabel, App.PanelFont },
        { p.Nb, App.PanelGothicFont },   { p.Multi1, App.PanelGothicFont }, { p.Multi2, App.PanelGothicFont },
        { p.Power, gui },                 { p.VolumeUp, gui },              { p.InputDown, gui },
        { App.NumberBox, gui },           { p.RecordingStatus, gui },       { p.EndTimeLabel, gui },
        { p.SourceFrame, NULL },          { p.Mute, NULL },                 { p.SourceKeys[0], NULL },
    };
    for (const Uses &u : uses)
        EXPECT_EQ((HFONT)SendMessageA(u.control, WM_GETFONT, 0, 0), u.font) << GetDlgCtrlID(u.control);
}

// The keys that every layout shows, and those that a mode adds.
TEST_F(Panel, EachModeShowsItsKeys)
{
    Open(StereoOn(0));
    const PanelControls &p = App.Panel;
    HWND always[] = { p.SourceKeys[0], p.SourceKeys[4], p.Power, p.Mute, p.VolumeDown, p.VolumeUp, p.Nb,
                      p.AudioProperties, p.ReserveList, p.Options };
    struct Case {
        const char *name;
        uint8_t power, source;
        bool number, cd, input;
        const char *multi1, *multi2, *label;
    } cases[] = {
        { "tuner", 1, 0, true, false, false, "AUTO", "BAND", "P.CALL:" },
        { "CD", 1, 1, true, true, false, "REP.", "RAND", "D.SEARCH:" },
        { "MD", 1, 2, false, false, true, NULL, NULL, NULL },
        { "TAPE/AUX", 1, 3, false, false, true, NULL, NULL, NULL },
        { "PC USB", 1, 4, false, false, false, NULL, NULL, NULL },
        { "CD again", 1, 1, true, true, false, "REP.", "RAND", "D.SEARCH:" },
        { "tuner again", 1, 0, true, false, false, "AUTO", "BAND", "P.CALL:" },
        { "off", 0, 0, false, false, false, NULL, NULL, NULL },
        { "MD from off", 1, 2, false, false, true, NULL, NULL, NULL },
        { "off from MD", 0, 2, false, false, false, NULL, NULL, NULL },
    };
    HWND numberBox = App.NumberBox;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Change([&](SimStereo &s) { s.Power = c.power; s.Source = c.source; });
        for (HWND control : always)
            EXPECT_TRUE(Visible(control));
        EXPECT_EQ(App.NumberBox, numberBox);
        for (HWND control : { p.Multi1, p.Multi2, App.NumberBox, p.NumberUpDown, p.NumberLabel })
            EXPECT_EQ(Visible(control), c.number);
        for (HWND key : p.CdKeys)
            EXPECT_EQ(Visible(key), c.cd);
        for (HWND control : { p.InputFrame, p.InputDown, p.InputUp })
            EXPECT_EQ(Visible(control), c.input);
        for (HWND control : { p.RecordingStatus, p.EndTimeLabel, p.EndTimePicker })
            EXPECT_FALSE(Visible(control));
        if (c.multi1) {
            EXPECT_EQ(TextOf(p.Multi1), c.multi1);
            EXPECT_EQ(TextOf(p.Multi2), c.multi2);
            EXPECT_EQ(TextOf(p.NumberLabel), c.label);
        }
        if (c.cd) {
            EXPECT_EQ(ClientRectOf(p.CdKeys[1]).left, 34);
        }
    }
}

TEST_F(Panel, RecordingLayoutShowsTheEndTimeBesideTheStopKey)
{
    Open(StereoOn(1));
    const PanelControls &p = App.Panel;
    HWND stop = p.CdKeys[1];
    for (int mode : { 1, 0, 2, 16 }) {
        SCOPED_TRACE(mode);
        SwitchPanelMode(PanelModeOff, mode);
        SwitchPanelMode(mode, RecordingLayout);
        for (HWND control : { p.RecordingStatus, p.EndTimeLabel, p.EndTimePicker, stop })
            EXPECT_TRUE(Visible(control));
        RECT place = ClientRectOf(stop);
        EXPECT_EQ(place.left, 124);
        EXPECT_EQ(place.top, 115);
        EXPECT_EQ(place.right - place.left, 23);
        for (HWND control : { p.CdKeys[0], p.CdKeys[4], p.Multi1, App.NumberBox, p.InputFrame })
            EXPECT_FALSE(Visible(control));
        SwitchPanelMode(RecordingLayout, mode);
        for (HWND control : { p.RecordingStatus, p.EndTimeLabel, p.EndTimePicker })
            EXPECT_FALSE(Visible(control));
        EXPECT_EQ(Visible(stop), mode == 1);
        if (mode == 1) {
            EXPECT_EQ(ClientRectOf(stop).left, 34);
        }
        SwitchPanelMode(mode, PanelModeOff);
    }
}

TEST_F(Panel, KeysSendTheirCommands)
{
    Open(StereoOn(0));
    const PanelControls &p = App.Panel;
    struct Case {
        const char *name;
        HWND control;
        uint8_t power, source, volume;
        std::vector<uint32_t> sent;
    } cases[] = {
        { "power while off", p.Power, 0, 0, 20, { PowerOn } },
        { "power while on", p.Power, 1, 0, 20, { PowerOff } },
        { "N.B.", p.Nb, 1, 0, 20, { NbCycle } },
        { "AUTO", p.Multi1, 1, 0, 20, { TunerAuto } },
        { "BAND", p.Multi2, 1, 0, 20, { TunerBand } },
        { "REP.", p.Multi1, 1, 1, 20, { CdRepeat } },
        { "RAND", p.Multi2, 1, 1, 20, { CdRandom } },
        { "tuner", p.SourceKeys[0], 1, 1, 20, { SelectTuner } },
        { "CD", p.SourceKeys[1], 1, 0, 20, { SelectCd } },
        { "MD", p.SourceKeys[2], 1, 0, 20, { SelectMd } },
        { "TAPE/AUX", p.SourceKeys[3], 1, 0, 20, { SelectTapeAux } },
        { "PC USB", p.SourceKeys[4], 1, 0, 20, { SelectPcUsb } },
        { "mute", p.Mute, 1, 0, 20, { MuteToggle } },
        { "volume down", p.VolumeDown, 1, 0, 20, { SetVolume | 19 } },
        { "volume up", p.VolumeUp, 1, 0, 20, { SetVolume | 21 } },
        { "volume down at 0", p.VolumeDown, 1, 0, 0, {} },
        { "volume up at 80", p.VolumeUp, 1, 0, 80, {} },
        { "volume up at 79", p.VolumeUp, 1, 0, 79, { SetVolume | 80 } },
        { "input down", p.InputDown, 1, 2, 20, { InputLevelDown } },
        { "input up", p.InputUp, 1, 3, 20, { InputLevelUp } },
        { "play", p.CdKeys[0], 1, 1, 20, {} },
        { "rewind", p.CdKeys[2], 1, 1, 20, {} },
        { "fast forward", p.CdKeys[3], 1, 1, 20, {} },
        { "eject", p.CdKeys[4], 1, 1, 20, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Change([&](SimStereo &s) { s.Power = c.power; s.Source = c.source; s.Volume = c.volume; });
        EXPECT_EQ(Click(c.control), c.sent);
    }
}

TEST_F(Panel, ShortcutKeysPostTheirMenuCommands)
{
    Open(StereoOn(0));
    struct Case {
        HWND key;
        WPARAM command;
    } cases[] = {
        { App.Panel.ReserveList, IDM_RESERVELIST },
        { App.Panel.Options, IDM_OPTIONS },
        { App.Panel.AudioProperties, IDM_AUDIOPROPERTIES },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        SendMessageA(c.key, BM_CLICK, 0, 0);
        MSG message;
        ASSERT_TRUE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
        EXPECT_EQ(message.wParam, c.command);
        EXPECT_EQ(message.lParam, 0);
        EXPECT_FALSE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    }
    EXPECT_TRUE(TakeSentCommands().empty());
}

TEST_F(Panel, NumberBoxRecallsOnlyAnotherPreset)
{
    Open(StereoOn(0));
    Change([](SimStereo &s) { s.Preset = 5; });
    struct Case {
        uint8_t source;
        const char *typed;
        std::vector<uint32_t> sent;
    } cases[] = {
        { 0, "7", { RecallPreset | 7 } }, { 0, "41", {} }, { 0, "0", {} },  { 0, "5", {} },
        { 0, "", {} },                     { 0, "40", { RecallPreset | 40 } }, { 1, "7", { DiscSearch } },
        { 2, "7", {} },                    { 4, "12", {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (int)c.source << " '" << c.typed << "'");
        Change([&](SimStereo &s) { s.Source = c.source; });
        SetWindowTextA(App.NumberBox, "");
        TakeSentCommands();
        SetWindowTextA(App.NumberBox, c.typed);
        PumpMessages();
        EXPECT_EQ(TakeSentCommands(), c.sent);
    }
    // The arrows write their position into the box, which recalls it.
    Change([](SimStereo &s) { s.Source = 0; });
    SendMessageA(App.Panel.NumberUpDown, UDM_SETPOS32, 0, 9);
    PumpMessages();
    EXPECT_EQ(TakeSentCommands(), std::vector<uint32_t>{ RecallPreset | 9 });
}

TEST_F(Panel, PressingVolumeOrInputShowsItsScreenAtOnce)
{
    Open(StereoOn(2));
    for (int id : { KeyVolumeUp, KeyVolumeDown, KeyInputUp, KeyInputDown, KeyMute }) {
        SCOPED_TRACE(id);
        App.VolumeDisplay = App.InputDisplay = FALSE;
        App.TempDisplayTicks = 0;
        ValidateRect(window, NULL);
        HWND key = GetDlgItem(window, id);
        SendMessageA(key, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_EQ(App.HeldButton, id);
        EXPECT_EQ(App.RepeatDelay, 3);
        bool volume = id == KeyVolumeUp || id == KeyVolumeDown, input = id == KeyInputUp || id == KeyInputDown;
        EXPECT_EQ(App.VolumeDisplay, volume);
        EXPECT_EQ(App.InputDisplay, input);
        EXPECT_EQ(App.TempDisplayTicks, volume || input ? 50 : 0);
        RECT update;
        EXPECT_EQ(GetUpdateRect(window, &update, FALSE) != 0, volume || input);
        if (volume || input) {
            EXPECT_TRUE(EqualRect(&update, &DisplayRect));
        }
        App.TempDisplayTicks = 7;
        SendMessageA(key, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(App.HeldButton, 0);
        EXPECT_EQ(App.TempDisplayTicks, volume ? 50 : 7);
    }
    PumpMessages();
}

TEST_F(Panel, DoubleClickCountsAsASecondPress)
{
    Open(StereoOn(0));
    HWND key = App.Panel.VolumeUp;
    SendMessageA(key, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 6));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, key, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(message.wParam, (WPARAM)MK_LBUTTON);
    EXPECT_EQ(message.lParam, MAKELPARAM(4, 6));
    SendMessageA(key, WM_LBUTTONUP, 0, MAKELPARAM(4, 6));
}

TEST_F(Panel, MouseOverAKeyMakesItHot)
{
    Open(StereoOn(0));
    HWND key = App.Panel.Mute;
    SendMessageA(key, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(App.HotButton, KeyMute);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(key, &update, FALSE));
    ValidateRect(key, NULL);
    SendMessageA(key, WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));
    EXPECT_FALSE(GetUpdateRect(key, &update, FALSE));
    SendMessageA(key, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(App.HotButton, 0);
    EXPECT_TRUE(GetUpdateRect(key, &update, FALSE));
    PumpMessages();
}

// ---- drawing ----

// A 32-bit top-down surface whose pixels the test reads directly.
struct Surface {
    HDC Context;
    HBITMAP Bitmap;
    HGDIOBJ Previous;
    uint32_t *Pixels;
    int Width, Height;
};

Surface MakeSurface(int width, int height, COLORREF fill)
{
    Surface s = {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    s.Context = CreateCompatibleDC(NULL);
    s.Bitmap = CreateDIBSection(s.Context, &info, DIB_RGB_COLORS, (void **)&s.Pixels, NULL, 0);
    s.Previous = SelectObject(s.Context, s.Bitmap);
    s.Width = width;
    s.Height = height;
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = { 0, 0, width, height };
    FillRect(s.Context, &all, brush);
    DeleteObject(brush);
    return s;
}

void FreeSurface(Surface &s)
{
    SelectObject(s.Context, s.Previous);
    DeleteObject(s.Bitmap);
    DeleteDC(s.Context);
}

COLORREF At(const Surface &s, int x, int y)
{
    uint32_t p = s.Pixels[y * s.Width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// Whether a pixel of a strip bitmap is ink (black).
bool Ink(HBITMAP strip, int x, int y)
{
    HDC context = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(context, strip);
    COLORREF pixel = GetPixel(context, x, y);
    SelectObject(context, previous);
    DeleteDC(context);
    return pixel == RGB(0, 0, 0);
}

// Counts the pixels of a cell that differ from what the strip's glyph in
// these colours gives.
int GlyphMismatches(const Surface &s, int x, int y, HBITMAP strip, int stripX, int width, int height, COLORREF ink,
                    COLORREF paper)
{
    int wrong = 0;
    for (int dy = 0; dy < height; dy++)
        for (int dx = 0; dx < width; dx++)
            wrong += At(s, x + dx, y + dy) != (Ink(strip, stripX + dx, dy) ? ink : paper);
    return wrong;
}

// A line of the large font on the dark band: every character's cell (a
// space leaves the band as it is) matches its glyph.
void ExpectBandLine(const Surface &s, int x, int y, const char *text)
{
    for (int i = 0; text[i]; i++, x += 6) {
        SCOPED_TRACE(testing::Message() << "character " << i << " '" << text[i] << "'");
        int glyph = LargeGlyphX(text[i]);
        if (glyph < 0) {
            for (int dy = 0; dy < 10; dy++)
                for (int dx = 0; dx < 6; dx++)
                    ASSERT_EQ(At(s, x + dx, y + dy), LcdDark);
        } else {
            EXPECT_EQ(GlyphMismatches(s, x, y, App.LargeGlyphs, glyph, 6, 10, LcdLight, LcdDark), 0);
        }
    }
}

class Display : public testing::Test {
  protected:
    void SetUp() override
    {
        ResetAppState();
        ASSERT_TRUE(LoadPanelGraphics(GetModuleHandleA(NULL)));
        CreatePanelFonts(NULL);
        App.StationIndex = -1;
        App.DeviceStatus.Power = 1;
        App.DeviceStatus.Source = 2;
        App.DeviceStatus.Volume = 60;
    }
    void TearDown() override
    {
        DeletePanelFonts();
        FreePanelGraphics();
        ResetAppState();
    }
    Surface Render()
    {
        Surface s = MakeSurface(DisplaySize, DisplaySize, RGB(255, 0, 0));
        RenderDisplay(s.Context);
        return s;
    }
    static void SetTime(int hour, int minute, int milliseconds)
    {
        App.LastTick = SYSTEMTIME{ 2024, 5, 3, 17, (WORD)hour, (WORD)minute, 30, (WORD)milliseconds };
    }
};

TEST_F(Display, GlyphsSitWhereTheLookupFindsThem)
{
    struct Case {
        char c;
        int large, small;
    } cases[] = {
        { ' ', -1, 0 },  { '+', 0, -1 },  { '-', 6, 0 },    { '.', 12, 4 },   { '/', 18, 8 },   { '0', 24, 12 },
        { '1', 30, 16 }, { '2', 36, 20 }, { '9', 78, 48 },  { ':', 84, 52 },  { 'A', 90, 56 },  { 'M', 162, 104 },
        { 'N', 168, 108 }, { 'O', 174, 113 }, { 'V', 216, 141 }, { 'Y', 234, -1 }, { 'Z', 240, -1 }, { 'z', 240, -1 },
        { 'k', 246, -1 }, { '!', -1, -1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.c);
        EXPECT_EQ(LargeGlyphX(c.c), c.large);
        if (c.small != -1 || c.c > 'V' || c.c < '-') {
            EXPECT_EQ(SmallGlyphX(c.c), c.small);
        }
    }
    // Every character of the display's own texts has a glyph of its own.
    const char large[] = "+-./0123456789:ACDEFHILMNOPSTUVXzk";
    const char small[] = ".12ABELMNOPRTU";
    for (int pass = 0; pass < 2; pass++) {
        const char *set = pass ? small : large;
        HBITMAP strip = pass ? App.SmallGlyphs : App.LargeGlyphs;
        int width = pass ? 4 : 6, height = pass ? 7 : 10;
        std::vector<std::string> seen;
        for (const char *c = set; *c; c++) {
            SCOPED_TRACE(*c);
            int x = pass ? SmallGlyphX(*c) : LargeGlyphX(*c);
            std::string cell;
            for (int dy = 0; dy < height; dy++)
                for (int dx = 0; dx < width + (*c == 'N' && pass); dx++)
                    cell += Ink(strip, x + dx, dy) ? '#' : '.';
            EXPECT_NE(cell.find('#'), std::string::npos);
            if (*c != 'O') {  // the letter and the digit share their shape
                for (const std::string &other : seen)
                    EXPECT_NE(cell, other);
            }
            seen.push_back(cell);
        }
    }
}

TEST_F(Display, SmallNIsOnePixelWider)
{
    Surface s = MakeSurface(40, 7, RGB(255, 0, 0));
    DrawLcdText(s.Context, 2, 0, "NO", LcdSmall);
    EXPECT_EQ(GlyphMismatches(s, 2, 0, App.SmallGlyphs, SmallGlyphX('N'), 5, 7, LcdDark, LcdLight), 0);
    EXPECT_EQ(GlyphMismatches(s, 7, 0, App.SmallGlyphs, SmallGlyphX('O'), 4, 7, LcdDark, LcdLight), 0);
    EXPECT_EQ(At(s, 11, 3), RGB(255, 0, 0));
    FreeSurface(s);
}

TEST_F(Display, SwitchedOffIsOneDarkSquare)
{
    App.DeviceStatus.Power = 0;
    App.DeviceStatus.Mute = 1;
    App.DeviceStatus.NbMode = 1;
    Surface s = Render();
    for (int y = 0; y < DisplaySize; y++)
        for (int x = 0; x < DisplaySize; x++)
            ASSERT_EQ(At(s, x, y), LcdOff) << x << "," << y;
    FreeSurface(s);
}

TEST_F(Display, TextLinesSitOnTheDarkBand)
{
    App.DeviceStatus.Source = 1;
    Surface s = Render();
    for (int y = 0; y < DisplaySize; y++)
        for (int x = 0; x < DisplaySize; x++) {
            bool band = x >= 2 && x < 66 && y >= 2 && y < 23;
            if (!band && y < 31) {
                ASSERT_EQ(At(s, x, y), LcdLight) << x << "," << y;
            }
            if (band && (x >= 63 || y == 2)) {
                ASSERT_EQ(At(s, x, y), LcdDark) << x << "," << y;
            }
        }
    ExpectBandLine(s, 3, 3, "CD      ");
    ExpectBandLine(s, 3, 13, "NO DISC  ");
    FreeSurface(s);
}

TEST_F(Display, TunerShowsBandPresetAndFrequency)
{
    struct Case {
        uint8_t band, preset;
        uint16_t frequency;
        const char *line1, *line2;
    } cases[] = {
        { 0, 0, 0x8250, "FM--    ", "  82.50MHz" },
        { 1, 0, 0x0954, "AM--    ", "    954kHz" },
        { 0, 7, 0x7640, "FM07    ", "  76.40MHz" },
        { 1, 40, 0x1422, "AM40    ", "   1422kHz" },
    };
    App.DeviceStatus.Source = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line1);
        App.DeviceStatus.Band = c.band;
        App.DeviceStatus.Preset = c.preset;
        App.DeviceStatus.Frequency = c.frequency;
        Surface s = Render();
        ExpectBandLine(s, 3, 3, c.line1);
        ExpectBandLine(s, 3, 13, c.line2);
        FreeSurface(s);
    }
}

TEST_F(Display, ContentFollowsTheSourceAndTheTemporaryScreens)
{
    struct Case {
        const char *name;
        uint8_t source;
        BOOL volumeDisplay, inputDisplay;
        int32_t level;
        const char *line1, *line2;
        bool clock;
        int kind, value;
    } cases[] = {
        { "volume", 0, TRUE, FALSE, 0, "VOLUME  ", "        60", false, PictogramVolume, 60 },
        { "volume over input", 2, TRUE, TRUE, 3, "VOLUME  ", "        60", false, PictogramVolume, 60 },
        { "CD", 1, FALSE, TRUE, 3, "CD      ", "NO DISC  ", false, PictogramDisc, 0 },
        { "MD clock", 2, FALSE, FALSE, 3, "MD      ", "", true, PictogramClock, 21 * 60 + 5 },
        { "MD input -3", 2, FALSE, TRUE, -3, "MD      ", "INPUT   -3", false, PictogramClock, 21 * 60 + 5 },
        { "TAPE input 0", 3, FALSE, TRUE, 0, "TAPE/AUX", "INPUT    0", false, PictogramClock, 21 * 60 + 5 },
        { "TAPE input +12", 3, FALSE, TRUE, 12, "TAPE/AUX", "INPUT   +12", false, PictogramClock, 21 * 60 + 5 },
        { "PC USB keeps its clock", 4, FALSE, TRUE, 3, "PC USB  ", "", true, PictogramClock, 21 * 60 + 5 },
        { "unknown source", 9, FALSE, TRUE, 3, "", "", false, PictogramNone, 0 },
    };
    SYSTEMTIME time = { 2024, 5, 3, 17, 21, 5, 0, 0 };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeviceStatus status = App.DeviceStatus;
        status.Source = c.source;
        status.InputLevel = c.level;
        DisplayContent content;
        ComposeDisplayContent(&status, c.volumeDisplay, c.inputDisplay, -1, &time, &content);
        EXPECT_STREQ(content.Line1, c.line1);
        EXPECT_STREQ(content.Line2, c.line2);
        EXPECT_EQ(content.ClockLine, c.clock);
        EXPECT_EQ(content.PictogramKind, c.kind);
        if (c.kind != PictogramNone) {
            EXPECT_EQ(content.PictogramValue, c.value);
        }
    }
}

TEST_F(Display, ClockLineCountsTwelveHours)
{
    struct Case {
        int hour, minute, milliseconds;
        const char *line;
    } cases[] = {
        { 0, 0, 0, " AM 12:00" },   { 12, 30, 100, " PM 12:30" }, { 15, 7, 200, " PM  3:07" },
        { 15, 7, 700, " PM  3 07" }, { 11, 59, 499, " AM 11:59" }, { 23, 1, 500, " PM 11 01" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        SYSTEMTIME time = { 2024, 5, 3, 17, (WORD)c.hour, (WORD)c.minute, 0, (WORD)c.milliseconds };
        char line[32];
        FormatClockLine(&time, line, sizeof line);
        EXPECT_STREQ(line, c.line);
        SetTime(c.hour, c.minute, c.milliseconds);
        Surface s = Render();
        ExpectBandLine(s, 3, 13, c.line);
        FreeSurface(s);
    }
}

TEST_F(Display, PureAIsInvertedForQuietVolumes)
{
    for (int volume : { 0, 1, 25, 49, 50, 80 }) {
        SCOPED_TRACE(volume);
        App.DeviceStatus.Volume = (uint8_t)volume;
        bool inverted = volume >= 1 && volume <= 49;
        COLORREF ink = inverted ? LcdLight : LcdDark, paper = inverted ? LcdDark : LcdLight;
        Surface s = Render();
        for (int y = 59; y < 66; y++)
            EXPECT_EQ(At(s, 2, y), paper);
        EXPECT_EQ(At(s, 26, 62), paper);
        const char *text = "PURE A";
        for (int i = 0; text[i]; i++)
            EXPECT_EQ(GlyphMismatches(s, 3 + 4 * i, 59, App.SmallGlyphs, SmallGlyphX(text[i]), 4, 7, ink, paper), 0);
        FreeSurface(s);
    }
}

TEST_F(Display, NoiseBlankerMarkNamesItsMode)
{
    const char *marks[] = { NULL, "N.B.1", "N.B.2", "TONE " };
    for (uint8_t mode = 0; mode < 4; mode++) {
        SCOPED_TRACE((int)mode);
        App.DeviceStatus.NbMode = mode;
        Surface s = Render();
        if (!marks[mode]) {
            for (int y = 31; y < 38; y++)
                for (int x = 0; x < 30; x++)
                    ASSERT_EQ(At(s, x, y), LcdLight);
        } else {
            for (int i = 0, x = 2; marks[mode][i]; i++) {
                char c = marks[mode][i];
                int width = c == 'N' ? 5 : 4;
                EXPECT_EQ(GlyphMismatches(s, x, 31, App.SmallGlyphs, SmallGlyphX(c), width, 7, LcdDark, LcdLight), 0);
                x += width;
            }
        }
        FreeSurface(s);
    }
}

// The pictogram's own pixels, drawn alone into the cell's place.
Surface BarePictogram(int kind)
{
    Surface s = MakeSurface(DisplaySize, DisplaySize, LcdLight);
    HDC cells = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(cells, App.Pictograms);
    SetTextColor(s.Context, LcdDark);
    SetBkColor(s.Context, LcdLight);
    BitBlt(s.Context, 34, 34, 32, 32, cells, kind * 32, 0, SRCCOPY);
    SelectObject(cells, previous);
    DeleteDC(cells);
    return s;
}

TEST_F(Display, VolumeWedgeGrowsToHalfTheCell)
{
    App.VolumeDisplay = TRUE;
    Surface bare = BarePictogram(PictogramVolume);
    for (int volume : { 0, 5, 6, 40, 80 }) {
        SCOPED_TRACE(volume);
        App.DeviceStatus.Volume = (uint8_t)volume;
        Surface s = Render();
        int d = 2 * ((volume + 4) / 5);
        int bottomRow = 0;
        for (int x = 34; x < 66; x++)
            bottomRow += At(s, x, 65) == LcdDark;
        EXPECT_EQ(bottomRow, d > 0 ? d : 1);  // the ramp's foot is its own pixel
        // The wedge fills up to the ramp's diagonal; the rest is the cell's art.
        for (int y = 34; y < 66; y++)
            for (int x = 34; x < 66; x++) {
                bool wedge = x - 34 < d && (x - 34) + (y - 34) >= 31;
                ASSERT_EQ(At(s, x, y), wedge ? LcdDark : At(bare, x, y)) << x << "," << y;
            }
        FreeSurface(s);
    }
    FreeSurface(bare);
}

TEST_F(Display, ClockHandsPointAtTheTime)
{
    Surface bare = BarePictogram(PictogramClock);
    struct Case {
        int hour, minute;
        POINT minuteTip, beyond;
    } cases[] = {
        { 0, 0, { 49, 36 }, { 49, 35 } },
        { 6, 15, { 62, 49 }, { 63, 49 } },
        { 9, 30, { 49, 62 }, { 49, 63 } },
        { 3, 45, { 36, 49 }, { 35, 49 } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute);
        SetTime(c.hour, c.minute, 0);
        EXPECT_EQ(At(bare, c.minuteTip.x, c.minuteTip.y), LcdLight);
        Surface s = Render();
        EXPECT_EQ(At(s, c.minuteTip.x, c.minuteTip.y), LcdDark);
        EXPECT_EQ(At(s, c.beyond.x, c.beyond.y), At(bare, c.beyond.x, c.beyond.y));
        // Halfway along the minute hand.
        EXPECT_EQ(At(s, (c.minuteTip.x + 49) / 2, (c.minuteTip.y + 49) / 2), LcdDark);
        FreeSurface(s);
    }
    // The hour hand at 3:00 ends nine pixels right of the centre.
    SetTime(3, 0, 0);
    Surface s = Render();
    EXPECT_EQ(At(s, 58, 49), LcdDark);
    EXPECT_EQ(At(s, 59, 49), At(bare, 59, 49));
    FreeSurface(s);
    FreeSurface(bare);
}

TEST_F(Display, TuningModeWritesAroundTheMast)
{
    App.DeviceStatus.Source = 0;
    for (uint8_t manual : { 0, 1 }) {
        SCOPED_TRACE((int)manual);
        App.DeviceStatus.TuneManual = manual;
        Surface s = Render();
        struct Part {
            int x;
            const char *text;
        };
        std::vector<Part> parts = manual ? std::vector<Part>{ { 34, "MAN" }, { 55, "UAL" } }
                                         : std::vector<Part>{ { 39, "AU" }, { 55, "TO" } };
        for (const Part &part : parts)
            for (int i = 0, x = part.x; part.text[i]; i++) {
                char c = part.text[i];
                int width = c == 'N' ? 5 : 4;
                EXPECT_EQ(GlyphMismatches(s, x, 48, App.SmallGlyphs, SmallGlyphX(c), width, 7, LcdDark, LcdLight), 0);
                x += width;
            }
        FreeSurface(s);
    }
}

TEST_F(Display, StationNameEndsAtTheBandsRight)
{
    const char *names[] = { "ABCDEFGHIJ", "TBS1", "文化放送", "ABCDEFGHIJK" };
    for (const char *name : names) {
        StationName station = { 8250, "" };
        SetStationName(&station, name);
        AddStation(&station);
    }
    App.DeviceStatus.Source = 0;
    for (int index = 0; index < 4; index++) {
        const char *name = App.StationNameTable.Items[index].Name;
        SCOPED_TRACE(name);
        App.StationIndex = index;
        Surface s = Render();
        int first = DisplaySize;
        for (int x = 2; x < 66 && first == DisplaySize; x++)
            for (int y = 13; y < 23; y++)
                if (At(s, x, y) == LcdLight) {
                    first = x;
                    break;
                }
        int start = 63 - 6 * (int)strlen(name);
        EXPECT_GE(first, start < 2 ? 2 : start);
        EXPECT_LE(first, (start < 2 ? 2 : start) + 2);
        // Nothing of the name reaches past the band.
        for (int y = 0; y < 31; y++)
            for (int x = 0; x < DisplaySize; x++)
                if (y < 2 || y >= 23 || x < 2 || x >= 66) {
                    ASSERT_EQ(At(s, x, y), LcdLight) << x << "," << y;
                }
        FreeSurface(s);
    }
}

// The marks that blink, straight on the window between repaints.
TEST_F(Display, MuteAndColonBlinkEveryHalfSecond)
{
    App.DeviceStatus.Mute = 1;
    int left = DisplayRect.left, top = DisplayRect.top;
    struct Case {
        int previous, now;
        enum { On, Off, Nothing } drawn;
    } cases[] = {
        { 600, 100, Case::On }, { 400, 600, Case::Off }, { 100, 300, Case::Nothing }, { 700, 900, Case::Nothing },
        { 999, 0, Case::On },   { 0, 500, Case::Off },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.previous << " -> " << c.now);
        SetTime(10, 10, c.previous);
        SYSTEMTIME now = App.LastTick;
        now.wMilliseconds = (WORD)c.now;
        Surface s = MakeSurface(240, 100, RGB(255, 0, 0));
        DrawBlinkers(s.Context, &now, false);
        if (c.drawn == Case::Nothing) {
            for (int y = 0; y < 100; y++)
                for (int x = 0; x < 240; x++)
                    ASSERT_EQ(At(s, x, y), RGB(255, 0, 0));
        } else if (c.drawn == Case::On) {
            const char *mute = "MUTE";
            for (int i = 0; mute[i]; i++)
                EXPECT_EQ(GlyphMismatches(s, left + 2 + 4 * i, top + 24, App.SmallGlyphs, SmallGlyphX(mute[i]), 4, 7,
                                          LcdDark, LcdLight), 0);
            EXPECT_EQ(GlyphMismatches(s, left + 39, top + 13, App.LargeGlyphs, LargeGlyphX(':'), 6, 10, LcdLight,
                                      LcdDark), 0);
        } else {
            for (int y = 0; y < 7; y++)
                for (int x = 0; x < 16; x++)
                    ASSERT_EQ(At(s, left + 2 + x, top + 24 + y), LcdLight);
            for (int y = 0; y < 10; y++)
                for (int x = 0; x < 6; x++)
                    ASSERT_EQ(At(s, left + 39 + x, top + 13 + y), LcdDark);
            EXPECT_EQ(At(s, left + 18, top + 24), RGB(255, 0, 0));
            EXPECT_EQ(At(s, left + 45, top + 13), RGB(255, 0, 0));
        }
        FreeSurface(s);
    }
}

TEST_F(Display, OnlyTheClockScreensBlinkTheirColon)
{
    struct Case {
        uint8_t source, mute;
        BOOL volumeDisplay, inputDisplay;
        bool mark, colon;
    } cases[] = {
        { 0, 0, FALSE, FALSE, false, false }, { 1, 1, FALSE, FALSE, true, false }, { 2, 0, FALSE, FALSE, false, true },
        { 4, 1, FALSE, FALSE, true, true },   { 3, 1, TRUE, FALSE, true, false },  { 2, 0, FALSE, TRUE, false, false },
        { 0, 1, TRUE, FALSE, true, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (int)c.source << (int)c.mute << c.volumeDisplay << c.inputDisplay);
        App.DeviceStatus.Source = c.source;
        App.DeviceStatus.Mute = c.mute;
        App.VolumeDisplay = c.volumeDisplay;
        App.InputDisplay = c.inputDisplay;
        // A repaint in the first half of a second carries both marks; one
        // in the second half neither.
        for (int milliseconds : { 200, 800 }) {
            SetTime(8, 0, milliseconds);
            Surface s = Render();
            bool first = milliseconds < 500;
            bool markShown =
                GlyphMismatches(s, 2, 24, App.SmallGlyphs, SmallGlyphX('M'), 4, 7, LcdDark, LcdLight) == 0;
            EXPECT_EQ(markShown, c.mark && first);
            if (!c.volumeDisplay && !c.inputDisplay && c.source >= 2) {
                bool colonShown =
                    GlyphMismatches(s, 39, 13, App.LargeGlyphs, LargeGlyphX(':'), 6, 10, LcdLight, LcdDark) == 0;
                EXPECT_EQ(colonShown, c.colon && first);
            }
            FreeSurface(s);
            SYSTEMTIME now = App.LastTick;
            now.wMilliseconds = first ? 600 : 100;
            Surface window = MakeSurface(240, 100, RGB(255, 0, 0));
            DrawBlinkers(window.Context, &now, false);
            EXPECT_EQ(At(window, DisplayRect.left + 2, DisplayRect.top + 24) != RGB(255, 0, 0), c.mark);
            EXPECT_EQ(At(window, DisplayRect.left + 40, DisplayRect.top + 20) != RGB(255, 0, 0), c.colon);
            FreeSurface(window);
        }
    }
}

// The tick takes the window's context only when the blinkers would draw.
TEST_F(Display, BlinkersChangeExactlyWhenTheyWouldDraw)
{
    struct State {
        uint8_t power, source, mute;
        BOOL volumeDisplay;
    } states[] = {
        { 0, 2, 1, FALSE }, { 1, 0, 0, FALSE }, { 1, 0, 1, FALSE }, { 1, 3, 0, FALSE }, { 1, 3, 0, TRUE },
        { 1, 1, 1, TRUE },
    };
    const int times[][2] = { { 600, 100 }, { 400, 600 }, { 100, 300 }, { 700, 900 }, { 999, 0 }, { 0, 500 } };
    int changes = 0;
    for (const State &state : states) {
        App.DeviceStatus.Power = state.power;
        App.DeviceStatus.Source = state.source;
        App.DeviceStatus.Mute = state.mute;
        App.VolumeDisplay = state.volumeDisplay;
        for (const auto &t : times) {
            SCOPED_TRACE(testing::Message() << (int)state.power << (int)state.source << (int)state.mute
                                            << state.volumeDisplay << " " << t[0] << " -> " << t[1]);
            SetTime(10, 10, t[0]);
            SYSTEMTIME now = App.LastTick;
            now.wMilliseconds = (WORD)t[1];
            Surface s = MakeSurface(240, 100, RGB(255, 0, 0));
            DrawBlinkers(s.Context, &now, false);
            bool drawn = false;
            for (int y = 0; y < 100 && !drawn; y++)
                for (int x = 0; x < 240 && !drawn; x++)
                    drawn = At(s, x, y) != RGB(255, 0, 0);
            FreeSurface(s);
            EXPECT_EQ(BlinkersChange(&now), drawn);
            changes += drawn;
        }
    }
    EXPECT_EQ(changes, 3 * 4) << "three states with a mark, four crossings each";
}

TEST_F(Display, KeyImageMovesWhenPressed)
{
    App.ThemeActive = FALSE;
    HWND button = CreateWindowExA(0, "BUTTON", "", WS_POPUP | BS_OWNERDRAW, 0, 0, 23, 22, NULL, NULL, NULL, NULL);
    ASSERT_NE(button, (HWND)NULL);
    // The stop key's image: a red square inside a black border.
    for (bool pressed : { false, true }) {
        SCOPED_TRACE(pressed);
        Surface s = MakeSurface(23, 22, RGB(0, 255, 0));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = KeyStop;
        item.hwndItem = button;
        item.hDC = s.Context;
        item.rcItem = { 0, 0, 23, 22 };
        item.itemState = pressed ? ODS_SELECTED : 0;
        DrawPanelButton(&item);
        int shift = pressed ? 1 : 0;
        EXPECT_EQ(At(s, 3 + 3 + shift, 3 + 3 + shift), RGB(0, 0, 0));
        EXPECT_EQ(At(s, 3 + 8 + shift, 3 + 8 + shift), RGB(210, 0, 0));
        // Transparent image pixels show the frame control's face.
        EXPECT_EQ(At(s, 3 + 1 + shift, 3 + 1 + shift), GetSysColor(COLOR_BTNFACE));
        FreeSurface(s);
    }
    DestroyWindow(button);
}

// Wine's own visual style is active in the test prefix.
TEST_F(Display, KeyUnderTheMouseLooksHotOnlyWithAVisualStyle)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 60, 60, NULL, NULL, NULL, NULL);
    HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 23, 22, parent,
                                  (HMENU)(INT_PTR)KeyMute, NULL, NULL);
    ASSERT_NE(button, (HWND)NULL);
    ASSERT_EQ(LoadThemeApi(), 1);
    ASSERT_TRUE(App.Theme.IsThemeActive());
    for (BOOL themed : { FALSE, TRUE }) {
        SCOPED_TRACE(themed);
        App.ThemeActive = themed;
        Surface looks[2];
        for (int hot = 0; hot < 2; hot++) {
            App.HotButton = hot ? KeyMute : 0;
            looks[hot] = MakeSurface(23, 22, RGB(0, 255, 0));
            DRAWITEMSTRUCT item = {};
            item.CtlType = ODT_BUTTON;
            item.CtlID = KeyMute;
            item.hwndItem = button;
            item.hDC = looks[hot].Context;
            item.rcItem = { 0, 0, 23, 22 };
            DrawPanelButton(&item);
        }
        int differing = 0;
        for (int y = 0; y < 22; y++)
            for (int x = 0; x < 23; x++)
                differing += At(looks[0], x, y) != At(looks[1], x, y);
        EXPECT_EQ(differing > 0, themed != FALSE);
        // The key's image is drawn over either face.
        EXPECT_EQ(At(looks[1], 3 + 1, 3 + 4), RGB(0, 0, 0));
        FreeSurface(looks[0]);
        FreeSurface(looks[1]);
    }
    DestroyWindow(parent);
}

}  // namespace
