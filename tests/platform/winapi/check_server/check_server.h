// The class of the check server (check_server.dll under Windows, libwinapi_check_server.so
// here), as its clients see it.
#pragma once

#include <objbase.h>

// {3D6F1A80-5C2E-4B71-9A3D-0E8C47B2F615}
inline constexpr CLSID CLSID_CheckCounter = {
    0x3D6F1A80, 0x5C2E, 0x4B71, {0x9A, 0x3D, 0x0E, 0x8C, 0x47, 0xB2, 0xF6, 0x15}};
// {8B20C4D9-7E13-4F5A-B6C8-219D03E7A54C}
inline constexpr IID IID_ICheckCounter = {
    0x8B20C4D9, 0x7E13, 0x4F5A, {0xB6, 0xC8, 0x21, 0x9D, 0x03, 0xE7, 0xA5, 0x4C}};
inline constexpr char kCheckCounterProgId[] = "WinapiCheck.Counter";

struct ICheckCounter : IUnknown {
    // How many objects of the class the library made since it was loaded, this one included:
    // 1 again after the library was unloaded and loaded anew.
    virtual LONG STDMETHODCALLTYPE Serial() = 0;
};
