// The display's scale: sizes at 96 DPI scaled to the window's DPI, the
// stereo's display in whole-pixel dots, and a move to a screen of another
// scale laying the panel out again.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "app/stereostatus.h"
#include "support.h"
#include "app/dpi.h"
#include "app/mainwindow.h"
#include "app/placement.h"
#include "app/tray.h"
#include "panel/panel.h"
#include "reserveui/reserveui.h"
#include "settings/resultsfile.h"
#include "res/resource.h"
#include "settings/resultsfile.h"
#include <commctrl.h>

TEST(Dpi, ScalesAndWholeDots)
{
    struct Case {
        UINT dpi;
        int dots;     // screen pixels a dot of the display
        int scaled;   // 68 pixels at 96 DPI
    } cases[] = {
        { 96, 1, 68 }, { 120, 1, 85 }, { 144, 2, 102 }, { 168, 2, 119 }, { 192, 2, 136 },
        { 216, 2, 153 }, { 240, 3, 170 }, { 288, 3, 204 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(DotPixels(c.dpi), c.dots);
        EXPECT_EQ(ScaleToDpi(68, c.dpi), c.scaled);
    }
}

namespace {

bool Equal(const RECT &a, const RECT &b) { return EqualRect(&a, &b) != FALSE; }

std::string Text(const RECT &r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

}  // namespace

TEST(Dpi, ThePanelAtEachScaleGivesTheDisplayItsRoom)
{
    // At 96 DPI everything stands where it always has.
    RECT power = PanelRectAt(151, 87, 72, 22, 96);
    EXPECT_EQ(Text(power), "151,87,223,109");
    EXPECT_TRUE(Equal(DisplayRectAt(96), DisplayRect));
    SIZE size = MainWindowSizeAt(96);
    EXPECT_EQ(size.cx, MainWindowWidth);
    EXPECT_EQ(size.cy, MainWindowHeight);

    // At 200 % exactly twice.
    EXPECT_EQ(Text(PanelRectAt(151, 87, 72, 22, 192)), "302,174,446,218");
    EXPECT_EQ(Text(PanelRectAt(14, 14, 23, 22, 192)), "28,28,74,72");
    EXPECT_EQ(Text(DisplayRectAt(192)), "306,22,442,158");
    size = MainWindowSizeAt(192);
    EXPECT_EQ(size.cx, 2 * MainWindowWidth);
    EXPECT_EQ(size.cy, 2 * MainWindowHeight);

    // At 150 % the display's two-pixel dots take 136 pixels instead of 102:
    // the keys under it move down by the difference and the window grows by it.
    RECT display = DisplayRectAt(144);
    EXPECT_EQ(display.right - display.left, 136);
    EXPECT_EQ(display.bottom - display.top, 136);
    RECT powerAt144 = PanelRectAt(151, 87, 72, 22, 144);
    EXPECT_GE(powerAt144.top, display.bottom + 2) << "the power key stays clear of the display";
    EXPECT_EQ(Text(PanelRectAt(14, 14, 23, 22, 144)), "21,21,56,54") << "keys beside it only scale";
    size = MainWindowSizeAt(144);
    EXPECT_GE(size.cx, MainWindowWidth * 3 / 2);
    EXPECT_GE(size.cy, MainWindowHeight * 3 / 2);
    EXPECT_LE(display.right + 2, size.cx) << "the display lies inside the window";
    RECT options = PanelRectAt(200, 115, 23, 22, 144);
    EXPECT_LE(options.bottom, size.cy);

    // At 125 % the dots stay single pixels, in the middle of the scaled room.
    display = DisplayRectAt(120);
    EXPECT_EQ(display.right - display.left, 68);
    EXPECT_EQ(display.left - ScaleToDpi(DisplayRect.left, 120), (85 - 68) / 2);
}

namespace {

// The main window's client area as the screen shows it, one COLORREF a pixel.
struct Shot {
    int Width = 0, Height = 0;
    std::vector<COLORREF> Pixels;
    COLORREF At(int x, int y) const { return Pixels[(size_t)y * Width + x]; }
};

Shot TakeShot(HWND window)
{
    Shot shot;
    RECT client;
    GetClientRect(window, &client);
    shot.Width = client.right;
    shot.Height = client.bottom;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.Width;
    info.bmiHeader.biHeight = -shot.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.Width, shot.Height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t *p = (const uint32_t *)bits;
    for (int i = 0; i < shot.Width * shot.Height; i++)
        shot.Pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return shot;
}

class DpiWindow : public testing::Test {
  protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("dpi");
        LoadAllSections(folder);
        SimStereo stereo;
        SimDefaultStereo(&stereo);
        stereo.Power = 1;
        stereo.Source = 2;  // MD: the clock and its pictogram, no station name
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        ReadStereoStatus(window);
        ReadStereoStatus(window);
    }
    void TearDown() override
    {
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
    }
    // Tells the window it is now on a screen of dpi, suggesting its place.
    void MoveTo(UINT dpi)
    {
        RECT place;
        GetWindowRect(window, &place);
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&place);
        UpdateWindow(window);
        PumpMessages();
    }
    RECT ClientRectOf(HWND control)
    {
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(NULL, window, (POINT *)&rect, 2);
        return rect;
    }
    std::string folder;
    HWND window = NULL;
};

}  // namespace

