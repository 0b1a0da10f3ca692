#pragma once

#include "platform/platform.h"

namespace muralis {

// The weekday number of date: 1 = Sunday .. 7 = Saturday.
int weekday_number(const LocalDate& date);

} // namespace muralis
