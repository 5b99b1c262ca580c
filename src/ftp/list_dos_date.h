// The date and time of a DOS-style listing line, converted by fixed rules.
#pragma once

#include "core/datetime.h"

#include <string_view>

// Converts "mm/dd/yy[yy] [hh:mm[:ss][AM|PM]]" to a date-time, or gives 0 when
// the text does not convert. One- and two-digit years land in the hundred years
// that start 50 years before `ACurrentYear`. Reads no locale, time zone or other
// process-wide setting, so it is safe next to threads that do.
TDateTime DosDateTimeToDateTime(std::string_view AText, int ACurrentYear);
