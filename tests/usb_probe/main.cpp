// The real program's link to the stereo, run where no stereo is attached:
// finding the interface must fail cleanly and leave no link behind.
#include <stdio.h>
#include "app/appstate.h"

int main()
{
    bool opened = DeviceOpen();
    bool linkLeft = App.DeviceLink != NULL;
    uint8_t reply[StatusReplySize];
    bool answered = DeviceReadStatus(reply, sizeof reply) || DeviceSendCommand(PowerOn, 0);
    DeviceClose();
    printf("DeviceOpen %s, link %s, transfers %s\n", opened ? "true" : "false", linkLeft ? "left" : "none",
           answered ? "answered" : "failed");
    return !opened && !linkLeft && !answered ? 0 : 1;
}
