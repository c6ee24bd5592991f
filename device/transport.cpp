// The request/reply transport to the stereo: the byte layouts of both
// transfers and the checks on what comes back.
#include "device/device.h"
#include "device/platform.h"
#include "app/appstate.h"
#include "app/heap.h"
#include <string.h>

const GUID DeviceInterfaceGuid = {
    0x40D21F00, 0x3D74, 0x11D4, { 0x9D, 0x36, 0x00, 0x60, 0x97, 0x23, 0x51, 0x3D }
};

static void PutLittle16(uint8_t *at, uint16_t value)
{
    at[0] = (uint8_t)value;
    at[1] = (uint8_t)(value >> 8);
}

static void PutLittle32(uint8_t *at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        at[i] = (uint8_t)(value >> (8 * i));
}

void BuildRequestHeader(uint8_t header[RequestHeaderSize], uint32_t kind)
{
    memset(header, 0, RequestHeaderSize);
    header[0] = 'B';
    header[1] = 'S';
    PutLittle16(header + 6, 0x0018);
    PutLittle32(header + 8, kind);
    PutLittle16(header + 17, 0x0020);
}

size_t BuildStatusRequest(uint8_t request[StatusRequestSize])
{
    BuildRequestHeader(request, TransferStatus);
    return StatusRequestSize;
}

uint32_t CommandWithArgument(uint32_t code, uint32_t argument)
{
    if (code == RecallPreset || code == SetVolume)
        return code + (argument & 0xFF);
    return code;
}

size_t BuildCommandRequest(uint32_t code, uint8_t request[CommandRequestSize])
{
    memset(request, 0, CommandRequestSize);
    BuildRequestHeader(request, TransferCommand);
    uint8_t sum = 0;
    for (int i = 0; i < 4; i++) {
        request[19 + i] = (uint8_t)(code >> (24 - 8 * i));
        sum += request[19 + i];
    }
    request[23] = sum;
    return CommandRequestSize;
}

bool CheckStatusReply(const uint8_t *reply, DWORD length)
{
    if (length < StatusReplySize)
        return false;
    uint8_t sum = 0;
    for (int i = 9; i <= 38; i++)
        sum += reply[i];
    return sum == reply[39];
}

static bool LinkIsOpen()
{
    return App.DeviceLink != NULL && App.DeviceLink != INVALID_HANDLE_VALUE;
}

bool DeviceOpen()
{
    char *path = NULL;
    if (!PlatformFindInterface(&DeviceInterfaceGuid, &path))
        return false;
    // A stereo that is listed but cannot be opened still counts as found: the
    // panel then simply never shows a status.
    App.DeviceLink = PlatformOpenInterface(path);
    HeapFreeBlock(path);
    return true;
}

void DeviceClose()
{
    if (LinkIsOpen())
        PlatformCloseInterface(App.DeviceLink);
    App.DeviceLink = NULL;
}

bool DeviceReadStatus(uint8_t *reply, DWORD size)
{
    if (!LinkIsOpen() || size < StatusReplySize)
        return false;
    uint8_t request[StatusRequestSize];
    DWORD requestSize = (DWORD)BuildStatusRequest(request);
    DWORD returned = 0;
    if (!PlatformTransfer(App.DeviceLink, DeviceControlCode, request, requestSize, reply, size, &returned))
        return false;
    return CheckStatusReply(reply, returned);
}

bool DeviceSendCommand(uint32_t code, uint32_t argument)
{
    if (!LinkIsOpen())
        return false;
    uint8_t request[CommandRequestSize];
    DWORD requestSize = (DWORD)BuildCommandRequest(CommandWithArgument(code, argument), request);
    uint8_t reply[CommandReplySize] = {};
    DWORD returned = 0;
    return PlatformTransfer(App.DeviceLink, DeviceControlCode, request, requestSize, reply, sizeof reply, &returned);
}
