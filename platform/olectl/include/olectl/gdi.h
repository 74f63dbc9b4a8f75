// The window and drawing vocabulary a control uses: rectangles, colours, the flags of
// SetWindowPos and DrawText, and the device context OnDraw paints on.
#pragma once

#include <winpal/types.h>

namespace olectl {

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;

    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }
    friend bool operator==(const RECT&, const RECT&) = default;
};

// 0x00BBGGRR, as on Windows.
using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

// Background modes of SetBkMode.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// DrawText formats.
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_SINGLELINE = 0x20;

// SetWindowPos flags.
constexpr UINT SWP_NOSIZE = 0x1;
constexpr UINT SWP_NOMOVE = 0x2;
constexpr UINT SWP_NOZORDER = 0x4;
constexpr UINT SWP_NOACTIVATE = 0x10;

// The device context a control draws on: the GDI calls OnDraw makes. Text is ANSI. The
// container owns the context and lends it for the length of one Draw call.
class DrawContext {
  public:
    virtual int SetBkMode(int mode) = 0;
    virtual COLORREF SetTextColor(COLORREF color) = 0;
    // FillRect with a solid brush of `color`.
    virtual void FillSolidRect(const RECT& rect, COLORREF color) = 0;
    virtual int DrawText(const char* text, int length, RECT* rect, UINT format) = 0;

  protected:
    ~DrawContext() = default;
};

}  // namespace olectl
