// A text that goes into a file name from outside the user's pattern (the
// programme's title): the characters Windows forbids in a name become their
// full-width forms, so "FM/AM: ジャズ?" names one file rather than a folder
// that is not there, an alternate data stream or an invalid name.
#pragma once
#include <stddef.h>

// The text with \ / : * ? " < > | as ￥ ／ ： ＊ ？ ” ＜ ＞ ｜, control
// characters dropped and its trailing dots and blanks dropped, in the system's
// code page, cut at a whole character to fit size bytes with its zero.
void FileNameText(const char *text, char *out, size_t size);
