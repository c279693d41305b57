// The time text that begins the log lines of the record parsers.
#pragma once

// "---" for the time 0; otherwise the time in whole seconds as
// "%d-%b-%Y %H:%M:%S" in local time, or in UTC followed by " UTC".
// The text lives in a per-thread buffer of 100 bytes that the next call
// overwrites.
const char* time_text(double when, bool utc);
