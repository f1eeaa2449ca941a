#include "strx.h"

#include <cstdio>
#include <cstring>

static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* StrX_BuildDate(const char* date, const char* time, const char* format) {
    static char result[100];
    char month_name[16] = "";
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    sscanf(date, "%15s %d %d", month_name, &day, &year);
    sscanf(time, "%d:%d:%d", &hour, &minute, &second);
    int month = 13;
    for (int i = 0; i < 12; i++) {
        if (strcmp(month_name, kMonths[i]) == 0) {
            month = i + 1;
            break;
        }
    }
    // Formatted here rather than by strftime, which refuses a month of 13.
    const int values[] = {year % 100, year, month, day, hour, minute, second};
    const char letters[] = "yYmdHMS";
    size_t n = 0;
    for (const char* f = format; *f != '\0' && n < sizeof result - 1; f++) {
        const char* letter = f[0] == '%' && f[1] != '\0' ? strchr(letters, f[1]) : nullptr;
        if (letter == nullptr || f[1] == '\0') {
            if (f[0] == '%' && f[1] == '%') f++;
            result[n++] = *f;
            continue;
        }
        int value = values[letter - letters];
        n += snprintf(result + n, sizeof result - n, *letter == 'Y' ? "%04d" : "%02d", value);
        f++;
    }
    result[n < sizeof result ? n : sizeof result - 1] = '\0';
    return result;
}
