#pragma once
// The timestamp of a log line ("[10/Oct/2012:13:55:36 +0100") as a date-time value, with month
// names from a list the user may replace.

#include <string_view>

#include "db/DateTime.h"
#include "textfiles/CStringArrayPBEx.h"

// Fills `monthNames` from "MonthNames.txt" beside the program (entry i names month i + 1), or
// with "Jan" to "Dec" when that file cannot be opened. Shows no message.
void LoadMonthNames(CStringArrayPBEx& monthNames);

// The local time as written in the log, to whole seconds; the zone offset is ignored. Invalid
// when the text has fewer than six parts or its numbers name no calendar date and time.
DateTime ParseLogTimestamp(std::string_view dateTimeTxt, const CStringArrayPBEx& monthNames);
