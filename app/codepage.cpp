// The notice of a code page the program's texts are not written in.
#include "app/codepage.h"

enum { JapaneseCodePage = 932 };

bool WarnOfForeignCodePage(HWND owner, UINT codePage)
{
    if (codePage == JapaneseCodePage)
        return false;
    MessageBoxW(owner,
                L"Windows の「Unicode 対応ではないプログラムの言語」が日本語ではないため、"
                L"このプログラムの文字は正しく表示されません。\n"
                L"日本語にして、「ベータ: ワールドワイド言語サポートで Unicode UTF-8 を使用」を"
                L"オフにしてください。\n\n"
                L"Windows' language for non-Unicode programs is not Japanese, so the texts of this "
                L"program will look garbled. Set it to Japanese, with \"Beta: Use Unicode UTF-8 for "
                L"worldwide language support\" turned off.",
                L"TALVO レコーダー", MB_OK | MB_ICONWARNING);
    return true;
}
