// The time on a clock that only moves forward, for limits on how long
// something may take.
#pragma once

// Seconds on a clock that only moves forward.
double steady_seconds();
