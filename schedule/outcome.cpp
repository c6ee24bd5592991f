// The outcomes' texts and marks.
#include "schedule/outcome.h"
#include <stdio.h>
#include <string.h>

// Earlier versions wrote 録画 for 録音: their lines read as the same outcomes.
static const struct {
    Outcome Value;
    const char *Text;
    OutcomeMark Mark;
    const char *EarlierText;
} Outcomes[] = {
    { OutcomeRecorded, "録音しました", MarkRecorded, "録画しました" },
    { OutcomeRecordedLate, "途中から録音しました", MarkPartly, "途中から録画しました" },
    { OutcomeStopped, "途中で止まりました", MarkPartly, NULL },
    { OutcomeNotReady, "準備が間に合いませんでした", MarkPartly, NULL },
    { OutcomeNotRecorded, "録音できませんでした", MarkFailed, "録画できませんでした" },
    { OutcomeMissed, "見逃しました", MarkMissed, NULL },
};

static bool SameText(const char *text, size_t length, const char *wanted)
{
    return wanted && strlen(wanted) == length && strncmp(wanted, text, length) == 0;
}

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
        if (SameText(text, length, row.Text) || SameText(text, length, row.EarlierText))
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
