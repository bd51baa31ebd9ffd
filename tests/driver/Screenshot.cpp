#include "tests/driver/Screenshot.h"

#include <fstream>
#include <vector>

namespace {
// The screen's device context and a memory one holding a bitmap, released in reverse order.
class Capture {
public:
    Capture(int width, int height) : screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_)) {
        info_.bmiHeader.biSize = sizeof info_.bmiHeader;
        info_.bmiHeader.biWidth = width;
        info_.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores its rows
        info_.bmiHeader.biPlanes = 1;
        info_.bmiHeader.biBitCount = 24;
        info_.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(screen_, &info_, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (bitmap_) previous_ = SelectObject(memory_, bitmap_);
    }
    ~Capture() {
        if (previous_) SelectObject(memory_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool Take(int left, int top) {
        if (!bitmap_) return false;
        const bool taken = BitBlt(memory_, 0, 0, info_.bmiHeader.biWidth, info_.bmiHeader.biHeight, screen_, left,
                                  top, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        return taken;
    }
    const BITMAPINFOHEADER& Header() const { return info_.bmiHeader; }
    const char* Bits() const { return static_cast<const char*>(bits_); }

private:
    HDC screen_;
    HDC memory_;
    BITMAPINFO info_{};
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};
}  // namespace

bool SaveScreenshot(HWND window, const std::string& path) {
    RECT place;
    if (!GetWindowRect(window, &place) || place.right <= place.left || place.bottom <= place.top) return false;
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    Capture capture(width, height);
    if (!capture.Take(place.left, place.top)) return false;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&capture.Header()), sizeof(BITMAPINFOHEADER));
    out.write(capture.Bits(), size);
    return static_cast<bool>(out);
}
