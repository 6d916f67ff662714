#include "WindowRig.h"

#include "PluginHost.h"


GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput startup;
    if (Gdiplus::GdiplusStartup(&token_, &startup, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
    if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}

namespace {

constexpr wchar_t kHostClass[] = L"KorvoTestHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterHostClass() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kHostClass;
    ::RegisterClassW(&windowClass); // once per process; later calls fail harmlessly
}

bool PngEncoder(CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<uint8_t> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (lstrcmpW(encoders[i].MimeType, L"image/png") == 0) {
            *clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

void SendMouse(DWORD flags, DWORD data = 0) {
    INPUT event = {};
    event.type = INPUT_MOUSE;
    event.mi.dwFlags = flags;
    event.mi.mouseData = data;
    ::SendInput(1, &event, sizeof event);
    PumpMessages();
}

} // namespace

HostWindow::HostWindow(int width, int height) {
    RegisterHostClass();
    window_ = ::CreateWindowExW(WS_EX_TOPMOST, kHostClass, L"Korvo test", WS_POPUP | WS_VISIBLE, kLeft, kTop, width,
                                height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(window_);
    PumpMessages();
}

HostWindow::~HostWindow() {
    if (window_ != nullptr) ::DestroyWindow(window_);
    PumpMessages();
}

uint32_t Capture::Rgb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0x00FFFFFFu;
}

bool Capture::Filled(const RECT& rect, uint32_t argb) const {
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if (Rgb(x, y) != (argb & 0x00FFFFFFu)) return false;
    return true;
}

bool Capture::SavePng(const std::wstring& path) const {
    if (width <= 0 || height <= 0) return false;
    CLSID png;
    if (!PngEncoder(&png)) return false;
    std::vector<uint32_t> opaque(pixels);
    for (uint32_t& p : opaque) p |= 0xFF000000u;
    Gdiplus::Bitmap image(width, height, width * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(opaque.data()));
    return image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

Capture CaptureWindow(HWND window) {
    ::UpdateWindow(window);
    PumpMessages();
    return CaptureWindowAsIs(window);
}

Capture CaptureWindowAsIs(HWND window) {
    ::UpdateWindow(window);
    return CaptureWindowUntouched(window);
}

namespace {

// Copies w x h pixels at x, y of the source device context.
Capture CaptureFrom(HDC source, int x, int y, int w, int h) {
    Capture capture;
    if (w <= 0 || h <= 0) return capture;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC memoryDc = ::CreateCompatibleDC(source);
    const HBITMAP section = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section != nullptr && bits != nullptr) {
        const HGDIOBJ old = ::SelectObject(memoryDc, section);
        ::BitBlt(memoryDc, 0, 0, w, h, source, x, y, SRCCOPY);
        ::GdiFlush();
        capture.width = w;
        capture.height = h;
        const auto* p = static_cast<const uint32_t*>(bits);
        capture.pixels.assign(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
        ::SelectObject(memoryDc, old);
    }
    if (section != nullptr) ::DeleteObject(section);
    ::DeleteDC(memoryDc);
    return capture;
}

} // namespace

Capture CaptureWindowUntouched(HWND window) {
    RECT client;
    if (!::GetClientRect(window, &client)) return Capture();
    const HDC windowDc = ::GetDC(window);
    Capture capture = CaptureFrom(windowDc, 0, 0, client.right, client.bottom);
    ::ReleaseDC(window, windowDc);
    return capture;
}

Capture CaptureWholeWindow(HWND window) {
    RECT bounds;
    if (!::GetWindowRect(window, &bounds)) return Capture();
    return CaptureScreen(bounds);
}

Capture CaptureScreen(const RECT& area) {
    const HDC screen = ::GetDC(nullptr);
    Capture capture = CaptureFrom(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ::ReleaseDC(nullptr, screen);
    return capture;
}

Capture CaptureBitmap(Gdiplus::Bitmap* image) {
    Capture capture;
    if (image == nullptr) return capture;
    const int w = static_cast<int>(image->GetWidth()), h = static_cast<int>(image->GetHeight());
    Gdiplus::Rect all(0, 0, w, h);
    Gdiplus::BitmapData data;
    if (image->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return capture;
    capture.width = w;
    capture.height = h;
    capture.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) + y * data.Stride);
        std::copy(row, row + w, capture.pixels.begin() + static_cast<ptrdiff_t>(y) * w);
    }
    image->UnlockBits(&data);
    return capture;
}

std::wstring ScreenshotPath(const std::wstring& name) {
    const std::wstring folder = WinePath(KORVO_SCREENSHOT_DIR);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + name + L".png";
}

bool SaveScreenshot(HWND window, const std::wstring& name) { return CaptureWindow(window).SavePng(ScreenshotPath(name)); }

void PumpMessages() {
    // Input the system queues a moment after the call that caused it (a
    // cursor move's mouse message) arrives within a few milliseconds. A
    // window that another thread keeps invalidating is never idle: a second
    // is the most this waits.
    const DWORD start = ::GetTickCount();
    for (int idle = 0; idle < 3 && ::GetTickCount() - start < 1000;) {
        MSG message;
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            idle = 0;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        } else {
            ++idle;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
        }
    }
}

namespace input {

void MoveTo(HWND window, int x, int y) {
    POINT point = {x, y};
    ::ClientToScreen(window, &point);
    ::SetCursorPos(point.x, point.y);
    PumpMessages();
}

void LeftDown() {
    ForgetClicks();
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}
void LeftUp() { SendMouse(MOUSEEVENTF_LEFTUP); }
void RightDown() {
    ForgetClicks();
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
}
void RightUp() { SendMouse(MOUSEEVENTF_RIGHTUP); }

void Click(HWND window, int x, int y) {
    MoveTo(window, x, y);
    LeftDown();
    LeftUp();
}

void DoubleClick(HWND window, int x, int y) {
    Click(window, x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    LeftUp();
}

void RightDoubleClick(HWND window, int x, int y) {
    MoveTo(window, x, y);
    RightDown();
    RightUp();
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    RightUp();
}

void ForgetClicks() {
    SendMouse(MOUSEEVENTF_MIDDLEDOWN);
    SendMouse(MOUSEEVENTF_MIDDLEUP);
}

void Wheel(int delta) { SendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(delta)); }

void Key(WORD virtualKey) {
    INPUT events[2] = {};
    events[0].type = events[1].type = INPUT_KEYBOARD;
    events[0].ki.wVk = events[1].ki.wVk = virtualKey;
    events[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, events, sizeof events[0]);
    PumpMessages();
}

} // namespace input
