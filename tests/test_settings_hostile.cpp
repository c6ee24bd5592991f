// Damaged and hostile settings files: thousands of mutations of a real file,
// each loaded and saved through the real private-profile functions. Nothing
// may crash, and every reservation line the damage did not touch must come
// through load, save and load unchanged.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <random>
#include <string>
#include <vector>
#include "support.h"
#include "app/heap.h"

namespace {

struct FileLine {
    std::string text;
    bool reservation;  // one of the original reservation lines
    bool damaged;
    int index;         // which original reservation
};

ReserveEntry *MakeReservation(int i)
{
    ReserveEntry *e = ReserveEntryCreate(i % 3 && i % 5 ? 18 : 50);
    char text[200];
    snprintf(text, sizeof text, "番組%d,第%d回 ソフト表示 ｿﾌﾄ", i, i * 7);
    HeapFreeBlock(e->Title);
    e->Title = HeapStrDup(text);
    snprintf(text, sizeof text, "C:\\録音\\%%T_%%Y%%M%%D_%d.wav", i);
    HeapFreeBlock(e->SavePath);
    e->SavePath = HeapStrDup(text);
    e->Enabled = i % 2;
    e->Preset = (uint16_t)(i % 40 + 1);
    e->Day = (uint16_t)(i % 3 == 0 ? 255 : i % 3 == 1 ? (i % 28) + 1 : 0);
    e->Year = 2027;
    e->Month = (uint16_t)(i % 12 + 1);
    e->WeekdayFirst = (uint16_t)(i % 7);
    e->WeekdayLast = (uint16_t)(i % 7);
    e->StartHour = (uint16_t)(i % 24);
    e->StartMinute = (uint16_t)(i * 13 % 60);
    e->EndHour = (uint16_t)((i + 1) % 24);
    e->EndMinute = (uint16_t)(i * 7 % 60);
    e->RiffHeader = i % 4 != 0;
    if (i % 5 == 0) {
        WAVEFORMATEX *f = (WAVEFORMATEX *)e->Format;
        f->wFormatTag = 0x11;
        f->cbSize = 2;
        e->Format[18] = 0xF9;
        e->Format[19] = 0x01;
    }
    return e;
}

std::string Fields(const ReserveEntry *e)
{
    char head[160];
    snprintf(head, sizeof head, "%d|%u|%u|%u|%u|%u|%u|%u|%u|%u|%u|%d|", (int)e->Enabled, e->Preset, e->Year,
             e->Month, e->Day, e->WeekdayFirst, e->WeekdayLast, e->StartHour, e->StartMinute, e->EndHour,
             e->EndMinute, (int)e->RiffHeader);
    std::string text = head;
    text += std::string(e->Title) + "|" + e->SavePath + "|";
    text.append((const char *)e->Format, FormatLength(e->Format));
    return text;
}

std::vector<FileLine> SplitLines(const std::string &file)
{
    std::vector<FileLine> lines;
    bool inReserve = false;
    int index = 0;
    size_t at = 0;
    while (at < file.size()) {
        size_t end = file.find("\r\n", at);
        if (end == std::string::npos)
            end = file.size();
        FileLine line = { file.substr(at, end - at), false, false, -1 };
        if (!line.text.empty() && line.text[0] == '[')
            inReserve = line.text == "[RESERVE]";
        else if (inReserve && !line.text.empty()) {
            line.reservation = true;
            line.index = index++;
        }
        lines.push_back(line);
        at = end + 2;
    }
    return lines;
}

std::string Join(const std::vector<FileLine> &lines, const std::string &tail)
{
    std::string file;
    for (const FileLine &line : lines)
        file += line.text + "\r\n";
    return file + tail;
}

// Any byte that keeps the line a line: no NUL, CR or LF.
char LineByte(std::mt19937 &random)
{
    char c;
    do
        c = (char)(random() & 0xFF);
    while (c == '\0' || c == '\r' || c == '\n');
    return c;
}

std::string GarbageLine(std::mt19937 &random, size_t length)
{
    std::string line;
    for (size_t i = 0; i < length; i++)
        line += LineByte(random);
    // Not a section header: the profile functions skip blanks (form feeds
    // among them) before the "[", and the lines after a header belong to
    // its section, not to the one the test put them in.
    size_t first = line.find_first_not_of(" \t\f\v");
    if (first != std::string::npos && line[first] == '[')
        line[first] = 'x';
    return line;
}

bool IsHeaderOrEmpty(const FileLine &line)
{
    return line.text.empty() || line.text[0] == '[';
}

// Picks a line that is neither a section header nor empty.
size_t PickLine(std::mt19937 &random, const std::vector<FileLine> &lines)
{
    for (;;) {
        size_t i = random() % lines.size();
        if (!IsHeaderOrEmpty(lines[i]))
            return i;
    }
}

void Damage(FileLine &line)
{
    if (line.reservation)
        line.damaged = true;
}

// Every fiftieth file also gets thousands of extra sections (slow to parse,
// so not more often).
std::string Mutate(std::mt19937 &random, std::vector<FileLine> &lines, bool manySections)
{
    std::string tail;
    if (manySections) {
        char section[64];
        for (int s = 0; s < 3000; s++) {
            snprintf(section, sizeof section, "[S%d]\r\nk%d=v\r\n", s, s);
            tail += section;
        }
    }
    int mutations = 1 + (int)(random() % 4);
    for (int m = 0; m < mutations; m++) {
        size_t i = PickLine(random, lines);
        FileLine &line = lines[i];
        switch (random() % 8) {
        case 0:  // random bytes inside a line
            for (int k = 0; k < 1 + (int)(random() % 8); k++)
                line.text[random() % line.text.size()] = LineByte(random);
            Damage(line);
            break;
        case 1:  // a truncated line
            line.text.resize(random() % line.text.size());
            Damage(line);
            break;
        case 2:  // a huge line
            lines.insert(lines.begin() + (long)i, FileLine{ GarbageLine(random, 20000 + random() % 80000), false, false, -1 });
            break;
        case 3: {  // the commas gone
            std::string text;
            for (char c : line.text)
                if (c != ',')
                    text += c;
            if (text != line.text)
                Damage(line);
            line.text = text;
            break;
        }
        case 4: {  // odd, lower-case or short hexadecimal formats
            size_t comma = line.text.rfind(',');
            if (comma != std::string::npos) {
                static const char *const odd[] = { "0", "01000100225", "0a0b0c", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "" };
                line.text = line.text.substr(0, comma + 1) + odd[random() % 5];
                Damage(line);
            }
            break;
        }
        case 5:  // a lead byte with nothing after it, and broken pairs
            line.text += (char)0x81;
            line.text.insert(random() % line.text.size(), 1, (char)0x9F);
            Damage(line);
            break;
        case 6:  // garbage lines among the others
            for (int k = 0; k < 5; k++)
                lines.insert(lines.begin() + (long)i, FileLine{ GarbageLine(random, random() % 300), false, false, -1 });
            break;
        case 7:  // "=" signs in the middle of a line
            line.text.insert(random() % line.text.size(), "==");
            Damage(line);
            break;
        }
    }
    return tail;
}

void FlushProfileCache(const std::string &path)
{
    WritePrivateProfileStringA(NULL, NULL, NULL, path.c_str());
}

// True when wanted appears in list, in order.
bool HoldsInOrder(const std::vector<std::string> &wanted, const ReserveList &list)
{
    size_t next = 0;
    for (uint32_t i = 0; i < list.Count && next < wanted.size(); i++)
        if (Fields(list.Items[i]) == wanted[next])
            next++;
    return next == wanted.size();
}

}  // namespace

