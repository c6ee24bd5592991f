// Reading recordings back in the tests: a strict WAVE walk and a rough ear
// for the tone in the samples.
#pragma once
#include <stdint.h>
#include <map>
#include <string>
#include <vector>

uint32_t Le32(const std::string &bytes, size_t at);

struct WaveParts {
    std::string Fmt, Fact, Data;  // each chunk's contents
    std::string List;             // the LIST chunk's contents behind "data", if any
    uint32_t Frames() const { return Fact.size() == 4 ? Le32(Fact, 0) : ~0u; }
};

// Walks the file chunk by chunk: "RIFF"/"WAVE" sized to the file, holding
// exactly "fmt ", "fact" and "data" in this order, then at most one "LIST"
// chunk, a zero pad byte after each odd chunk and nothing after the last.
// Returns what is wrong, or nothing.
std::string ParseWave(const std::string &bytes, WaveParts *parts);
// The texts of a LIST "INFO" chunk's contents by their ids ("INAM" ...),
// each without its terminating zero; what is wrong with it goes under "".
std::map<std::string, std::string> InfoTexts(const std::string &list);
uint64_t FileLength(const std::string &path);
bool Exists(const std::string &path);

// The first channel of PCM samples, scaled to -1..1.
std::vector<double> FirstChannel(const std::string &pcm, int bits, int channels);

// Level and frequency of the middle half, away from the start and the stop;
// the frequency is that of the typical period, so a short gap does not lower it.
struct Hearing {
    double Rms = 0;
    double Hz = 0;
};
Hearing Listen(const std::vector<double> &samples, int rate);
