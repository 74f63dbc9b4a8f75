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

// FileTimeToSystemTime, then SystemTimeToVariantTime; then every component is read back from
// the variant date on its own, and a component whose conversion fails reads -1.
std::string StoreTimeText(const FILETIME& time) {
    SYSTEMTIME systemTime{};
    DATE date = 0;
    bool valid =
        FileTimeToSystemTime(&time, &systemTime) && SystemTimeToVariantTime(&systemTime, &date);
    auto component = [&](WORD SYSTEMTIME::*field) {
        SYSTEMTIME parts{};
        if (!valid || !VariantTimeToSystemTime(date, &parts))
            return -1;
        return static_cast<int>(parts.*field);
    };
    return std::to_string(component(&SYSTEMTIME::wYear)) + "/" +
           TwoCharacters(component(&SYSTEMTIME::wMonth)) + "/" +
           TwoCharacters(component(&SYSTEMTIME::wDay)) + " " +
           TwoCharacters(component(&SYSTEMTIME::wHour)) + ":" +
           TwoCharacters(component(&SYSTEMTIME::wMinute)) + ":" +
           TwoCharacters(component(&SYSTEMTIME::wSecond));
}
