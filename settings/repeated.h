// A section whose header stands more than once in the settings file (a file
// merged or pasted together by hand). The private-profile functions see only
// the first; these functions find the others. A section too long for the
// private-profile functions (they take at most 65,535 bytes written and give
// at most 32,767 read in one call) is written and read here whole too.
#pragma once
#include <windows.h>

// How many headers "[name]" the file has (names compared without regard to
// case, as the private-profile functions do).
int CountSectionHeaders(const char *path, const char *name);
// The lines under every header of the section after the first, in the form
// GetPrivateProfileSectionA gives: each line NUL-terminated, a second NUL at
// the end; *count is the bytes before that last NUL. Blank lines and
// comments are left out. A heap block the caller frees, or none.
char *ReadLaterSections(const char *path, const char *name, DWORD *count);
// Leaves the section in the file once: every header of it and its lines are
// taken out, then lines are written as the only one. False when the file
// could not be written.
bool WriteSectionOnce(const char *path, const char *name, const char *lines, int headers);
// Every header's lines of the section, in the form ReadLaterSections gives;
// *headers the number of its headers.
char *ReadWholeSection(const char *path, const char *name, DWORD *count, int *headers);
// Puts the lines (NUL-separated, a second NUL at the end) under the
// section's first header in the file's own text, or under a new one at its
// end; every other header of the section and its lines go. The file's other
// lines stay byte for byte. False when the file could not be written.
bool WriteSectionText(const char *path, const char *name, const char *lines);
