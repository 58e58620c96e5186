#pragma once

#include <Qt>

namespace talvora::qt {

// Qt timers count whole milliseconds. A delay is rounded up, so that work never runs before
// the time it was asked for; negative and non-finite delays mean "as soon as possible".
int delayMilliseconds(double seconds);
// A repeating interval is rounded to the nearest millisecond, at least one, so that a timer
// never spins.
int intervalMilliseconds(double seconds);

// A coarse timer may fire up to 5 % of its interval early or late, and in exchange lets the
// system wake the process once for several timers. It is chosen only when the caller's leeway
// covers that error; otherwise the timer is precise.
Qt::TimerType timerTypeFor(double interval, double leeway);

// The deadline of the frame after the one due at `deadline`, for a frame timer that fired at
// `now`. A frame that fired early still counts as the frame due at `deadline`; frames missed
// while the main thread was busy are dropped rather than delivered in a burst, as a display
// does not repeat the refreshes it missed, and the next one keeps the original phase.
double nextFrameDeadline(double deadline, double period, double now);

} // namespace talvora::qt
