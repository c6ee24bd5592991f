// A stereo that does not answer does not cost the programme: the recording
// starts when the stereo is ready, or at the latest a short grace after the
// programme's start minute, and the stereo's preparation goes on meanwhile.
#pragma once
#include <windows.h>
#include "schedule/schedule.h"

// Fifteen seconds. A stereo in standby is on, muted, on the tuner and on its
// preset within about four seconds, so one that is merely slow still makes
// it; one switched off at the wall, unplugged or asked for a preset that
// holds no station costs the programme no more than this.
const ULONGLONG PreparationGrace = 15 * FileTimeSecond;

// When the recording of an occurrence whose start instant is start, begun
// at now, stops waiting for the stereo: its start minute plus the grace. A
// begin later than the start instant (a programme under way, a start by
// hand) gets the same time from the begin as one begun on time.
FILETIME PreparationDeadline(const FILETIME *start, const FILETIME *now);

// The tick's step for an armed reservation: the recording starts once the
// stereo's preparation is done, or at the deadline without it (the user is
// told, and the preparation goes on). A recording that cannot start ends
// the reservation.
// window: the one the recording device reports its buffers to.
void StartArmedRecording(HWND window, const SYSTEMTIME *now);

// A reservation ended without the power-off leaves the stereo's preparation
// going, so the stereo still ends up on the programme's station. A step the
// stereo never takes (a preset that holds no station, a stereo switched off
// at the wall) is given up the grace after the end, rather than sent ten
// times a second for good. ended is the end's instant.
void LeavePreparationGoing(const FILETIME *ended);
// A reservation's preparation dropped at once: the user stopped it, or its
// recording could not start. An acquisition's requests are left alone.
void GiveUpPreparation();
// The user switched the stereo off: what an ended reservation left going
// would switch it on again. A running reservation keeps its preparation.
void StereoSwitchedOffByUser();
// The tick's step: gives up what is left of the ended reservation's
// preparation once its time is over. A request made since (an acquisition,
// a new reservation) is not the reservation's and is left alone.
void GiveUpLeftPreparation(const FILETIME *now);
