// Skin images: PNG resources decoded with GDI+.
#pragma once

#include <windows.h>
#include <gdiplus.h>

// The owner sets the module; each load leaves the memory block that backs
// the new image in `block`.
struct PngResourceHolder {
    HGLOBAL block;
    HINSTANCE module;
};

// Decodes a resource that the caller found with FindResourceW (holder's
// module, the name, type "PNG"). Null when it is empty, cannot be loaded or
// does not decode. The image reads its bytes lazily from a memory block
// that stays allocated for the module's lifetime; the caller keeps the image.
Gdiplus::Bitmap* LoadPngResource(HRSRC resource, PngResourceHolder* holder);
