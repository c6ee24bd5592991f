// The list window's mark on reservations that overlap another one, its tip
// naming the other, and the edit dialog's word when a stored reservation
// overlaps.
#include "reserveui/reserveui.h"
#include "schedule/overlap.h"
#include "app/appstate.h"
#include "app/heap.h"
#include "app/notices.h"
#include "app/dpi.h"
#include <commctrl.h>
#include <stdio.h>

// For each row, the row of the reservation it overlaps, or -1; as the marks
// were last set.
static int32_t *OverlapOthers;
static uint32_t OverlapCount;

// The warning picture at dpi's small icon size.
static HIMAGELIST MakeMarkImages(UINT dpi)
{
    int size = SystemMetricAt(SM_CXSMICON, dpi);
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
    HICON warning = (HICON)LoadImageA(NULL, (LPCSTR)IDI_WARNING, IMAGE_ICON, size, size, 0);
    if (images && warning)
        ImageList_AddIcon(images, warning);
    if (warning)
        DestroyIcon(warning);
    return images;
}

static HIMAGELIST MarkImages(HWND listView)
{
    HIMAGELIST images = (HIMAGELIST)SendMessageA(listView, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    if (images)
        return images;
    images = MakeMarkImages(WindowDpi(listView));
    // The list view destroys the list with itself.
    if (images)
        SendMessageA(listView, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
    return images;
}

void ScaleOverlapMarks(HWND listView, UINT dpi)
{
    HIMAGELIST images = MakeMarkImages(dpi);
    if (!images)
        return;
    // The one replaced is the program's to destroy.
    HIMAGELIST old = (HIMAGELIST)SendMessageA(listView, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
    if (old)
        ImageList_Destroy(old);
}

int ReserveRowOverlap(int row)
{
    return row >= 0 && (uint32_t)row < OverlapCount ? OverlapOthers[row] : -1;
}

void ShowOverlapMarks(HWND listView)
{
    if (!listView)
        return;
    HeapFreeBlock(OverlapOthers);
    OverlapCount = 0;
    OverlapOthers = (int32_t *)HeapAllocZero((App.ReserveList.Count + 1) * sizeof(int32_t));
    if (OverlapOthers) {
        FindOverlaps(&App.ReserveList, &App.LastTick, OverlapOthers);
        OverlapCount = App.ReserveList.Count;
    }
    MarkImages(listView);
    int rows = (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < rows; row++) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iImage = ReserveRowOverlap(row) >= 0 ? 0 : I_IMAGENONE;
        SendMessageA(listView, LVM_SETITEMA, 0, (LPARAM)&item);
    }
}

void ForgetOverlapMarks()
{
    HeapFreeBlock(OverlapOthers);
    OverlapOthers = NULL;
    OverlapCount = 0;
}

static const char *TitleOf(int index)
{
    const ReserveEntry *entry = App.ReserveList.Items[index];
    return entry->Title ? entry->Title : "";
}

bool OverlapTip(int row, char *text, size_t size)
{
    int other = ReserveRowOverlap(row);
    if (other < 0 || (uint32_t)other >= App.ReserveList.Count)
        return false;
    snprintf(text, size, "「%s」と時間が重なっています", TitleOf(other));
    return true;
}

void OnOverlapTip(NMLVGETINFOTIPA *tip)
{
    if (tip->pszText && tip->cchTextMax > 0)
        OverlapTip(tip->iItem, tip->pszText, (size_t)tip->cchTextMax);
}

void TellStoredOverlap(int index)
{
    if (index < 0 || (uint32_t)index >= App.ReserveList.Count)
        return;
    int32_t *others = (int32_t *)HeapAllocZero(App.ReserveList.Count * sizeof(int32_t));
    if (!others)
        return;
    FindOverlaps(&App.ReserveList, &App.LastTick, others);
    int other = others[index];
    HeapFreeBlock(others);
    if (other < 0 || (uint32_t)other >= App.ReserveList.Count)
        return;
    Notice notice;
    ComposeOverlap(&notice, TitleOf(index), TitleOf(other));
    ShowNotice(App.MainWindow, &notice);
}
