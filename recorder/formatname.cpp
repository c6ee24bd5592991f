// Naming a recording format.
#include "recorder/formatname.h"
#include "recorder/ownformats.h"
#include <msacm.h>
#include <stdio.h>
#include <string.h>

void DescribeFormat(const WAVEFORMATEX *format, bool twoLines, char text[FormatDescriptionBytes])
{
    char ownTag[8], ownText[64];
    if (DescribeOwnFormat(format, ownTag, sizeof ownTag, ownText, sizeof ownText)) {
        snprintf(text, FormatDescriptionBytes, twoLines ? "%s\r\n%s" : "%s %s", ownTag, ownText);
        return;
    }
    ACMFORMATTAGDETAILSA tag;
    memset(&tag, 0, sizeof tag);
    tag.cbStruct = sizeof tag;
    tag.dwFormatTag = format->wFormatTag;
    if (acmFormatTagDetailsA(NULL, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) != MMSYSERR_NOERROR)
        tag.szFormatTag[0] = '\0';

    ACMFORMATDETAILSA details;
    memset(&details, 0, sizeof details);
    details.cbStruct = sizeof details;
    details.dwFormatTag = format->wFormatTag;
    details.pwfx = (WAVEFORMATEX *)format;
    details.cbwfx = sizeof(WAVEFORMATEX) + format->cbSize;
    if (acmFormatDetailsA(NULL, &details, ACM_FORMATDETAILSF_FORMAT) != MMSYSERR_NOERROR)
        details.szFormat[0] = '\0';

    snprintf(text, FormatDescriptionBytes, twoLines ? "%s\r\n%s" : "%s %s", tag.szFormatTag,
             details.szFormat);
}