TEST_F(DpiWindow, AMoveToAnotherScaleLaysThePanelOutAgainInWholeDots)
{
    ASSERT_EQ(App.Dpi, 96u) << "the tests' screen";
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Shot before = TakeShot(window);
    RECT windowAt96;
    GetWindowRect(window, &windowAt96);

    MoveTo(192);
    EXPECT_EQ(App.Dpi, 192u);
    RECT windowAt192;
    GetWindowRect(window, &windowAt192);
    EXPECT_EQ(windowAt192.right - windowAt192.left, 2 * MainWindowWidth);
    EXPECT_EQ(windowAt192.bottom - windowAt192.top, 2 * MainWindowHeight);
    EXPECT_EQ(windowAt192.left, windowAt96.left) << "where Windows suggested";
    EXPECT_EQ(Text(ClientRectOf(App.Panel.Power)), "302,174,446,218");
    EXPECT_EQ(Text(ClientRectOf(App.Panel.SourceKeys[0])), "28,28,74,72");
    int imageWidth = 0, imageHeight = 0;
    ImageList_GetIconSize(App.ButtonImages, &imageWidth, &imageHeight);
    EXPECT_EQ(imageWidth, 32) << "the key pictures in two-pixel squares";

    // The display: 136 pixels square, every dot a solid 2 × 2 block of one of
    // the display's colours, the same dots as at 96 DPI.
    Shot shot = TakeShot(window);
    RECT display = ShownDisplayRect();
    ASSERT_EQ(Text(display), "306,22,442,158");
    RECT small = DisplayRect;
    int checked = 0;
    for (int y = 0; y < DisplaySize; y++) {
        for (int x = 0; x < DisplaySize; x++) {
            // The volume group's divider reaches over the display's corner.
            POINT point = { display.left + 2 * x, display.top + 2 * y };
            if (ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE) != window)
                continue;
            checked++;
            COLORREF dot = shot.At(display.left + 2 * x, display.top + 2 * y);
            ASSERT_TRUE(dot == LcdLight || dot == LcdDark) << x << "," << y;
            ASSERT_EQ(shot.At(display.left + 2 * x + 1, display.top + 2 * y), dot) << x << "," << y;
            ASSERT_EQ(shot.At(display.left + 2 * x, display.top + 2 * y + 1), dot) << x << "," << y;
            ASSERT_EQ(shot.At(display.left + 2 * x + 1, display.top + 2 * y + 1), dot) << x << "," << y;
            ASSERT_EQ(before.At(small.left + x, small.top + y), dot) << x << "," << y;
        }
    }
    EXPECT_GT(checked, DisplaySize * DisplaySize * 9 / 10);

    // Back at 96 DPI: as it was, pixel for pixel.
    MoveTo(96);
    RECT back;
    GetWindowRect(window, &back);
    EXPECT_EQ(back.right - back.left, MainWindowWidth);
    EXPECT_EQ(back.bottom - back.top, MainWindowHeight);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Shot after = TakeShot(window);
    ASSERT_EQ(after.Width, before.Width);
    ASSERT_EQ(after.Height, before.Height);
    RECT differ = { after.Width, after.Height, -1, -1 };
    for (int y = 0; y < after.Height; y++)
        for (int x = 0; x < after.Width; x++)
            if (after.At(x, y) != before.At(x, y)) {
                differ.left = std::min<LONG>(differ.left, x);
                differ.top = std::min<LONG>(differ.top, y);
                differ.right = std::max<LONG>(differ.right, x + 1);
                differ.bottom = std::max<LONG>(differ.bottom, y + 1);
            }
    EXPECT_EQ(differ.right, -1) << "pixels differ within " << Text(differ);
}

