// The one reading of the local time.
#include "schedule/clock.h"
#include "app/appstate.h"

void ReadLocalTime(SYSTEMTIME *now)
{
    if (App.ReadClock)
        App.ReadClock(now);
    else
        GetLocalTime(now);
}
