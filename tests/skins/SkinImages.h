// Reading a library's skin images the way the editors do: the resource of
// type "PNG" by name, decoded by GDI+, and the frames of a film strip
// measured.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A library mapped as a data file: its resources without its code.
class ResourceLibrary {
public:
    explicit ResourceLibrary(const std::wstring& path);
    ~ResourceLibrary();
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    bool loaded() const { return module_ != nullptr; }
    bool Has(const wchar_t* name) const;
    std::vector<uint8_t> Bytes(const wchar_t* name) const; // empty when missing

private:
    HMODULE module_;
};

// GDI+ for the life of a test.
class GdiPlus {
public:
    GdiPlus();
    ~GdiPlus();
    bool ok() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// Straight-alpha ARGB pixels, row by row.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;

    uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
    // Frame index of a strip cut into columns x rows equal frames, row by row.
    Pixels Frame(int index, int columns, int rows) const;
};

// Decodes PNG bytes; false when GDI+ cannot.
bool DecodePng(const std::vector<uint8_t>& bytes, Pixels* out);

// The size a PNG's header announces (0 x 0 when there is no PNG header).
void PngHeaderSize(const std::vector<uint8_t>& bytes, int* width, int* height);

// Measures of one frame.
int Alpha(uint32_t argb);
double Luma(uint32_t argb);               // 0..255, alpha ignored
double Ink(const Pixels& frame);          // sum of luma x alpha / 255: how much the frame lights
int DifferingPixels(const Pixels& a, const Pixels& b);
bool FullyOpaque(const Pixels& frame);
RECT VisibleBounds(const Pixels& frame);  // of pixels with alpha > 32; empty when none
