#include <olectl/metafile.h>

#include <cstring>

namespace olectl {

int Metafile::SetBkMode(int mode) {
    Record record(Call::SetBkMode);
    record.mode = mode;
    records_.push_back(record);
    int previous = bkMode_;
    bkMode_ = mode;
    return previous;
}

COLORREF Metafile::SetTextColor(COLORREF color) {
    Record record(Call::SetTextColor);
    record.color = color;
    records_.push_back(record);
    COLORREF previous = textColor_;
    textColor_ = color;
    return previous;
}

void Metafile::FillSolidRect(const RECT& rect, COLORREF color) {
    Record record(Call::FillSolidRect);
    record.color = color;
    record.rect = rect;
    records_.push_back(record);
}

int Metafile::DrawText(const char* text, int length, RECT* rect, UINT format) {
    if (!text || !rect)
        return 0;
    std::size_t size = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    Record record(Call::DrawText);
    record.rect = *rect;
    record.text.assign(text, size);
    record.format = format;
    records_.push_back(record);
    return 1;
}

}  // namespace olectl
