// The outcomes' texts and marks.
#include "schedule/outcome.h"
#include <stdio.h>
#include <string.h>

static const struct {
    Outcome Value;
    const char *Text;
    OutcomeMark Mark;
} Outcomes[] = {
    { OutcomeRecorded, "録音しました", MarkRecorded },
    { OutcomeRecordedLate, "途中から録音しました", MarkPartly },
    { OutcomeStopped, "途中で止まりました", MarkPartly },
    { OutcomeNotReady, "準備が間に合いませんでした", MarkPartly },
    { OutcomeNotRecorded, "録音できませんでした", MarkFailed },
    { OutcomeMissed, "見逃しました", MarkMissed },
};

static const char SilentSuffix[] = " (無音)";

void OutcomeText(Outcome outcome, bool silent, char text[OutcomeTextBytes])
{
    text[0] = '\0';
    for (const auto &row : Outcomes)
        if (row.Value == outcome)
            snprintf(text, OutcomeTextBytes, "%s%s", row.Text, silent ? SilentSuffix : "");
}

Outcome ParseOutcome(const char *text, bool *silent)
{
    size_t length = strlen(text), suffix = sizeof SilentSuffix - 1;
    *silent = length >= suffix && strcmp(text + length - suffix, SilentSuffix) == 0;
    if (*silent)
        length -= suffix;
    for (const auto &row : Outcomes)
        if (strlen(row.Text) == length && strncmp(row.Text, text, length) == 0)
            return row.Value;
    *silent = false;
    return OutcomeUnknown;
}

OutcomeMark MarkForOutcome(Outcome outcome, bool silent)
{
    if (silent && outcome != OutcomeUnknown)
        return MarkFailed;
    for (const auto &row : Outcomes)
        if (row.Value == outcome)
            return row.Mark;
    return MarkNone;
}
