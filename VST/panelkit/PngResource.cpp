#include "PngResource.h"

#include <objidl.h>

#include <cstring>

Gdiplus::Bitmap* LoadPngResource(HRSRC resource, PngResourceHolder* holder) {
    if (resource == nullptr || holder == nullptr) return nullptr;
    const DWORD size = ::SizeofResource(holder->module, resource);
    if (size == 0) return nullptr;
    const HGLOBAL loaded = ::LoadResource(holder->module, resource);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr) return nullptr;
    holder->block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (holder->block == nullptr) return nullptr;
    void* copy = ::GlobalLock(holder->block);
    if (copy == nullptr) {
        ::GlobalFree(holder->block);
        holder->block = nullptr;
        return nullptr;
    }
    std::memcpy(copy, bytes, size);
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(holder->block, FALSE, &stream) != S_OK) {
        ::GlobalUnlock(holder->block);
        ::GlobalFree(holder->block);
        holder->block = nullptr;
        return nullptr;
    }
    auto* image = new Gdiplus::Bitmap(stream);
    if (image->GetLastStatus() != Gdiplus::Ok) {
        // Nothing reads the block any more.
        delete image;
        stream->Release();
        ::GlobalUnlock(holder->block);
        ::GlobalFree(holder->block);
        holder->block = nullptr;
        return nullptr;
    }
    // The stream and its block live on with the image.
    return image;
}
