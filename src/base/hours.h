// Hours texts: every duration the program stores, shows or types is "HH:MM" text (two hour
// digits for a day, three for month totals); a zero duration is the empty text.
#pragma once

#include <string>
#include <string_view>

#include "base/dialogs.h"

namespace kaveltar {

// Message shown when a text without ":" third from the end is converted, followed by the text.
inline constexpr std::string_view kHoursErrorPrefix = "ERRORE HH:MM ";
inline constexpr std::string_view kHoursErrorTitle = "ERRORE";

// "HH:MM" (any number of hour digits) to minutes. Empty text gives 0. A text whose third
// character from the end is not ":" shows "ERRORE HH:MM <text>" (title "ERRORE") and gives 0.
long HoursToMinutes(std::string_view text, Dialogs& dialogs);

// Minutes to "HH:MM" with only the last two hour digits (6000 gives "00:00"); 0 gives "".
std::string MinutesToHours(long minutes);
// Minutes to "HHH:MM" with only the last three hour digits, for month totals; 0 gives "".
std::string MinutesToLongHours(long minutes);

// True for an empty (blank) text and for "HH:MM" with hours 0-47 and minutes 0-59.
bool IsValidHours(std::string_view text);
// True for a blank text, "00000" and "00.00" ("00:00" is not empty).
bool IsEmptyHours(std::string_view text);

}  // namespace kaveltar
