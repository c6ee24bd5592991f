// The stereo: its USB control link, the meaning of its status reply, its
// commands and the sequencer that brings it into a wanted state. Nothing
// here touches a window: a status reply's change comes back to the tick as a
// StatusChange (shown by app/stereostatus.cpp), and the acquisition of the
// presets is announced through device/acquireevents.h (app/acquireevents.cpp).
#pragma once
#include <windows.h>
#include <stdint.h>
#include <stddef.h>

// ---- transport ----

enum : DWORD { DeviceControlCode = 0x00222010 };
enum {
    RequestHeaderSize = 19,
    StatusRequestSize = 19,
    CommandRequestSize = 51,
    StatusReplySize = 40,
    CommandReplySize = 8,
};
enum : uint32_t { TransferCommand = 0, TransferStatus = 1 };
extern const GUID DeviceInterfaceGuid;

// The 19 bytes that begin every request, for the given transfer kind.
void BuildRequestHeader(uint8_t header[RequestHeaderSize], uint32_t kind);
// Fills the status request; returns its length.
size_t BuildStatusRequest(uint8_t request[StatusRequestSize]);
// The code actually sent: the preset and volume codes carry the low byte of
// the argument in their last byte, every other code ignores it.
uint32_t CommandWithArgument(uint32_t code, uint32_t argument);
// Fills the command request (code most significant byte first, then its
// checksum); returns its length.
size_t BuildCommandRequest(uint32_t code, uint8_t request[CommandRequestSize]);
// A reply is whole when at least 40 bytes came and byte 39 is the sum of
// bytes 9..38 modulo 256.
bool CheckStatusReply(const uint8_t *reply, DWORD length);

// Finds the stereo's interface and opens it into DeviceLink; false when the
// stereo is not there.
bool DeviceOpen();
void DeviceClose();
bool DeviceReadStatus(uint8_t *reply, DWORD size);
bool DeviceSendCommand(uint32_t code, uint32_t argument);

// ---- status ----

struct DeviceStatus {
    uint8_t Source;      // 0 tuner, 1 CD, 2 MD, 3 TAPE/AUX, 4 PC USB
    uint8_t Power;
    uint8_t Mute;
    uint8_t NbMode;      // 0 none, 1 N.B.1, 2 N.B.2, 3 TONE
    uint8_t Band;        // 0 FM, 1 AM
    uint8_t TuneManual;
    uint8_t Preset;      // 1..40, 0 none
    uint8_t Volume;      // 0..80
    uint16_t Frequency;  // four BCD digits
    int32_t InputLevel;
};

// Gives the fields of a checked 40-byte status reply their meaning.
void DecodeStatusReply(const uint8_t *reply, DeviceStatus *status);

// ---- commands (most significant byte first on the wire) ----

enum DeviceCommand : uint32_t {
    PowerOff = 0xB8020680,
    PowerOn = 0xB8020681,
    SelectTuner = 0xB8020091,
    SelectCd = 0xB8020092,
    SelectMd = 0xB80201D2,
    SelectTapeAux = 0xB8020095,
    SelectPcUsb = 0xB8020093,
    MuteToggle = 0xB802009C,
    NbCycle = 0xB802014B,
    TunerAuto = 0xB8020118,
    CdRepeat = 0xB80200CC,
    TunerBand = 0xB802008F,
    CdRandom = 0xB80201D4,
    InputLevelDown = 0xB80201C0,
    InputLevelUp = 0xB80201C1,
    SetVolume = 0xB8024D00,
    RecallPreset = 0xB8024C00,
    DiscSearch = 0xB8024400,
};

// ---- request sequencer ----

enum : uint32_t {
    ReqPower = 0x01,
    ReqSource = 0x02,
    ReqMute = 0x04,
    ReqPreset = 0x20,
    ReqAcquire = 0x80,
    ReqJustPoweredOn = 0x100,
};

struct DeviceRequest {
    uint8_t TargetSource;
    uint8_t TargetPower;
    uint8_t TargetMute;
    uint8_t TargetPreset;
    uint32_t PendingFlags;
};

enum { PanelModeOff = 16, RecordingLayout = 32 };
// Failed status reads (ticks) before the link is opened again.
enum { ReopenTicks = 20 };
// Recalls of one preset (one a tick: three seconds) after which an
// acquisition that has not seen the stereo report it goes on to the next.
enum { AcquireSkipAsks = 30 };

// What a status reply changed that the windows show: the tick applies it
// (app/stereostatus.h).
struct StatusChange {
    bool Redraw;           // the display must be drawn again
    bool PresetChanged;    // the number box follows the stereo's preset
    bool LayoutChanged;    // the panel goes from FromLayout to ToLayout (not while a reservation runs)
    int FromLayout;
    int ToLayout;
    bool Answered;         // a status reply was read
    bool AnswerChanged;    // App.StereoSilent changed: the stereo stopped answering, or answers again
};

// Reads and decodes the status and reacts to what changed; true when the
// display must be redrawn. change, when given, receives what the windows
// must follow. After two seconds of failed reads the link is opened again,
// and again every two seconds while they go on failing. mainWindow is not
// used: the windows follow through change.
bool RefreshDeviceStatus(HWND mainWindow, StatusChange *change = NULL);
// At most one step of the pending device actions.
void RunDeviceRequests();
// True when now and the previous tick differ in anything but the seconds.
bool MinuteChanged(const SYSTEMTIME *now);
// The station table was changed: the name shown for the tuned frequency is
// looked up again (its place in the table may have moved, or it may be
// gone); the caller redraws the display.
void StationTableChanged();
// The frequency value of four BCD digits (8250 for 0x8250).
int32_t BcdFrequencyValue(uint16_t bcd);