TEST(HostileSettings, TenThousandMutatedFilesLoseNoIntactReservation)
{
    ResetAppState();
    std::string folder = MakeTempFolder("hostile");
    std::string path = folder + SettingsFileName;
    LoadAllSections(folder);
    std::vector<std::string> originals;
    for (int i = 0; i < 24; i++) {
        ReserveEntry *e = MakeReservation(i);
        originals.push_back(Fields(e));
        ReserveListPush(&App.ReserveList, e);
    }
    App.PresetTable[3].Frequency = 8250;
    SaveAllSections(folder);
    FlushProfileCache(path);
    const std::string base = ReadTextFile(path);
    ResetAppState();

    const int tries = 10000;
    int damagedFiles = 0;
    std::mt19937 random(20261209);
    for (int t = 0; t < tries; t++) {
        std::vector<FileLine> lines = SplitLines(base);
        std::string tail = Mutate(random, lines, t % 50 == 0);
        std::vector<std::string> intact;
        for (const FileLine &line : lines)
            if (line.reservation && !line.damaged)
                intact.push_back(originals[line.index]);
        damagedFiles += intact.size() < originals.size();
        WriteTextFile(path, Join(lines, tail));
        FlushProfileCache(path);

        LoadAllSections(folder);
        ASSERT_TRUE(HoldsInOrder(intact, App.ReserveList)) << "try " << t << " after loading";
        for (uint32_t i = 0; i < App.ReserveList.Count; i++)
            ASSERT_TRUE(FormatBlockValid(App.ReserveList.Items[i]->Format)) << "try " << t;
        ASSERT_LE(App.StationNameTable.Count, 100000u);
        SaveAllSections(folder);
        FlushProfileCache(path);
        ResetAppState();
        LoadSettingsSection(folder.c_str(), SectionReserve);
        ASSERT_TRUE(HoldsInOrder(intact, App.ReserveList)) << "try " << t << " after saving";
        ResetAppState();
    }
    printf("hostile settings files tried: %d (%d with damaged reservation lines)\n", tries, damagedFiles);
    EXPECT_GT(damagedFiles, tries / 4) << "the mutations reach the reservations";
    RemoveTree(folder);
}
