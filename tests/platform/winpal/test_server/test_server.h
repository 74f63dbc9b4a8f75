// The class of the test in-process server (libwinpal_testserver.so), as its clients see it.
#pragma once

#include <winpal/com.h>

// {6A1C3E52-9B0D-4F27-8E44-2D5B7C19A3F0}
inline constexpr CLSID CLSID_WinpalTestObject = {
    0x6A1C3E52, 0x9B0D, 0x4F27, {0x8E, 0x44, 0x2D, 0x5B, 0x7C, 0x19, 0xA3, 0xF0}};
// {0F3B8D27-61A4-4C9E-B5D2-7E0A14C6F839}
inline constexpr IID IID_ITestObject = {
    0x0F3B8D27, 0x61A4, 0x4C9E, {0xB5, 0xD2, 0x7E, 0x0A, 0x14, 0xC6, 0xF8, 0x39}};
inline constexpr char kTestObjectProgId[] = "WinpalTest.Object";

// What the server's objects answer from Origin(), so a test can tell them from a stand-in.
constexpr LONG kTestServerOrigin = 1;

struct ITestObject : IUnknown {
    virtual LONG Origin() = 0;
    virtual LONG Add(LONG a, LONG b) = 0;
    WINPAL_INTERFACE_DTOR(ITestObject)
};
