// A recording format in the Audio Compression Manager's own words (the
// program's own MP3 and FLAC in its words), for the list, the edit dialog
// and the results file.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

// A tag name of up to 47 characters, a separator of up to 2, a format name of
// up to 127 and the terminator.
enum { FormatDescriptionBytes = 177 };
// "tag format" on one line, or "tag\r\nformat" when twoLines is set; a name
// the ACM does not know stays empty.
void DescribeFormat(const WAVEFORMATEX *format, bool twoLines, char text[FormatDescriptionBytes]);
