// The simulated stereo behind the device's platform operations: its driver
// side checks every request byte as the stereo's firmware would and answers
// with the stereo's status.
#include "device/platform.h"
#include "simulator/simulator.h"
#include "simulator/wire.h"
#include "app/heap.h"
#include <string.h>

static const char SimDevicePath[] = "\\\\.\\TALVOSim";
// The device-interface class the stereo's driver publishes.
static const GUID SimInterfaceClass = {
    0x40D21F00, 0x3D74, 0x11D4, { 0x9D, 0x36, 0x00, 0x60, 0x97, 0x23, 0x51, 0x3D }
};
// Any value but null and the invalid handle: the simulated link is no
// kernel object and is never given to CloseHandle.
static const HANDLE SimLink = (HANDLE)(INT_PTR)0x7A1C;

enum { CommandLogSize = 256 };

static bool LinkOpen;
// Unplugging kills the open handle for good, as with the real stereo: only a
// new open after it is plugged in again gets through.
static bool LinkDead;
static uint32_t Faults;
static uint32_t CommandLog[CommandLogSize];
static int CommandLogCount;

void SimSetFaults(uint32_t faults)
{
    Faults = faults;
    if ((faults & SimUnplugged) && LinkOpen)
        LinkDead = true;
}

uint32_t SimFaults()
{
    return Faults;
}

int SimTakeCommands(uint32_t *codes, int max)
{
    int count = CommandLogCount < max ? CommandLogCount : max;
    memcpy(codes, CommandLog, count * sizeof *codes);
    memmove(CommandLog, CommandLog + count, (CommandLogCount - count) * sizeof *CommandLog);
    CommandLogCount -= count;
    return count;
}

static void LogCommand(uint32_t code)
{
    if (CommandLogCount == CommandLogSize) {
        memmove(CommandLog, CommandLog + 1, (CommandLogSize - 1) * sizeof *CommandLog);
        CommandLogCount--;
    }
    CommandLog[CommandLogCount++] = code;
}

bool PlatformFindInterface(const GUID *interfaceClass, char **devicePath)
{
    if ((Faults & SimUnplugged) || !IsEqualGUID(*interfaceClass, SimInterfaceClass))
        return false;
    *devicePath = HeapStrDup(SimDevicePath);
    return *devicePath != NULL;
}

HANDLE PlatformOpenInterface(const char *devicePath)
{
    if ((Faults & SimOpenFails) || strcmp(devicePath, SimDevicePath) != 0 || LinkOpen) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SimStereoLoad();
    LinkOpen = true;
    return SimLink;
}

static bool HeaderIsValid(const uint8_t *request, uint8_t kind)
{
    uint8_t expected[SimHeaderBytes] = { 'B', 'S', 0, 0, 0, 0, 0x18, 0x00 };
    expected[8] = kind;
    expected[17] = 0x20;
    return memcmp(request, expected, SimHeaderBytes) == 0;
}

static uint8_t InjectedReply[SimReplyBytes];
static DWORD InjectedLength;
static bool ReplyInjected;

void SimInjectReply(const uint8_t *reply, DWORD length)
{
    InjectedLength = length < (DWORD)SimReplyBytes ? length : (DWORD)SimReplyBytes;
    memcpy(InjectedReply, reply, InjectedLength);
    ReplyInjected = true;
}

static bool AnswerStatus(DWORD requestSize, uint8_t *reply, DWORD replySize, DWORD *returned)
{
    if (requestSize < SimStatusRequestBytes || replySize < SimReplyBytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    if (ReplyInjected) {
        ReplyInjected = false;
        memcpy(reply, InjectedReply, InjectedLength);
        *returned = InjectedLength;
        return true;
    }
    SimStereoPoll(reply);
    if (Faults & SimBadChecksum)
        reply[39]++;
    *returned = (Faults & SimShortReply) ? SimReplyBytes - 1 : SimReplyBytes;
    return true;
}

// The firmware takes a command only when its code begins B8 02, its
// checksum matches and the rest of the block is empty.
static bool TakeCommand(const uint8_t *request, DWORD requestSize, uint8_t *reply, DWORD replySize,
                        DWORD *returned)
{
    if (requestSize != SimCommandRequestBytes || replySize < SimCommandReplyBytes || request[19] != 0xB8
        || request[20] != 0x02 || (uint8_t)(request[19] + request[20] + request[21] + request[22]) != request[23]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    for (int i = 24; i < SimCommandRequestBytes; i++) {
        if (request[i] != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
    }
    uint32_t code = (uint32_t)request[19] << 24 | (uint32_t)request[20] << 16 | (uint32_t)request[21] << 8 | request[22];
    LogCommand(code);
    if (!(Faults & SimIgnoreCommands))
        SimStereoCommand(code);
    memset(reply, 0, SimCommandReplyBytes);
    reply[0] = 'S';
    reply[1] = 'B';
    *returned = SimCommandReplyBytes;
    return true;
}

bool PlatformTransfer(HANDLE link, DWORD controlCode, const void *request, DWORD requestSize,
                      void *reply, DWORD replySize, DWORD *returned)
{
    *returned = 0;
    if (!LinkOpen || link != SimLink) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if ((Faults & SimUnplugged) || LinkDead) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return false;
    }
    const uint8_t *bytes = (const uint8_t *)request;
    if (controlCode != SimControlCode || requestSize < SimHeaderBytes) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    if (HeaderIsValid(bytes, SimKindStatus))
        return AnswerStatus(requestSize, (uint8_t *)reply, replySize, returned);
    if (HeaderIsValid(bytes, SimKindCommand))
        return TakeCommand(bytes, requestSize, (uint8_t *)reply, replySize, returned);
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

void PlatformCloseInterface(HANDLE link)
{
    if (!LinkOpen || link != SimLink)
        return;
    SimStereoClose();
    LinkOpen = false;
    LinkDead = false;
}
