// The platform's file dialogs.
#include "reserveui/reserveui.h"
#include "recorder/recorder.h"
#include <commdlg.h>
#include <string.h>

bool ChooseFile(HWND owner, const char *filter, char *file, char *title, bool open)
{
    if (!file)
        return false;
    if (title)
        title[0] = '\0';
    OPENFILENAMEA request;
    memset(&request, 0, sizeof request);
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.lpstrFile = file;
    request.nMaxFile = SavePathBytes;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = title ? SavePathBytes : 0;
    // Choosing a file never moves the current folder, where a relative path
    // would then be looked up.
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    BOOL chosen = open ? GetOpenFileNameA(&request) : GetSaveFileNameA(&request);
    return chosen != FALSE;
}
