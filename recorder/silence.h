// Whether a recording heard anything: a file of silence (the stereo's output
// not connected, the PC's recording device muted) is a failure the user has
// to be told of, however well the file itself was written.
#pragma once
#include <windows.h>

// True when a sample of the PCM bytes lies beyond 1/128 of full scale
// (bitsPerSample 8: unsigned around 128; 16, 24, 32: signed). A sample cut
// off at the end of the bytes is not looked at.
bool PcmHasSound(const BYTE *bytes, DWORD length, WORD bitsPerSample);
// The recorder's note of each captured piece, before any conversion.
void NoteCapturedLevel(const BYTE *bytes, DWORD length);
