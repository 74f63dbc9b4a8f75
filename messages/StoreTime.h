// The text of a store time: year/month/day hour:minute:second, the year unpadded and the other
// five fields two characters each (5 July 2004, 09:03:07 reads 2004/07/05 09:03:07). The stored
// time is taken as it is, without conversion to local time; a time that cannot be converted
// reads -1/-1/-1 -1:-1:-1.
#pragma once

#include <string>

#include <winpal/types.h>

std::string StoreTimeText(const FILETIME& time);
