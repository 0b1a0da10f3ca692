#include "schedule/weekday.h"

namespace muralis {

int weekday_number(const LocalDate& date)
{
    // Days since 1970-01-01 in the proleptic Gregorian calendar (Howard
    // Hinnant's days_from_civil); 1970-01-01 was a Thursday.
    const int y = date.month <= 2 ? date.year - 1 : date.year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (date.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + date.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    const long sunday_based = ((days + 4) % 7 + 7) % 7; // 0 = Sunday
    return static_cast<int>(sunday_based) + 1;
}

} // namespace muralis
