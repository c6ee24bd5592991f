#include "wavecheck.h"
#include <windows.h>
#include <math.h>
#include <algorithm>

uint32_t Le32(const std::string &bytes, size_t at)
{
    return (uint32_t)(uint8_t)bytes[at] | (uint32_t)(uint8_t)bytes[at + 1] << 8 |
           (uint32_t)(uint8_t)bytes[at + 2] << 16 | (uint32_t)(uint8_t)bytes[at + 3] << 24;
}

std::string ParseWave(const std::string &bytes, WaveParts *parts)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 4, "WAVE"))
        return "no RIFF/WAVE header";
    if (Le32(bytes, 4) != bytes.size() - 8)
        return "the RIFF size is not the file's length - 8";
    const char *ids[] = { "fmt ", "fact", "data" };
    std::string *contents[] = { &parts->Fmt, &parts->Fact, &parts->Data };
    size_t at = 12;
    for (int i = 0; i < 3; i++) {
        if (at + 8 > bytes.size() || bytes.compare(at, 4, ids[i]))
            return std::string("no \"") + ids[i] + "\" where expected";
        uint32_t size = Le32(bytes, at + 4);
        if (at + 8 + size + (size & 1) > bytes.size() || ((size & 1) && bytes[at + 8 + size]))
            return std::string("\"") + ids[i] + "\" overruns the file or lacks its zero pad byte";
        *contents[i] = bytes.substr(at + 8, size);
        at += 8 + size + (size & 1);
    }
    parts->List.clear();
    if (at == bytes.size())
        return "";
    if (at + 8 > bytes.size() || bytes.compare(at, 4, "LIST"))
        return "bytes after the data chunk";
    uint32_t size = Le32(bytes, at + 4);
    if (at + 8 + size + (size & 1) != bytes.size() || ((size & 1) && bytes[at + 8 + size]))
        return "the LIST chunk does not end the file with its pad";
    parts->List = bytes.substr(at + 8, size);
    return "";
}

std::map<std::string, std::string> InfoTexts(const std::string &list)
{
    std::map<std::string, std::string> texts;
    if (list.size() < 4 || list.compare(0, 4, "INFO")) {
        texts[""] = "no INFO list";
        return texts;
    }
    for (size_t at = 4; at < list.size();) {
        if (at + 8 > list.size()) {
            texts[""] = "a cut sub-chunk header";
            break;
        }
        uint32_t size = Le32(list, at + 4);
        if (at + 8 + size + (size & 1) > list.size() || size == 0 || list[at + 8 + size - 1] != '\0') {
            texts[""] = "a sub-chunk overruns the list or lacks its zero";
            break;
        }
        texts[list.substr(at, 4)] = list.substr(at + 8, size - 1);
        at += 8 + size + (size & 1);
    }
    return texts;
}

uint64_t FileLength(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return (uint64_t)-1;
    return (uint64_t)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The first channel of PCM samples, scaled to -1..1.
std::vector<double> FirstChannel(const std::string &pcm, int bits, int channels)
{
    std::vector<double> samples;
    size_t frame = (size_t)bits / 8 * channels;
    for (size_t at = 0; at + frame <= pcm.size(); at += frame) {
        if (bits == 8)
            samples.push_back(((uint8_t)pcm[at] - 128) / 128.0);
        else
            samples.push_back((int16_t)((uint8_t)pcm[at] | (uint8_t)pcm[at + 1] << 8) / 32768.0);
    }
    return samples;
}

Hearing Listen(const std::vector<double> &samples, int rate)
{
    Hearing heard;
    size_t from = samples.size() / 4, to = samples.size() * 3 / 4;
    if (to <= from)
        return heard;
    double sum = 0;
    int side = 0;
    std::vector<size_t> rises;  // where the wave goes from below zero to above it
    for (size_t i = from; i < to; i++) {
        sum += samples[i] * samples[i];
        // A little hysteresis so that noise around zero is not counted.
        int now = samples[i] > 0.02 ? 1 : samples[i] < -0.02 ? -1 : side;
        if (side == -1 && now == 1)
            rises.push_back(i);
        side = now;
    }
    heard.Rms = sqrt(sum / (to - from));
    // The pitch comes from the lengths of the periods, not from how many
    // there are: a moment of silence in the recording (a sound server that
    // fell behind on a busy machine) makes one long period, which is left
    // out, instead of lowering the pitch of the whole.
    std::vector<double> periods;
    for (size_t k = 1; k < rises.size(); k++)
        periods.push_back((double)(rises[k] - rises[k - 1]));
    if (periods.empty())
        return heard;
    std::vector<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted[sorted.size() / 2], total = 0;
    int counted = 0;
    for (double period : periods)
        if (period > median * 0.8 && period < median * 1.2) {
            total += period;
            counted++;
        }
    heard.Hz = rate / (total / counted);
    return heard;
}

