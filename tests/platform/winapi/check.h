// A small assertion library for the Windows API checks, built the same way against the platform
// layer and against the real Windows headers (mingw-w64, run under Wine), so it uses only the
// C++ standard library and the Windows types.
//
//   CHECK_CASE(Name) { CHECK_EQ(actual, expected); ... }
//
// SIDES_EQ(actual, onWindows, here, reason) states a known difference: the value Windows (the
// mingw build under Wine) gives, the value the platform layer gives, and the one-line reason.
// Every difference is listed at the end of the run.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include <windows.h>

// Wide text literals: WCHAR is wchar_t on Windows and char16_t in the platform layer.
#ifdef _WIN32
#define W(text) L##text
constexpr bool kOnWindows = true;
#else
#define W(text) u##text
constexpr bool kOnWindows = false;
#endif

using WideText = std::basic_string<WCHAR>;

namespace check {

// How a value reads in a failure message.
std::string Show(const std::string& text);
std::string Show(const char* text);
std::string Show(const WideText& text);
std::string Show(const WCHAR* text);
std::string Show(double value);
std::string ShowInteger(std::int64_t value, bool isUnsigned, std::size_t size);

template <class T>
std::string Show(const T& value) {
    if constexpr (std::is_enum_v<T>) {
        return ShowInteger(static_cast<std::int64_t>(value), false, sizeof(T));
    } else {
        static_assert(std::is_integral_v<T>, "no way to show this type");
        return ShowInteger(static_cast<std::int64_t>(value), std::is_unsigned_v<T>, sizeof(T));
    }
}

// Records one check; prints the failure with where it happened.
void Record(bool passed, const char* file, int line, const std::string& what);
// Records a documented difference between the two sides.
void NoteDifference(const char* file, int line, const char* reason);
// Runs `body` as a named case; the cases register themselves before main.
struct Case {
    Case(const char* name, void (*body)());
};

template <class A, class B>
void Equal(const A& actual, const B& expected, const char* file, int line, const char* text) {
    bool same;
    if constexpr (std::is_integral_v<A> && std::is_integral_v<B>) {
        // Compare as numbers of either sign: HRESULT is `long` on Windows and int32_t here.
        same = static_cast<std::int64_t>(actual) == static_cast<std::int64_t>(expected);
    } else {
        same = actual == expected;
    }
    Record(same, file, line,
           same ? std::string()
                : std::string(text) + ": " + Show(actual) + ", expected " + Show(expected));
}

}  // namespace check

#define CHECK_CASE(name)                                  \
    static void name();                                   \
    static const check::Case name##_case(#name, &(name)); \
    static void name()

#define CHECK_EQ(actual, expected) check::Equal((actual), (expected), __FILE__, __LINE__, #actual)
#define CHECK_TRUE(condition) \
    check::Record(static_cast<bool>(condition), __FILE__, __LINE__, "not true: " #condition)

#define SIDES_EQ(actual, onWindows, here, reason)                                             \
    do {                                                                                      \
        check::NoteDifference(__FILE__, __LINE__, reason);                                    \
        if (kOnWindows)                                                                       \
            check::Equal((actual), (onWindows), __FILE__, __LINE__, #actual " (on Windows)"); \
        else                                                                                  \
            check::Equal((actual), (here), __FILE__, __LINE__, #actual);                      \
    } while (0)
