#pragma once
// String and path operations on CP932 text.

// Formats a compile date ("Aug 26 2004") and time ("00:05:00") with a strftime format
// into a static 100-byte buffer. A month name outside Jan..Dec counts as month 13.
const char* StrX_BuildDate(const char* date, const char* time, const char* format);
