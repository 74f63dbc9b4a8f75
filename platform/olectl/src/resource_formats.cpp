// The module's resources in the forms Windows keeps them, made on demand from its table.
#include "resource_formats.h"

#include <QImage>

namespace olectl {
namespace {

void AppendWord(std::string& out, WORD value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void AppendDword(std::string& out, DWORD value) {
    AppendWord(out, static_cast<WORD>(value & 0xFFFF));
    AppendWord(out, static_cast<WORD>(value >> 16));
}

size_t RowBytes(int width, int bits) {
    return ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
}

// BITMAPINFOHEADER for an image of `width` by `height` rows (bottom-up) of `bits` a pixel.
std::string InfoHeader(int width, int height, WORD bits, size_t imageBytes) {
    std::string out;
    AppendDword(out, 40);
    AppendDword(out, static_cast<DWORD>(width));
    AppendDword(out, static_cast<DWORD>(height));
    AppendWord(out, 1);
    AppendWord(out, bits);
    AppendDword(out, 0);  // BI_RGB
    AppendDword(out, static_cast<DWORD>(imageBytes));
    AppendDword(out, 0);
    AppendDword(out, 0);
    AppendDword(out, 0);
    AppendDword(out, 0);
    return out;
}

// A device-independent bitmap, 24 bits a pixel, rows bottom-up.
std::string Bitmap(const QImage& image) {
    const size_t row = RowBytes(image.width(), 24);
    std::string pixels(row * static_cast<size_t>(image.height()), '\0');
    for (int y = 0; y < image.height(); ++y) {
        char* out = pixels.data() + row * static_cast<size_t>(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            out[3 * x] = static_cast<char>(qBlue(rgb));
            out[3 * x + 1] = static_cast<char>(qGreen(rgb));
            out[3 * x + 2] = static_cast<char>(qRed(rgb));
        }
    }
    return InfoHeader(image.width(), image.height(), 24, pixels.size()) + pixels;
}

// An icon image: 32 bits a pixel with alpha, then the mask (1 bit a pixel, 1 = transparent),
// the header counting both in its height.
std::string IconImage(const QImage& image) {
    const size_t colourRow = RowBytes(image.width(), 32);
    const size_t maskRow = RowBytes(image.width(), 1);
    const size_t height = static_cast<size_t>(image.height());
    std::string colours(colourRow * height, '\0');
    std::string mask(maskRow * height, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const size_t line = height - 1 - static_cast<size_t>(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            char* out = colours.data() + colourRow * line + 4 * static_cast<size_t>(x);
            out[0] = static_cast<char>(qBlue(rgb));
            out[1] = static_cast<char>(qGreen(rgb));
            out[2] = static_cast<char>(qRed(rgb));
            out[3] = static_cast<char>(qAlpha(rgb));
            if (qAlpha(rgb) == 0)
                mask[maskRow * line + static_cast<size_t>(x) / 8] |=
                    static_cast<char>(0x80 >> (x % 8));
        }
    }
    return InfoHeader(image.width(), image.height() * 2, 32, colours.size() + mask.size()) +
           colours + mask;
}

// GRPICONDIR with one entry: the image of RT_ICON `id`.
std::string IconDirectory(const QImage& image, WORD id, size_t imageBytes) {
    std::string out;
    AppendWord(out, 0);
    AppendWord(out, 1);  // icons
    AppendWord(out, 1);
    out += static_cast<char>(image.width() >= 256 ? 0 : image.width());
    out += static_cast<char>(image.height() >= 256 ? 0 : image.height());
    out += '\0';  // colours in a palette: none
    out += '\0';
    AppendWord(out, 1);   // planes
    AppendWord(out, 32);  // bits a pixel
    AppendDword(out, static_cast<DWORD>(imageBytes));
    AppendWord(out, id);
    return out;
}

}  // namespace

std::string BitmapResource(XpmImage xpm) {
    return Bitmap(QImage(xpm).convertToFormat(QImage::Format_ARGB32));
}

std::string IconImageResource(XpmImage xpm) {
    return IconImage(QImage(xpm).convertToFormat(QImage::Format_ARGB32));
}

std::string IconDirectoryResource(XpmImage xpm, WORD id) {
    const QImage image = QImage(xpm).convertToFormat(QImage::Format_ARGB32);
    return IconDirectory(image, id, IconImage(image).size());
}

}  // namespace olectl
