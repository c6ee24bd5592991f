// The USB control protocol as the stereo's firmware and driver know it,
// written down from the stereo's side. The simulator takes none of these
// from the program, so a byte the program gets wrong is one the simulated
// stereo does not understand either, just as the real one would not.
#pragma once
#include <windows.h>
#include <stdint.h>

// The one control code the driver answers.
enum : DWORD { SimControlCode = 0x00222010 };

enum {
    SimHeaderBytes = 19,          // "BS", zeros, 0x18, the kind, zeros, 0x20
    SimStatusRequestBytes = 19,
    SimCommandRequestBytes = 51,  // header, four code bytes, their sum, zeros
    SimReplyBytes = 40,           // bytes 9..38 summed into byte 39
    SimCommandReplyBytes = 8,
};
enum : uint8_t { SimKindCommand = 0x00, SimKindStatus = 0x01 };

// The codes of the stereo's keys, most significant byte first on the wire.
// The preset and volume keys carry their number in the last byte.
enum : uint32_t {
    SimPowerOff = 0xB8020680,
    SimPowerOn = 0xB8020681,
    SimSelectTuner = 0xB8020091,
    SimSelectCd = 0xB8020092,
    SimSelectMd = 0xB80201D2,
    SimSelectTapeAux = 0xB8020095,
    SimSelectPcUsb = 0xB8020093,
    SimMuteToggle = 0xB802009C,
    SimNbCycle = 0xB802014B,
    SimTunerAuto = 0xB8020118,
    SimCdRepeat = 0xB80200CC,
    SimTunerBand = 0xB802008F,
    SimCdRandom = 0xB80201D4,
    SimInputLevelDown = 0xB80201C0,
    SimInputLevelUp = 0xB80201C1,
    SimSetVolume = 0xB8024D00,
    SimRecallPreset = 0xB8024C00,
    SimDiscSearch = 0xB8024400,
};