// ---- the other windows and the notification area ----

namespace {

LONG FontHeightOf(HWND control)
{
    LOGFONTA font = {};
    GetObjectA((HGDIOBJ)SendMessageA(control, WM_GETFONT, 0, 0), sizeof font, &font);
    return font.lfHeight;
}

int ImageSizeOf(HWND control, UINT message, WPARAM which = 0)
{
    int width = 0, height = 0;
    ImageList_GetIconSize((HIMAGELIST)SendMessageA(control, message, which, 0), &width, &height);
    return width;
}

int IconSizeOf(HICON icon)
{
    ICONINFO parts = {};
    BITMAP colour = {};
    GetIconInfo(icon, &parts);
    GetObjectA(parts.hbmColor, sizeof colour, &colour);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    return colour.bmWidth;
}

UINT TaskbarAt = 96;
HRESULT WINAPI FakeMonitorDpi(HMONITOR, int, UINT *x, UINT *y)
{
    *x = *y = TaskbarAt;
    return S_OK;
}

HICON IconGiven;
BOOL WINAPI KeepIcon(DWORD, PNOTIFYICONDATAA data)
{
    IconGiven = data->hIcon;
    return TRUE;
}

// As Windows does when a move takes a window onto a screen of another
// scale: WM_DPICHANGED from within the move, the place scaled linearly.
UINT PlacedOnDpi;
LRESULT CALLBACK MoveOntoOtherScreen(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *sent = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && sent->message == WM_WINDOWPOSCHANGED && PlacedOnDpi && BeingPlaced(sent->hwnd)) {
        RECT place;
        GetWindowRect(sent->hwnd, &place);
        place.right = place.left + MulDiv(place.right - place.left, (int)PlacedOnDpi, 96);
        place.bottom = place.top + MulDiv(place.bottom - place.top, (int)PlacedOnDpi, 96);
        SendMessageA(sent->hwnd, WM_DPICHANGED, MAKEWPARAM(PlacedOnDpi, PlacedOnDpi), (LPARAM)&place);
        PlacedOnDpi = 0;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}  // namespace

TEST_F(DpiWindow, TheMainWindowsSizeAndTheTrayIconsFollowTheScale)
{
    SIZE size = { 1, 1 }, wanted = MainWindowSizeAt(144);
    EXPECT_TRUE(SendMessageA(window, WM_GETDPISCALEDSIZE, 144, (LPARAM)&size));
    EXPECT_EQ(Text({ 0, 0, size.cx, size.cy }), Text({ 0, 0, wanted.cx, wanted.cy }));
    App.DpiForMonitor = FakeMonitorDpi;
    App.NotifyIcon = KeepIcon;
    ShowWindow(window, SW_MINIMIZE);
    // Explorer starts again on a taskbar of 150 %; then the screen goes to
    // 200 %, which the main window on it is told.
    TaskbarAt = 144;
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(IconSizeOf(IconGiven), SystemMetricAt(SM_CXSMICON, 144));
    TaskbarAt = 192;
    MoveTo(192);
    EXPECT_EQ(IconSizeOf(IconGiven), SystemMetricAt(SM_CXSMICON, 192)) << "shown at once";
    EXPECT_EQ(IconSizeOf(App.NoticeIcon), SystemMetricAt(SM_CXICON, 192));
}

TEST_F(DpiWindow, TheListWindowsLettersColumnsAndPicturesFollowTheScale)
{
    RegisterReserveListClass(GetModuleHandleA(NULL));
    // Closed last on a screen of 150 %: its place and widths are that screen's.
    App.ReserveListRect = RECT{ 20, 30, 620, 430 };
    App.ReserveListColumnWidths[0] = 210;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, MoveOntoOtherScreen, NULL, GetCurrentThreadId());
    PlacedOnDpi = 144;
    SendMessageA(window, WM_COMMAND, IDM_RESERVELIST, 0);
    UnhookWindowsHookEx(hook);
    HWND listWindow = App.ReserveListWindow;
    ASSERT_NE(listWindow, (HWND)NULL);
    ASSERT_EQ(PlacedOnDpi, 0u) << "moved onto the other screen";
    HWND list = GetDlgItem(listWindow, IDC_RESERVE_LIST);
    RECT place;
    GetWindowRect(listWindow, &place);
    EXPECT_EQ(Text(place), "20,30,620,430");
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 210) << "as stored";
    LONG font = 0;
    for (UINT dpi : { 96u, 144u, 192u, 120u }) {
        SendMessageA(listWindow, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&place);
        font = dpi == 96 ? FontHeightOf(list) : font;
        EXPECT_EQ(FontHeightOf(list), MulDiv(font, (int)dpi, 96)) << dpi;
        EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(140, (int)dpi, 96)) << dpi;
        EXPECT_EQ(ImageSizeOf(list, LVM_GETIMAGELIST, LVSIL_SMALL), SystemMetricAt(SM_CXSMICON, dpi)) << dpi;
        EXPECT_EQ(ImageSizeOf(GetDlgItem(listWindow, IDC_RESERVE_TOOLBAR), TB_GETIMAGELIST), dpi >= 144 ? 24 : 16);
    }
    SendMessageA(listWindow, WM_CLOSE, 0, 0);
}

