// Fonts, brushes, system colours, the icon resource and the arrow cursor.
//
// Supported: CreateFontA's height, weight, italic, underline, strike-out, fixed pitch and face
// (with Japanese substitutes, below); CreateSolidBrush; GetSysColor(COLOR_BTNFACE) from the
// style's palette; DeleteObject for fonts and brushes; LoadIconA for icon resources registered
// by RegisterIconResource; LoadCursorA for IDC_ARROW.
// Deliberately not: a font's width, escapement, orientation, precision and quality (Qt renders
// as the desktop is set up); other system colours (0, as for an index Windows does not know);
// icons and cursors from files or from the system; DestroyIcon (an icon loaded from the
// program's resources lives as long as the process, as on Windows).
#include <QApplication>
#include <QPalette>
#include <QStringList>
#include <algorithm>
#include <map>

#include "layer.h"
#include "winapi_resources.h"

namespace {

constexpr int kArrowCursor = 32512;  // IDC_ARROW
constexpr DWORD kPitchMask = 0x03;

// The faces that stand in for a Japanese font on a fixed grid where "ＭＳ ゴシック" is not
// installed. fontconfig has no alias for it, and a monospace style hint alone picks a Latin font
// without Japanese glyphs.
const QStringList kJapaneseFixedFaces = {
    "MS Gothic", "IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic",
};

std::map<int, QImage>& IconResources() {
    // A function's own static: RegisterIconResource runs during static initialisation.
    static std::map<int, QImage> icons;
    return icons;
}

std::uint32_t Read(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

// An .ico file holding an uncompressed 24-bit image: the bitmap rows run bottom-up in blue,
// green, red order, then the AND mask, one bit a pixel, set where the icon is transparent.
QImage DecodeIcon(const unsigned char* ico, std::size_t size) {
    constexpr std::size_t kDirectory = 6, kEntry = 16, kInfoHeader = 40;
    if (!ico || size < kDirectory + kEntry || Read(ico, 2) != 0 || Read(ico + 2, 2) != 1 ||
        Read(ico + 4, 2) < 1) {
        return {};
    }
    const std::size_t imageSize = Read(ico + kDirectory + 8, 4);
    const std::size_t offset = Read(ico + kDirectory + 12, 4);
    if (offset > size || imageSize > size - offset || imageSize < kInfoHeader) return {};
    const unsigned char* dib = ico + offset;
    const std::size_t headerSize = Read(dib, 4);
    const auto width = static_cast<int>(Read(dib + 4, 4));
    const int height = static_cast<int>(Read(dib + 8, 4)) / 2;  // the bitmap and the mask
    if (headerSize < kInfoHeader || headerSize > imageSize || width < 1 || width > 256 ||
        height < 1 || height > 256 || Read(dib + 14, 2) != 24 || Read(dib + 16, 4) != 0) {
        return {};
    }
    const std::size_t colorStride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    if ((colorStride + maskStride) * height > imageSize - headerSize) return {};

    const unsigned char* colors = dib + headerSize;
    const unsigned char* mask = colors + colorStride * height;
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const unsigned char* colorRow = colors + colorStride * (height - 1 - y);
        const unsigned char* maskRow = mask + maskStride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const bool transparent = (maskRow[x / 8] >> (7 - x % 8)) & 1;
            const unsigned char* bgr = colorRow + 3 * x;
            image.setPixel(x, y, transparent ? qRgba(0, 0, 0, 0) : qRgb(bgr[2], bgr[1], bgr[0]));
        }
    }
    return image;
}

// A resource named by number, as MAKEINTRESOURCEA makes it; 0 for a name given as a string.
int ResourceNumber(LPCSTR name) {
    const auto value = reinterpret_cast<ULONG_PTR>(name);
    return value >> 16 ? 0 : static_cast<int>(value);
}

}  // namespace

bool RegisterIconResource(int id, const unsigned char* ico, std::size_t size) {
    QImage image = DecodeIcon(ico, size);
    if (image.isNull()) return false;
    IconResources()[id] = std::move(image);
    return true;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    static std::map<int, HICON> loaded;
    const int id = ResourceNumber(name);
    if (!instance || instance != GetModuleHandleA(nullptr) || !id) return nullptr;
    if (const auto found = loaded.find(id); found != loaded.end()) return found->second;
    const auto resource = IconResources().find(id);
    if (resource == IconResources().end()) return nullptr;
    const auto icon = static_cast<HICON>(AddIcon(resource->second));
    loaded.emplace(id, icon);
    return icon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    static const HCURSOR arrow = static_cast<HCURSOR>(AddCursor(Qt::ArrowCursor));
    return !instance && ResourceNumber(name) == kArrowCursor ? arrow : nullptr;
}

HFONT WINAPI CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD underline,
                         DWORD strikeOut, DWORD charSet, DWORD, DWORD, DWORD, DWORD pitchAndFamily,
                         LPCSTR faceName) {
    QFont font;
    QStringList families;
    if (faceName && *faceName) families << FromCp932(faceName);
    if (charSet == SHIFTJIS_CHARSET) families << kJapaneseFixedFaces;
    if (!families.isEmpty()) font.setFamilies(families);
    // A negative height is the character height; a positive one, the cell height, is taken
    // as the same.
    if (height != 0) font.setPixelSize(std::abs(height));
    if (weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    if ((pitchAndFamily & kPitchMask) == FIXED_PITCH) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::TypeWriter);
    }
    return static_cast<HFONT>(AddFont(font));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    // COLORREF is 0x00BBGGRR.
    return static_cast<HBRUSH>(
        AddBrush(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF)));
}

DWORD WINAPI GetSysColor(int index) {
    if (index != COLOR_BTNFACE) return 0;
    const QColor face = QApplication::palette().color(QPalette::Button);
    return static_cast<DWORD>(face.red()) | static_cast<DWORD>(face.green()) << 8 |
           static_cast<DWORD>(face.blue()) << 16;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    return RemoveFontOrBrush(object) ? TRUE : FALSE;
}
