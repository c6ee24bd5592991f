// The simulated tuner's sound: a steady tone on the PC's default output whose
// pitch tells which preset is tuned, so a recording of the stereo's USB audio
// shows which station was received. The status polls keep the queue topped
// up; without an output device there is simply no sound.
#include "simulator/simulator.h"
#include <math.h>
#include <string.h>

enum {
    ToneRate = 22050,
    ToneBuffers = 4,
    ToneSamples = ToneRate / 10,   // one poll's worth of sound per buffer
    ToneAmplitude = 8000,
};

static HWAVEOUT Output;
static WAVEHDR Headers[ToneBuffers];
static int16_t Samples[ToneBuffers][ToneSamples];
static bool Queued[ToneBuffers];
static int Pitch;
static bool OutputFailed;   // tried again only when the tuned station changes
static double Phase;   // in turns, kept across buffers so the tone has no clicks

static bool OpenOutput()
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = ToneRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = ToneRate * 2;
    if (waveOutOpen(&Output, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        Output = NULL;
        return false;
    }
    for (int i = 0; i < ToneBuffers; i++) {
        memset(&Headers[i], 0, sizeof Headers[i]);
        Headers[i].lpData = (LPSTR)Samples[i];
        Headers[i].dwBufferLength = sizeof Samples[i];
        waveOutPrepareHeader(Output, &Headers[i], sizeof Headers[i]);
        Queued[i] = false;
    }
    return true;
}

static void CloseOutput()
{
    if (!Output)
        return;
    waveOutReset(Output);
    for (int i = 0; i < ToneBuffers; i++)
        waveOutUnprepareHeader(Output, &Headers[i], sizeof Headers[i]);
    waveOutClose(Output);
    Output = NULL;
}

static void FillBuffer(int16_t *samples)
{
    static const double TwoPi = 6.283185307179586;
    double step = (double)Pitch / ToneRate;
    for (int i = 0; i < ToneSamples; i++) {
        samples[i] = (int16_t)(ToneAmplitude * sin(TwoPi * Phase));
        Phase += step;
        if (Phase >= 1.0)
            Phase -= 1.0;
    }
}

static void TopUp()
{
    for (int i = 0; i < ToneBuffers; i++) {
        if (Queued[i] && !(Headers[i].dwFlags & WHDR_DONE))
            continue;
        FillBuffer(Samples[i]);
        Headers[i].dwFlags &= ~WHDR_DONE;
        Queued[i] = waveOutWrite(Output, &Headers[i], sizeof Headers[i]) == MMSYSERR_NOERROR;
    }
}

void SimToneUpdate(int pitch)
{
    if (pitch != Pitch) {
        // A new station is heard at once, not after what is already queued.
        if (Output)
            waveOutReset(Output);
        for (int i = 0; i < ToneBuffers; i++)
            Queued[i] = false;
        Pitch = pitch;
        OutputFailed = false;
        if (pitch == 0) {
            CloseOutput();
            return;
        }
    }
    if (Pitch == 0 || OutputFailed)
        return;
    if (!Output && !OpenOutput()) {
        OutputFailed = true;
        return;
    }
    TopUp();
}

bool SimTonePlaying()
{
    return Output != NULL && Pitch != 0;
}

void SimToneClose()
{
    CloseOutput();
    Pitch = 0;
}
