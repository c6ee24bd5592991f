// Whether the PC can be woken for a reservation.
#include "app/wakecheck.h"
#include "app/appstate.h"
#include "app/notices.h"
#include <stddef.h>

// The compiler's headers predate the byte that tells of Modern Standby: the
// structure's documented order after FastSystemS4 is Hiberboot,
// WakeAlarmPresent, AoAc, then DiskSpinDown, which the headers keep.
static const size_t AoAcOffset = offsetof(SYSTEM_POWER_CAPABILITIES, FastSystemS4) + 3;
static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) == AoAcOffset + 1, "the structure as documented");

static bool SleepsInLowPowerIdle(const SYSTEM_POWER_CAPABILITIES *capabilities)
{
    return ((const BYTE *)capabilities)[AoAcOffset] != 0;
}

const char *WakeHindranceSentence(const WakeAnswers *answers)
{
    if (answers->ModernStandby)
        return "このパソコンはスリープ中に録音できません (モダン スタンバイ)。";
    if (answers->TimerUnsupported)
        return "このパソコンはタイマーでスリープから起きられません。";
    if (answers->MainsRefuses && answers->BatteryRefuses)
        return "電源オプションの「スリープ解除タイマーの許可」が無効です。";
    if (answers->MainsRefuses)
        return "電源接続時の「スリープ解除タイマーの許可」が無効です。";
    if (answers->BatteryRefuses)
        return "バッテリー駆動時の「スリープ解除タイマーの許可」が無効です。";
    return NULL;
}

static const WakePowerCalls SystemPower = {
    SetWaitableTimer, CallNtPowerInformation, PowerGetActiveScheme, PowerReadACValueIndex, PowerReadDCValueIndex,
};

const WakePowerCalls *WakePower()
{
    return App.WakePower ? App.WakePower : &SystemPower;
}

// The setting's values: 0 off, 1 on, 2 only Windows' own important
// wake-ups, which the program's is not. A setting that cannot be read is
// taken as on: nothing is claimed that the PC did not say.
static bool Refuses(DWORD result, DWORD value)
{
    return result == ERROR_SUCCESS && value != 1;
}

void ReadWakeAnswers(bool timerUnsupported, WakeAnswers *answers)
{
    const WakePowerCalls *power = WakePower();
    *answers = WakeAnswers();
    answers->TimerUnsupported = timerUnsupported;
    SYSTEM_POWER_CAPABILITIES capabilities = {};
    if (power->PowerInformation(SystemPowerCapabilities, NULL, 0, &capabilities, sizeof capabilities) == 0)
        answers->ModernStandby = SleepsInLowPowerIdle(&capabilities);
    GUID *scheme = NULL;
    if (power->ActiveScheme(NULL, &scheme) != ERROR_SUCCESS || !scheme)
        return;
    DWORD mains = 1, battery = 1;
    DWORD mainsResult = power->ReadMainsValue(NULL, scheme, &GUID_SLEEP_SUBGROUP, &GUID_ALLOW_RTC_WAKE, &mains);
    DWORD batteryResult = power->ReadBatteryValue(NULL, scheme, &GUID_SLEEP_SUBGROUP, &GUID_ALLOW_RTC_WAKE, &battery);
    LocalFree(scheme);
    answers->MainsRefuses = Refuses(mainsResult, mains);
    // A PC without a battery never runs on one.
    answers->BatteryRefuses = Refuses(batteryResult, battery) && capabilities.SystemBatteriesPresent;
}

bool SetWakeUp(HANDLE timer, const LARGE_INTEGER *due, bool *unsupported)
{
    SetLastError(ERROR_SUCCESS);
    if (!WakePower()->SetTimer(timer, due, 0, NULL, NULL, TRUE))
        return false;
    *unsupported = GetLastError() == ERROR_NOT_SUPPORTED;
    return true;
}

void TellWakeHindrance(bool timerUnsupported)
{
    if (App.WakeHindranceTold)
        return;
    WakeAnswers answers;
    ReadWakeAnswers(timerUnsupported, &answers);
    const char *sentence = WakeHindranceSentence(&answers);
    if (!sentence)
        return;
    Notice notice;
    ComposeWakeHindered(&notice, sentence);
    App.WakeHindranceTold = ShowNotice(App.MainWindow, &notice);
}
