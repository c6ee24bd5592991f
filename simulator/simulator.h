// The simulated TALVO: a stereo that answers the USB control protocol like
// the real one, with delays, a memory of its state in TALVOSim.ini beside the
// program, and a tone on the PC's speakers that tells which preset is tuned.
// Tests drive it in-process through the functions below.
//
// It keeps the real stereo's awkward habits that the program has to live
// with: for two seconds after the power key it takes no other key; right
// after switching on its status can report the mute wrongly; and it never
// tunes to, or reports, a preset that holds no station.
#pragma once
#include <windows.h>
#include <stdint.h>

enum { SimPresetCount = 40, SimInputLevelLimit = 12 };

// What the stereo itself knows. Frequencies are frequency values (AM kHz
// below 1630, FM in 10 kHz units), 0 for an empty preset.
struct SimStereo {
    uint8_t Power;
    uint8_t Source;         // 0 tuner, 1 CD, 2 MD, 3 TAPE/AUX, 4 PC USB
    uint8_t Volume;         // 0..80
    uint8_t Mute;           // the speakers are silent
    // Right after switching on, the status still says of the mute what it
    // said before standby (StaleMute), until the mute key is next taken.
    uint8_t MuteStale;
    uint8_t StaleMute;
    uint8_t NbMode;         // 0 none, 1 N.B.1, 2 N.B.2, 3 TONE
    uint8_t Band;           // 0 FM, 1 AM
    uint8_t TuneManual;
    uint8_t Preset;         // 0 when tuned off a preset; never an empty one
    int32_t Frequency;      // now tuned
    int32_t LastFm;         // where the band key returns to
    int32_t LastAm;
    int8_t InputLevelMd;    // -12..+12
    int8_t InputLevelTapeAux;
    int32_t PresetFrequency[SimPresetCount];
};

// Faults a test can make the link or the stereo show.
enum SimFault : uint32_t {
    SimUnplugged = 0x01,      // not found, and every transfer fails; a link open
                              // when it is set stays dead until closed
    SimShortReply = 0x02,     // status replies of 39 bytes
    SimBadChecksum = 0x04,    // status replies whose checksum does not match
    SimIgnoreCommands = 0x08, // commands arrive but change nothing
    SimOpenFails = 0x10,      // listed, but opening gives the invalid handle
};

// Where TALVOSim.ini lives: a folder with its trailing backslash, or NULL for
// the program's own folder.
void SimSetStateFolder(const char *folder);
void SimDefaultStereo(SimStereo *stereo);
void SimGetStereo(SimStereo *stereo);
// Takes effect at once (commands still under way are dropped) and is saved.
void SimSetStereo(const SimStereo *stereo);
void SimSetFaults(uint32_t faults);
// The next status transfer succeeds with exactly these bytes (at most 40)
// instead of the stereo's own reply.
void SimInjectReply(const uint8_t *reply, DWORD length);
// The command codes that arrived since the last call, oldest first (at most
// max); returns how many were copied.
int SimTakeCommands(uint32_t *codes, int max);
// The pitch the speakers should sound now (0 silence), and whether a tone is
// actually playing through the PC's output.
int SimTonePitch();
bool SimTonePlaying();

// ---- between the simulator's files ----

bool SimStereoLoad();
// The state file moved: the state is read again on its next use.
void SimStereoForget();
void SimStereoSave();
// One status poll: lets the stereo's time advance, then fills the reply.
void SimStereoPoll(uint8_t reply[40]);
void SimStereoCommand(uint32_t code);
// The link closes: commands under way complete, the state is saved, the
// speakers fall silent.
void SimStereoClose();
uint32_t SimFaults();
bool SimLoadStateFile(SimStereo *stereo);
bool SimSaveStateFile(const SimStereo *stereo);
// Keeps the output topped up with the pitch (0 stops it).
void SimToneUpdate(int pitch);
void SimToneClose();
