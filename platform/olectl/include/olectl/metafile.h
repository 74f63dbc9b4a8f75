// A device context that records the drawing calls made on it, as a metafile does: what a
// container without a screen keeps of a control's drawing.
#pragma once

#include <string>
#include <vector>

#include <olectl/gdi.h>

namespace olectl {

class Metafile : public DrawContext {
  public:
    enum class Call { SetBkMode, SetTextColor, FillSolidRect, DrawText };
    struct Record {
        explicit Record(Call made) : call(made) {}
        Call call;
        int mode = 0;        // SetBkMode
        COLORREF color = 0;  // SetTextColor, FillSolidRect
        RECT rect{};         // FillSolidRect, DrawText
        std::string text;    // DrawText
        UINT format = 0;     // DrawText
    };

    int SetBkMode(int mode) override;
    COLORREF SetTextColor(COLORREF color) override;
    void FillSolidRect(const RECT& rect, COLORREF color) override;
    int DrawText(const char* text, int length, RECT* rect, UINT format) override;

    const std::vector<Record>& Records() const { return records_; }

  private:
    std::vector<Record> records_;
    int bkMode_ = OPAQUE;
    COLORREF textColor_ = 0;
};

}  // namespace olectl