TEST_F(DpiWindow, TheResultsWindowOpensAgainAtItsStoredSizeOnAScreenOfAnotherScale)
{
    SaveAllSections(folder);  // the file the window's place is kept in
    RECT stored = { 20, 30, 770, 480 };  // where it was closed on a screen of 150 %
    ASSERT_TRUE(SaveResultsWindowRect(folder.c_str(), &stored));
    LOGFONTA gui = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    // Made at the system's scale, then put at its stored place, it moves
    // onto that screen each time it opens.
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, MoveOntoOtherScreen, NULL, GetCurrentThreadId());
    for (int opening = 0; opening < 2; opening++) {
        PlacedOnDpi = 144;
        SendMessageA(window, WM_COMMAND, IDM_RESULTS, 0);
        ASSERT_EQ(PlacedOnDpi, 0u) << "moved onto the other screen";
        RECT place;
        GetWindowRect(App.ResultsWindow, &place);
        EXPECT_EQ(Text(place), Text(stored)) << "opening " << opening;
        HWND list = GetDlgItem(App.ResultsWindow, IDC_RESULTS_LIST);
        EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), ScaleToDpi(140, 144));
        EXPECT_EQ(ImageSizeOf(list, LVM_GETIMAGELIST, LVSIL_SMALL), 32) << "the marks in two-pixel squares";
        EXPECT_EQ(FontHeightOf(GetDlgItem(App.ResultsWindow, IDC_RESULTS_CLEAR)), MulDiv(gui.lfHeight, 3, 2));
        SendMessageA(App.ResultsWindow, WM_CLOSE, 0, 0);
    }
    UnhookWindowsHookEx(hook);
}

// ---- on a screen of the scale the test runs at ----

