#include "SkinImages.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>

ResourceLibrary::ResourceLibrary(const std::wstring& path)
    : module_(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

ResourceLibrary::~ResourceLibrary() {
    if (module_ != nullptr) ::FreeLibrary(module_);
}

bool ResourceLibrary::Has(const wchar_t* name) const {
    return module_ != nullptr && ::FindResourceW(module_, name, L"PNG") != nullptr;
}

std::vector<uint8_t> ResourceLibrary::Bytes(const wchar_t* name) const {
    if (module_ == nullptr) return {};
    const HRSRC resource = ::FindResourceW(module_, name, L"PNG");
    if (resource == nullptr) return {};
    const HGLOBAL handle = ::LoadResource(module_, resource);
    const DWORD size = ::SizeofResource(module_, resource);
    const void* data = handle != nullptr ? ::LockResource(handle) : nullptr;
    if (data == nullptr || size == 0) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

GdiPlus::GdiPlus() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiPlus::~GdiPlus() {
    if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}

Pixels Pixels::Frame(int index, int columns, int rows) const {
    Pixels f;
    f.width = width / columns;
    f.height = height / rows;
    const int left = index % columns * f.width, top = index / columns * f.height;
    f.argb.reserve(static_cast<size_t>(f.width) * f.height);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) f.argb.push_back(At(left + x, top + y));
    return f;
}

bool DecodePng(const std::vector<uint8_t>& bytes, Pixels* out) {
    if (bytes.empty()) return false;
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (block == nullptr) return false;
    std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(::GlobalLock(block)));
    ::GlobalUnlock(block);
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        ::GlobalFree(block);
        return false;
    }
    bool ok = false;
    {
        Gdiplus::Bitmap bitmap(stream);
        if (bitmap.GetLastStatus() == Gdiplus::Ok) {
            const int w = static_cast<int>(bitmap.GetWidth()), h = static_cast<int>(bitmap.GetHeight());
            Gdiplus::Rect whole(0, 0, w, h);
            Gdiplus::BitmapData data;
            if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
                out->width = w;
                out->height = h;
                out->argb.resize(static_cast<size_t>(w) * h);
                for (int y = 0; y < h; ++y) {
                    const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) +
                                                                            static_cast<ptrdiff_t>(y) * data.Stride);
                    std::copy(row, row + w, out->argb.begin() + static_cast<ptrdiff_t>(y) * w);
                }
                bitmap.UnlockBits(&data);
                ok = true;
            }
        }
    }
    stream->Release();
    return ok;
}

void PngHeaderSize(const std::vector<uint8_t>& bytes, int* width, int* height) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    *width = *height = 0;
    if (bytes.size() < 24 || !std::equal(kSignature, kSignature + 8, bytes.begin()) ||
        !std::equal(bytes.begin() + 12, bytes.begin() + 16, "IHDR"))
        return;
    auto be32 = [&](size_t at) {
        return static_cast<int>(static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
                                static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
    };
    *width = be32(16);
    *height = be32(20);
}

int Alpha(uint32_t argb) { return static_cast<int>(argb >> 24); }

double Luma(uint32_t argb) {
    return 0.2126 * ((argb >> 16) & 255) + 0.7152 * ((argb >> 8) & 255) + 0.0722 * (argb & 255);
}

double Ink(const Pixels& frame) {
    double sum = 0.0;
    for (uint32_t p : frame.argb) sum += Luma(p) * Alpha(p) / 255.0;
    return sum;
}

int DifferingPixels(const Pixels& a, const Pixels& b) {
    int n = 0;
    for (size_t i = 0; i < a.argb.size() && i < b.argb.size(); ++i) n += a.argb[i] != b.argb[i];
    return n;
}

bool FullyOpaque(const Pixels& frame) {
    return std::all_of(frame.argb.begin(), frame.argb.end(), [](uint32_t p) { return Alpha(p) == 255; });
}

RECT VisibleBounds(const Pixels& frame) {
    RECT r = {frame.width, frame.height, 0, 0};
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            if (Alpha(frame.At(x, y)) > 32) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.right <= r.left) r = {0, 0, 0, 0};
    return r;
}
