// The clock the program waits on, behind an interface so that tests can run
// waits of seconds without spending them. Every sleep and every deadline of
// the driver, the engine's transports and the retrying file helpers goes
// through one.
#pragma once

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 00:00 UTC.
  virtual double now() = 0;
  // Seconds on a clock that only moves forward, for limits on how long
  // something may take (the wall clock may be set back or forth).
  virtual double steady() = 0;
  // Sleeps whole milliseconds: seconds times 1000, truncated.
  virtual void pause(double seconds) = 0;
};

// The real clock; shared, stateless, usable from any thread.
Clock& system_clock();

// The wall-clock time of the real clock.
double now_seconds();

// Sleeps on the real clock: seconds times 1000, truncated, in milliseconds.
void pause_seconds(double seconds);