namespace {

// The scale of the screen the tests run on: tests/at-dpi runs them again on
// screens of 150 % and 200 %.
UINT ScreenDpi()
{
    char text[16] = "";
    GetEnvironmentVariableA("TALVO_SCREEN_DPI", text, sizeof text);
    return text[0] ? (UINT)atoi(text) : 96u;
}

int TextWidthIn(HWND control, const char *text)
{
    HDC context = GetDC(control);
    HGDIOBJ previous = SelectObject(context, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    SIZE extent = {};
    GetTextExtentPoint32A(context, text, (int)strlen(text), &extent);
    SelectObject(context, previous);
    ReleaseDC(control, context);
    return extent.cx;
}

class DpiScreen : public DpiWindow {};

}  // namespace

TEST_F(DpiScreen, TheMainWindowIsDrawnForTheScreensScale)
{
    UINT dpi = ScreenDpi();
    EXPECT_EQ(App.Dpi, dpi);
    RECT outer;
    GetWindowRect(window, &outer);
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    if (dpi == 192) {
        EXPECT_NEAR(width, 2 * MainWindowWidth, 2);
        EXPECT_NEAR(height, 2 * MainWindowHeight, 2);
    } else {
        EXPECT_GE(width * 96, MainWindowWidth * (int)dpi);
        EXPECT_GE(height * 96, MainWindowHeight * (int)dpi);
    }

    // The display in dots of whole pixels, each one solid and of its colours:
    // the clock of MD, then a station's name in letters of the display's own.
    RECT display = ShownDisplayRect();
    int dot = DotPixels(dpi);
    ASSERT_EQ(display.right - display.left, DisplaySize * dot);
    RECT client;
    GetClientRect(window, &client);
    ASSERT_LE(display.right, client.right);
    ASSERT_LE(display.bottom, client.bottom);
    for (int station = -1; station < 1; station++) {
        SCOPED_TRACE(station < 0 ? "MD" : "a station's name");
        if (station >= 0) {
            App.DeviceStatus.Source = 0;
            App.StationIndex = FindStationByFrequency(954);
            ASSERT_GE(App.StationIndex, 0);
        }
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Shot shot = TakeShot(window);
        for (int y = 0; y < DisplaySize; y++) {
            for (int x = 0; x < DisplaySize; x++) {
                POINT point = { display.left + dot * x, display.top + dot * y };
                if (ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE) != window)
                    continue;
                COLORREF color = shot.At(point.x, point.y);
                ASSERT_TRUE(color == LcdLight || color == LcdDark) << x << "," << y;
                for (int i = 0; i < dot * dot; i++)
                    ASSERT_EQ(shot.At(point.x + i % dot, point.y + i / dot), color) << x << "," << y;
            }
        }
    }

    // No text of the window is cut: each fits its control, and the caption
    // its title bar.
    const PanelControls &p = App.Panel;
    struct Texted {
        HWND control;
        int margin;  // what the control itself takes beside its text
    } texted[] = {
        { p.Power, 6 }, { p.VolumeFrame, 14 }, { p.Nb, 4 }, { p.NumberLabel, 0 },
    };
    for (const Texted &t : texted) {
        char text[64] = "";
        GetWindowTextA(t.control, text, sizeof text);
        RECT rect;
        GetClientRect(t.control, &rect);
        SCOPED_TRACE(text);
        EXPECT_LE(TextWidthIn(t.control, text) + t.margin, rect.right);
    }
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = CCSIZEOF_STRUCT(NONCLIENTMETRICSA, lfMessageFont);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    HFONT caption = CreateFontIndirectA(&metrics.lfCaptionFont);
    HDC context = GetDC(window);
    HGDIOBJ previous = SelectObject(context, caption);
    SIZE title = {};
    GetTextExtentPoint32A(context, "TALVO レコーダー", (int)strlen("TALVO レコーダー"), &title);
    SelectObject(context, previous);
    ReleaseDC(window, context);
    DeleteObject(caption);
    EXPECT_LE(title.cx + GetSystemMetrics(SM_CXSMICON) + 3 * GetSystemMetrics(SM_CXSIZE) + 16, width)
        << "the whole title beside the icon and the caption buttons";

    // The keys' pictures are whole-pixel squares of the art.
    int imageWidth = 0, imageHeight = 0;
    ImageList_GetIconSize(App.ButtonImages, &imageWidth, &imageHeight);
    EXPECT_EQ(imageWidth, 16 * dot);
}

