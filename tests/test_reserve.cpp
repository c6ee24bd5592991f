// The reservation record and its owning list.
#include <gtest/gtest.h>
#include <string.h>
#include "support.h"
#include "app/heap.h"

static ReserveEntry *NewEntry(const char *title)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    HeapFreeBlock(entry->Title);
    entry->Title = HeapStrDup(title);
    return entry;
}

TEST(ReserveList, GrowsBy64AndKeepsOrder)
{
    ReserveList list = {};
    char title[16];
    for (int i = 0; i < 130; i++) {
        snprintf(title, sizeof title, "p%d", i);
        ASSERT_TRUE(ReserveListPush(&list, NewEntry(title)));
        if (i == 63) {
            EXPECT_EQ(HeapBlockSize(list.Items), 64 * sizeof(ReserveEntry *));
        }
        if (i == 64) {
            EXPECT_EQ(HeapBlockSize(list.Items), 128 * sizeof(ReserveEntry *));
            for (uint32_t k = 65; k < 128; k++)
                EXPECT_EQ(list.Items[k], nullptr) << "new slots are zeroed";
        }
    }
    for (int i = 0; i < 130; i++) {
        snprintf(title, sizeof title, "p%d", i);
        EXPECT_STREQ(list.Items[i]->Title, title);
    }
    ReserveListClear(&list);
    EXPECT_EQ(list.Count, 0u);
    EXPECT_EQ(list.Items, nullptr);
}

TEST(ReserveList, RemoveReplaceAndReuse)
{
    ReserveList list = {};
    ReserveListPush(&list, NewEntry("a"));
    ReserveListPush(&list, NewEntry("b"));
    ReserveListPush(&list, NewEntry("c"));
    ReserveListRemove(&list, 1);
    ASSERT_EQ(list.Count, 2u);
    EXPECT_STREQ(list.Items[0]->Title, "a");
    EXPECT_STREQ(list.Items[1]->Title, "c");
    ReserveListReplace(&list, 0, NewEntry("z"));
    EXPECT_STREQ(list.Items[0]->Title, "z");
    ReserveListRemove(&list, 1);
    ReserveListRemove(&list, 0);
    EXPECT_EQ(list.Count, 0u);
    ASSERT_TRUE(ReserveListPush(&list, NewEntry("again")));
    EXPECT_STREQ(list.Items[0]->Title, "again");
    ReserveListClear(&list);
}

TEST(ReserveEntry, CopyIsDeepAndKeepsTheWholeFormatBlock)
{
    ReserveEntry *source = ReserveEntryCreate(50);
    source->Format[20] = 0xAB;  // beyond 18 + cbSize: still part of the block
    source->StartHour = 21;
    ReserveEntry *copy = NULL;
    ASSERT_TRUE(ReserveEntryCopy(&copy, source));
    EXPECT_NE(copy->Title, source->Title);
    EXPECT_NE(copy->Format, source->Format);
    EXPECT_EQ(HeapBlockSize(copy->Format), HeapBlockSize(source->Format));
    EXPECT_GE(HeapBlockSize(copy->Format), 50u);
    EXPECT_EQ(copy->Format[20], 0xAB);
    EXPECT_EQ(copy->StartHour, 21);
    ReserveEntryFree(&source);
    EXPECT_EQ(source, nullptr);
    EXPECT_STREQ(copy->Title, "") << "the copy outlives its source";
    ReserveEntryFree(&copy);
    ReserveEntryFree(&copy);  // an empty slot is left alone
    EXPECT_EQ(copy, nullptr);
}

TEST(ReserveEntry, NewEntryStartsWithDefaults)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    const WAVEFORMATEX *format = (const WAVEFORMATEX *)entry->Format;
    EXPECT_EQ(entry->Enabled, 1);
    EXPECT_EQ(entry->Preset, 1);
    EXPECT_EQ(entry->RiffHeader, 1);
    EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format->nChannels, 1);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(format->wBitsPerSample, 8);
    EXPECT_EQ(format->nBlockAlign, 1);
    EXPECT_EQ(format->nAvgBytesPerSec, 22050u);
    EXPECT_EQ(format->cbSize, 0);
    EXPECT_TRUE(FormatBlockValid(entry->Format));
    ReserveEntryFree(&entry);
}

TEST(ReserveEntry, DayValueSelectsTheMode)
{
    static const struct { uint16_t day; ReserveMode mode; } cases[] = {
        { 1, ReserveModeDate }, { 31, ReserveModeDate }, { 255, ReserveModeDaily },
        { 0, ReserveModeWeekly }, { 32, ReserveModeWeekly }, { 40, ReserveModeWeekly },
    };
    for (const auto &c : cases) {
        ReserveEntry entry = {};
        entry.Day = c.day;
        EXPECT_EQ(ReserveEntryMode(&entry), c.mode) << "Day " << c.day;
    }
}

TEST(ReserveEntry, WeekdayNamesAreSundayFirst)
{
    EXPECT_STREQ(WeekdayNames[0], "日");
    EXPECT_STREQ(WeekdayNames[1], "月");
    EXPECT_STREQ(WeekdayNames[6], "土");
    EXPECT_EQ(strlen(WeekdayNames[3]), 2u) << "one double-byte character";
}
