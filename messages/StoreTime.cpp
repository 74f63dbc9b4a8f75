#include "messages/StoreTime.h"

#include <winpal/kernel.h>
#include <winpal/oleauto.h>

namespace {

// The last two characters of "00" followed by the number: 7 gives "07", -1 gives "-1".
std::string TwoCharacters(int value) {
    std::string text = "00" + std::to_string(value);
    return text.substr(text.size() - 2);
}

}  // namespace

// FileTimeToSystemTime, then SystemTimeToVariantTime, then back with VariantTimeToSystemTime;
// when a conversion fails every component reads -1.
std::string StoreTimeText(const FILETIME& time) {
    SYSTEMTIME systemTime{};
    DATE date = 0;
    SYSTEMTIME parts{};
    const bool valid = FileTimeToSystemTime(&time, &systemTime) &&
                       SystemTimeToVariantTime(&systemTime, &date) &&
                       VariantTimeToSystemTime(date, &parts);
    auto component = [&](WORD SYSTEMTIME::*field) {
        return valid ? static_cast<int>(parts.*field) : -1;
    };
    return std::to_string(component(&SYSTEMTIME::wYear)) + "/" +
           TwoCharacters(component(&SYSTEMTIME::wMonth)) + "/" +
           TwoCharacters(component(&SYSTEMTIME::wDay)) + " " +
           TwoCharacters(component(&SYSTEMTIME::wHour)) + ":" +
           TwoCharacters(component(&SYSTEMTIME::wMinute)) + ":" +
           TwoCharacters(component(&SYSTEMTIME::wSecond));
}