// "22:0" was all the end-time picker showed of 22:00: its last digit lay
// under the arrows, and widening it alone put it under the stop key.
TEST_F(DpiScreen, TheRecordingLayoutShowsTheLatestEndTimeWholeAndNothingOverlaps)
{
    UINT dpi = ScreenDpi();
    SwitchPanelMode(App.PanelMode, RecordingLayout);
    HWND picker = App.Panel.EndTimePicker;
    RECT inside;
    GetClientRect(picker, &inside);
    EXPECT_GE(inside.right - SystemMetricAt(SM_CXVSCROLL, dpi), TextWidthIn(picker, "23:59"));
    RECT client;
    GetClientRect(window, &client);
    std::vector<HWND> shown;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG style = GetWindowLongA(child, GWL_STYLE);
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        // A group's frame stands around its keys.
        bool frame = lstrcmpiA(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
        if ((style & WS_VISIBLE) && !frame)
            shown.push_back(child);
    }
    for (size_t i = 0; i < shown.size(); i++) {
        RECT one = ClientRectOf(shown[i]), overlap;
        EXPECT_LE(one.right, client.right) << GetDlgCtrlID(shown[i]);
        for (size_t j = i + 1; j < shown.size(); j++) {
            RECT other = ClientRectOf(shown[j]);
            EXPECT_FALSE(IntersectRect(&overlap, &one, &other))
                << Text(one) << " and " << Text(other) << " overlap";
        }
    }
}

TEST_F(DpiScreen, TheOtherWindowsAndTheIconAreMadeForTheScale)
{
    UINT dpi = ScreenDpi();
    // The notification area's icon at the system's small icon size, in
    // whole-pixel squares of the 16-pixel art.
    int size = GetSystemMetrics(SM_CXSMICON);
    ICONINFO parts = {};
    ASSERT_TRUE(GetIconInfo(App.TrayIcons[0], &parts));
    BITMAP colour = {};
    GetObjectA(parts.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmHeight, size);
    std::vector<uint32_t> pixels((size_t)size * size);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(NULL);
    ASSERT_EQ(GetDIBits(screen, parts.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS), size);
    ReleaseDC(NULL, screen);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    int scale = size / 16, offset = (size - 16 * scale) / 2;
    int opaque = 0;
    for (int y = 0; y < 16 * scale; y++)
        for (int x = 0; x < 16 * scale; x++) {
            uint32_t pixel = pixels[(size_t)(offset + y) * size + offset + x];
            opaque += (pixel >> 24) != 0;
            ASSERT_EQ(pixel, pixels[(size_t)(offset + y / scale * scale) * size + offset + x / scale * scale])
                << x << "," << y;
        }
    EXPECT_GT(opaque, 16 * 16 * scale * scale / 2) << "the art is there";

    // The lists' columns and the results window's button at the scale.
    RegisterReserveListClass(GetModuleHandleA(NULL));
    SendMessageA(window, WM_COMMAND, IDM_RESERVELIST, 0);
    PumpMessages();
    ASSERT_NE(App.ReserveListWindow, (HWND)NULL);
    HWND list = GetDlgItem(App.ReserveListWindow, IDC_RESERVE_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), ScaleToDpi(140, dpi));
    SendMessageA(App.ReserveListWindow, WM_CLOSE, 0, 0);
    SendMessageA(window, WM_COMMAND, IDM_RESULTS, 0);
    PumpMessages();
    ASSERT_NE(App.ResultsWindow, (HWND)NULL);
    EXPECT_EQ(SendMessageA(GetDlgItem(App.ResultsWindow, IDC_RESULTS_LIST), LVM_GETCOLUMNWIDTH, 0, 0),
              ScaleToDpi(140, dpi));
    RECT button;
    GetWindowRect(GetDlgItem(App.ResultsWindow, IDC_RESULTS_CLEAR), &button);
    EXPECT_EQ(button.bottom - button.top, ScaleToDpi(24, dpi));
    SendMessageA(App.ResultsWindow, WM_CLOSE, 0, 0);
    PumpMessages();
}

namespace {

RECT ClientRectIn(HWND parent, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, parent, (POINT *)&rect, 2);
    return rect;
}

