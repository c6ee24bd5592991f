// What the automatic acquisition of the presets announces as the tick walks
// the stereo through them; app/acquireevents.cpp passes it on to the
// progress dialog.
#pragma once
#include <stdint.h>

// The stereo reported preset (1 to 40) at frequency.
void PresetAcquired(uint8_t preset, int32_t frequency);
// Every preset has been walked through.
void AcquisitionFinished();
