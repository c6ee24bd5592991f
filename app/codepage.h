// The program's texts are Shift-JIS: on a system whose ANSI code page is
// another one (a non-Japanese Windows, or Japanese Windows with UTF-8 for
// worldwide language support) every one of them shows garbled.
#pragma once
#include <windows.h>

// Says so once, in wide characters (Japanese and English, which show right
// under any code page), when codePage is not the Japanese one; the program
// then goes on. owner may be none. True when the message was shown.
bool WarnOfForeignCodePage(HWND owner, UINT codePage);