// Every shown control of parent: its text fits it in its own font beside
// what the control itself takes (a check mark, edges, a picker's arrow, a
// frame's indent), and a group's label lies under no other control.
void ExpectTextsFit(HWND parent, UINT dpi)
{
    std::vector<RECT> controls, labels;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char kind[32] = "", text[256] = "";
        GetClassNameA(child, kind, sizeof kind);
        GetWindowTextA(child, text, sizeof text);
        LONG style = GetWindowLongA(child, GWL_STYLE), type = style & BS_TYPEMASK;
        bool frame = !lstrcmpiA(kind, "Button") && type == BS_GROUPBOX, edit = !lstrcmpiA(kind, "Edit");
        RECT at = ClientRectIn(parent, child), inside;
        GetClientRect(child, &inside);
        DWORD margins = edit ? (DWORD)SendMessageA(child, EM_GETMARGINS, 0, 0) : 0;
        int room = inside.right - LOWORD(margins) - HIWORD(margins), edge = SystemMetricAt(SM_CXEDGE, dpi);
        if (!lstrcmpiA(kind, DATETIMEPICK_CLASSA)) {
            lstrcpyA(text, (style & DTS_TIMEFORMAT) ? "23:59" : "12/30 (水)");
            room -= SystemMetricAt(SM_CXVSCROLL, dpi);
        } else if (!lstrcmpiA(kind, "Button")) {
            room -= frame ? ScaleToDpi(16, dpi) : type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON ?
                                                  SystemMetricAt(SM_CXMENUCHECK, dpi) + edge : 2 * edge;
        }
        if (!IsWindowVisible(child))
            continue;
        if (!frame)
            controls.push_back(at);
        if (!text[0] || (edit && (style & (ES_AUTOHSCROLL | ES_MULTILINE))))
            continue;
        EXPECT_LE(TextWidthIn(child, text), room) << "「" << text << "」 in " << kind;
        if (frame)
            labels.push_back({ at.left, at.top, at.left + ScaleToDpi(8, dpi) + TextWidthIn(child, text),
                               at.top + ScaleToDpi(12, dpi) });
    }
    RECT overlap;
    for (const RECT &label : labels)
        for (const RECT &control : controls)
            EXPECT_FALSE(IntersectRect(&overlap, &label, &control)) << Text(label) << " under " << Text(control);
}

}  // namespace

// The texts the guide's pictures showed cut or covered: the preset's number,
// the date's bracket, the groups' labels, and the results' details beyond
// the window's edge.
TEST_F(DpiScreen, EveryTextFitsItsControlInTheMainWindowTheEditDialogAndTheResults)
{
    UINT dpi = ScreenDpi();
    for (int source : { 0, 1, 2 }) {
        SwitchPanelMode(App.PanelMode, source);
        SetWindowTextA(App.NumberBox, "40");
        ExpectTextsFit(window, dpi);
    }
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_RESERVE_EDIT), window,
                                     ReserveEditDlgProc, (LPARAM)-1);
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    ExpectTextsFit(dialog, dpi);
    DestroyWindow(dialog);

    SendMessageA(window, WM_COMMAND, IDM_RESULTS, 0);
    ExpectTextsFit(App.ResultsWindow, dpi);
    HWND list = GetDlgItem(App.ResultsWindow, IDC_RESULTS_LIST);
    int order[ResultFieldCount] = {}, used = 0;
    SendMessageA(list, LVM_GETCOLUMNORDERARRAY, ResultFieldCount, (LPARAM)order);
    EXPECT_EQ(order[2], ResultDetail) << "the details right after the name";
    for (int shown = 0; shown < 7; shown++)  // the name, outcome, details and the four times
        used += (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, (WPARAM)order[shown], 0);
    EXPECT_LE(TextWidthIn(list, "2026/12/24 23:30:00") + ScaleToDpi(12, dpi),
              SendMessageA(list, LVM_GETCOLUMNWIDTH, ResultPlannedStart, 0));
    // At its first width, 1010 pixels at 96 DPI, less what a screen too
    // small for it (1024 pixels at 150 %) cuts off.
    RECT outer = ClientRectIn(NULL, App.ResultsWindow), inside;
    GetClientRect(list, &inside);
    EXPECT_LE(used, inside.right + ScaleToDpi(1010, dpi) - (outer.right - outer.left) - SystemMetricAt(SM_CXVSCROLL, dpi));
    SendMessageA(App.ResultsWindow, WM_CLOSE, 0, 0);
    PumpMessages();
}
