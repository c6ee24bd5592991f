// The stereo's USB control interface, reached through its driver: the
// interface is found with the device installation functions and spoken to
// with DeviceIoControl.
#include "device/platform.h"
#include "app/heap.h"
#include <setupapi.h>

// With several stereos attached only the first ten interfaces are looked at,
// and the one with the highest index is used.
enum { MaxInterfaces = 10 };

static bool FindLastInterface(HDEVINFO set, const GUID *interfaceClass, SP_DEVICE_INTERFACE_DATA *last)
{
    bool found = false;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    for (DWORD index = 0; index < MaxInterfaces; index++) {
        if (!SetupDiEnumDeviceInterfaces(set, NULL, interfaceClass, index, &data)) {
            if (GetLastError() != ERROR_NO_MORE_ITEMS)
                return false;
            break;
        }
        *last = data;
        found = true;
    }
    return found;
}

static bool CopyDevicePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA *data, char **devicePath)
{
    DWORD required = 0;
    if (!SetupDiGetDeviceInterfaceDetailA(set, data, NULL, 0, &required, NULL)
        && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        required = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail = (SP_DEVICE_INTERFACE_DETAIL_DATA_A *)HeapAllocZero(required);
    if (!detail)
        return false;
    detail->cbSize = sizeof *detail;
    bool copied = false;
    if (SetupDiGetDeviceInterfaceDetailA(set, data, detail, required, NULL, NULL)) {
        *devicePath = HeapStrDup(detail->DevicePath);
        copied = *devicePath != NULL;
    }
    HeapFreeBlock(detail);
    return copied;
}

bool PlatformFindInterface(const GUID *interfaceClass, char **devicePath)
{
    HDEVINFO set = SetupDiGetClassDevsA(interfaceClass, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    bool found = FindLastInterface(set, interfaceClass, &data) && CopyDevicePath(set, &data, devicePath);
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

HANDLE PlatformOpenInterface(const char *devicePath)
{
    return CreateFileA(devicePath, 0, 0, NULL, OPEN_EXISTING, 0, NULL);
}

bool PlatformTransfer(HANDLE link, DWORD controlCode, const void *request, DWORD requestSize,
                      void *reply, DWORD replySize, DWORD *returned)
{
    return DeviceIoControl(link, controlCode, (void *)request, requestSize, reply, replySize, returned, NULL)
        != FALSE;
}

void PlatformCloseInterface(HANDLE link)
{
    CloseHandle(link);
}
