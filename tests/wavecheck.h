// Reading recordings back in the tests: a strict WAVE walk and a rough ear
// for the tone in the samples.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

uint32_t Le32(const std::string &bytes, size_t at);

struct WaveParts {
    std::string Fmt, Fact, Data;  // each chunk's contents
    uint32_t Frames() const { return Fact.size() == 4 ? Le32(Fact, 0) : ~0u; }
};

// Walks the file chunk by chunk: "RIFF"/"WAVE" sized to the file, holding
// exactly "fmt ", "fact" and "data" in this order, a zero pad byte after each
// odd chunk and nothing after the last. Returns what is wrong, or nothing.
std::string ParseWave(const std::string &bytes, WaveParts *parts);
uint64_t FileLength(const std::string &path);
bool Exists(const std::string &path);

// The first channel of PCM samples, scaled to -1..1.
std::vector<double> FirstChannel(const std::string &pcm, int bits, int channels);

// Level and frequency of the middle half, away from the start and the stop.
struct Hearing {
    double Rms = 0;
    double Hz = 0;
};
Hearing Listen(const std::vector<double> &samples, int rate);
