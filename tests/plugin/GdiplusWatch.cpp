#include "GdiplusWatch.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

enum class Kind { Image, Font, Family, GenericFamily, Brush, Pen, Graphics, Format };

const char* KindName(Kind kind) {
    switch (kind) {
    case Kind::Image: return "an image";
    case Kind::Font: return "a font";
    case Kind::Family: return "a font family";
    case Kind::GenericFamily: return "a generic font family";
    case Kind::Brush: return "a brush";
    case Kind::Pen: return "a pen";
    case Kind::Graphics: return "a graphics";
    case Kind::Format: return "a string format";
    }
    return "an object";
}

struct Made {
    Kind kind;
    int session;
};

// What the watched module did, shared by the hooks.
struct Record {
    std::mutex lock;
    int session = 0; // the number of the last session started
    int running = 0;
    int mostRunning = 0;
    int startups = 0;
    int shutdowns = 0;
    std::map<const void*, Made> live;
    std::vector<std::string> faults;

    void Fault(const std::string& what) {
        if (faults.size() < 50) faults.push_back(what);
    }
    void Make(Kind kind, const void* object, const char* by) {
        if (object == nullptr) return;
        if (running == 0) Fault(std::string(by) + " made " + KindName(kind) + " outside any session");
        live[object] = {kind, session};
    }
    void Use(const void* object, const char* by) {
        if (object == nullptr) return;
        const auto found = live.find(object);
        if (running == 0) {
            Fault(std::string(by) + " used an object outside any session");
            return;
        }
        if (found != live.end() && found->second.session != session)
            Fault(std::string(by) + " used " + KindName(found->second.kind) + " of session " +
                  std::to_string(found->second.session) + " in session " + std::to_string(session));
    }
    void Free(const void* object, const char* by) {
        Use(object, by);
        live.erase(object);
    }
};

Record* gRecord = nullptr;

// Runs f on the record under its lock, when a watch is on.
template <class F>
void OnRecord(F f) {
    Record* r = gRecord;
    if (r == nullptr) return;
    std::lock_guard<std::mutex> hold(r->lock);
    f(*r);
}

Status WINGDIPAPI HookStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    const Status status = GdiplusStartup(token, input, output);
    if (status == Ok) OnRecord([](Record& r) {
            ++r.startups;
            if (r.running > 0) r.Fault("GDI+ started again while the module's session ran");
            else ++r.session;
            r.mostRunning = std::max(r.mostRunning, ++r.running);
        });
    return status;
}

VOID WINGDIPAPI HookShutdown(ULONG_PTR token) {
    OnRecord([](Record& r) {
        ++r.shutdowns;
        if (r.running == 0) {
            r.Fault("GDI+ shut down with no session running");
            return;
        }
        if (r.running == 1)
            for (const auto& object : r.live)
                if (object.second.kind != Kind::GenericFamily && object.second.session == r.session)
                    r.Fault(std::string(KindName(object.second.kind)) + " of session " +
                            std::to_string(object.second.session) + " was alive when it ended");
        --r.running;
    });
    GdiplusShutdown(token);
}

// Makers: the object comes back through the last argument.
Status WINGDIPAPI HookBitmapFromScan0(INT w, INT h, INT stride, PixelFormat format, BYTE* bits, GpBitmap** out) {
    const Status status = GdipCreateBitmapFromScan0(w, h, stride, format, bits, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Image, *out, "GdipCreateBitmapFromScan0"); });
    return status;
}

Status WINGDIPAPI HookBitmapFromStream(IStream* stream, GpBitmap** out) {
    const Status status = GdipCreateBitmapFromStream(stream, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Image, *out, "GdipCreateBitmapFromStream"); });
    return status;
}

Status WINGDIPAPI HookBitmapFromFile(const WCHAR* file, GpBitmap** out) {
    const Status status = GdipCreateBitmapFromFile(file, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Image, *out, "GdipCreateBitmapFromFile"); });
    return status;
}

Status WINGDIPAPI HookCloneImage(GpImage* image, GpImage** out) {
    OnRecord([&](Record& r) { r.Use(image, "GdipCloneImage"); });
    const Status status = GdipCloneImage(image, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Image, *out, "GdipCloneImage"); });
    return status;
}

Status WINGDIPAPI HookDisposeImage(GpImage* image) {
    OnRecord([&](Record& r) { r.Free(image, "GdipDisposeImage"); });
    return GdipDisposeImage(image);
}

Status WINGDIPAPI HookFamilyFromName(const WCHAR* name, GpFontCollection* collection, GpFontFamily** out) {
    const Status status = GdipCreateFontFamilyFromName(name, collection, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Family, *out, "GdipCreateFontFamilyFromName"); });
    return status;
}

Status WINGDIPAPI HookCloneFamily(GpFontFamily* family, GpFontFamily** out) {
    OnRecord([&](Record& r) { r.Use(family, "GdipCloneFontFamily"); });
    const Status status = GdipCloneFontFamily(family, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Family, *out, "GdipCloneFontFamily"); });
    return status;
}

Status WINGDIPAPI HookGenericSansSerif(GpFontFamily** out) {
    const Status status = GdipGetGenericFontFamilySansSerif(out);
    if (status == Ok)
        OnRecord([&](Record& r) { r.Make(Kind::GenericFamily, *out, "GdipGetGenericFontFamilySansSerif"); });
    return status;
}

Status WINGDIPAPI HookDeleteFamily(GpFontFamily* family) {
    OnRecord([&](Record& r) { r.Free(family, "GdipDeleteFontFamily"); });
    return GdipDeleteFontFamily(family);
}

Status WINGDIPAPI HookCreateFont(const GpFontFamily* family, REAL size, INT style, Unit unit, GpFont** out) {
    OnRecord([&](Record& r) { r.Use(family, "GdipCreateFont"); });
    const Status status = GdipCreateFont(family, size, style, unit, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Font, *out, "GdipCreateFont"); });
    return status;
}

Status WINGDIPAPI HookCloneFont(GpFont* font, GpFont** out) {
    OnRecord([&](Record& r) { r.Use(font, "GdipCloneFont"); });
    const Status status = GdipCloneFont(font, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Font, *out, "GdipCloneFont"); });
    return status;
}

Status WINGDIPAPI HookDeleteFont(GpFont* font) {
    OnRecord([&](Record& r) { r.Free(font, "GdipDeleteFont"); });
    return GdipDeleteFont(font);
}

Status WINGDIPAPI HookSolidFill(ARGB color, GpSolidFill** out) {
    const Status status = GdipCreateSolidFill(color, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Brush, *out, "GdipCreateSolidFill"); });
    return status;
}

Status WINGDIPAPI HookCloneBrush(GpBrush* brush, GpBrush** out) {
    OnRecord([&](Record& r) { r.Use(brush, "GdipCloneBrush"); });
    const Status status = GdipCloneBrush(brush, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Brush, *out, "GdipCloneBrush"); });
    return status;
}

Status WINGDIPAPI HookDeleteBrush(GpBrush* brush) {
    OnRecord([&](Record& r) { r.Free(brush, "GdipDeleteBrush"); });
    return GdipDeleteBrush(brush);
}

Status WINGDIPAPI HookCreatePen(ARGB color, REAL width, GpUnit unit, GpPen** out) {
    const Status status = GdipCreatePen1(color, width, unit, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Pen, *out, "GdipCreatePen1"); });
    return status;
}

Status WINGDIPAPI HookDeletePen(GpPen* pen) {
    OnRecord([&](Record& r) { r.Free(pen, "GdipDeletePen"); });
    return GdipDeletePen(pen);
}

Status WINGDIPAPI HookFromHdc(HDC dc, GpGraphics** out) {
    const Status status = GdipCreateFromHDC(dc, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Graphics, *out, "GdipCreateFromHDC"); });
    return status;
}

Status WINGDIPAPI HookImageGraphics(GpImage* image, GpGraphics** out) {
    OnRecord([&](Record& r) { r.Use(image, "GdipGetImageGraphicsContext"); });
    const Status status = GdipGetImageGraphicsContext(image, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Graphics, *out, "GdipGetImageGraphicsContext"); });
    return status;
}

Status WINGDIPAPI HookDeleteGraphics(GpGraphics* graphics) {
    OnRecord([&](Record& r) { r.Free(graphics, "GdipDeleteGraphics"); });
    return GdipDeleteGraphics(graphics);
}

Status WINGDIPAPI HookStringFormat(INT flags, LANGID language, GpStringFormat** out) {
    const Status status = GdipCreateStringFormat(flags, language, out);
    if (status == Ok) OnRecord([&](Record& r) { r.Make(Kind::Format, *out, "GdipCreateStringFormat"); });
    return status;
}

Status WINGDIPAPI HookDeleteStringFormat(GpStringFormat* format) {
    OnRecord([&](Record& r) { r.Free(format, "GdipDeleteStringFormat"); });
    return GdipDeleteStringFormat(format);
}

// Users: every object they are handed must be of the running session.
Status WINGDIPAPI HookDrawImage(GpGraphics* graphics, GpImage* image, INT dx, INT dy, INT dw, INT dh, INT sx, INT sy,
                                INT sw, INT sh, GpUnit unit, const GpImageAttributes* attributes,
                                DrawImageAbort abort, VOID* data) {
    OnRecord([&](Record& r) {
        r.Use(graphics, "GdipDrawImageRectRectI");
        r.Use(image, "GdipDrawImageRectRectI");
    });
    return GdipDrawImageRectRectI(graphics, image, dx, dy, dw, dh, sx, sy, sw, sh, unit, attributes, abort, data);
}

Status WINGDIPAPI HookDrawString(GpGraphics* graphics, const WCHAR* text, INT length, const GpFont* font,
                                 const RectF* layout, const GpStringFormat* format, const GpBrush* brush) {
    OnRecord([&](Record& r) {
        r.Use(graphics, "GdipDrawString");
        r.Use(font, "GdipDrawString");
        r.Use(format, "GdipDrawString");
        r.Use(brush, "GdipDrawString");
    });
    return GdipDrawString(graphics, text, length, font, layout, format, brush);
}

Status WINGDIPAPI HookFillRectangle(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT w, INT h) {
    OnRecord([&](Record& r) {
        r.Use(graphics, "GdipFillRectangleI");
        r.Use(brush, "GdipFillRectangleI");
    });
    return GdipFillRectangleI(graphics, brush, x, y, w, h);
}

Status WINGDIPAPI HookImageWidth(GpImage* image, UINT* width) {
    OnRecord([&](Record& r) { r.Use(image, "GdipGetImageWidth"); });
    return GdipGetImageWidth(image, width);
}

Status WINGDIPAPI HookImageHeight(GpImage* image, UINT* height) {
    OnRecord([&](Record& r) { r.Use(image, "GdipGetImageHeight"); });
    return GdipGetImageHeight(image, height);
}

struct Hook {
    const char* name;
    void* function;
};

template <class F>
void* Address(F function) {
    return reinterpret_cast<void*>(function);
}

const Hook kHooks[] = {
    {"GdiplusStartup", Address(HookStartup)},
    {"GdiplusShutdown", Address(HookShutdown)},
    {"GdipCreateBitmapFromScan0", Address(HookBitmapFromScan0)},
    {"GdipCreateBitmapFromStream", Address(HookBitmapFromStream)},
    {"GdipCreateBitmapFromFile", Address(HookBitmapFromFile)},
    {"GdipCloneImage", Address(HookCloneImage)},
    {"GdipDisposeImage", Address(HookDisposeImage)},
    {"GdipCreateFontFamilyFromName", Address(HookFamilyFromName)},
    {"GdipCloneFontFamily", Address(HookCloneFamily)},
    {"GdipGetGenericFontFamilySansSerif", Address(HookGenericSansSerif)},
    {"GdipDeleteFontFamily", Address(HookDeleteFamily)},
    {"GdipCreateFont", Address(HookCreateFont)},
    {"GdipCloneFont", Address(HookCloneFont)},
    {"GdipDeleteFont", Address(HookDeleteFont)},
    {"GdipCreateSolidFill", Address(HookSolidFill)},
    {"GdipCloneBrush", Address(HookCloneBrush)},
    {"GdipDeleteBrush", Address(HookDeleteBrush)},
    {"GdipCreatePen1", Address(HookCreatePen)},
    {"GdipDeletePen", Address(HookDeletePen)},
    {"GdipCreateFromHDC", Address(HookFromHdc)},
    {"GdipGetImageGraphicsContext", Address(HookImageGraphics)},
    {"GdipDeleteGraphics", Address(HookDeleteGraphics)},
    {"GdipCreateStringFormat", Address(HookStringFormat)},
    {"GdipDeleteStringFormat", Address(HookDeleteStringFormat)},
    {"GdipDrawImageRectRectI", Address(HookDrawImage)},
    {"GdipDrawString", Address(HookDrawString)},
    {"GdipFillRectangleI", Address(HookFillRectangle)},
    {"GdipGetImageWidth", Address(HookImageWidth)},
    {"GdipGetImageHeight", Address(HookImageHeight)},
};

void* HookFor(const char* name) {
    for (const Hook& hook : kHooks)
        if (std::strcmp(hook.name, name) == 0) return hook.function;
    return nullptr;
}

void WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return;
    *slot = value;
    ::VirtualProtect(slot, sizeof *slot, protection, &protection);
}

} // namespace

GdiplusWatch::GdiplusWatch(HMODULE module) {
    if (module == nullptr || gRecord != nullptr) return;
    gRecord = new Record;
    owner_ = true;
    // The import table of the module as loaded (this build's own PE kind).
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    bool startup = false, shutdown = false;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "gdiplus.dll") != 0) continue;
        if (d->OriginalFirstThunk == 0) continue; // no names to go by
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const char* name = reinterpret_cast<const char*>(byName->Name);
            void* hook = HookFor(name);
            if (hook == nullptr) continue;
            auto** slot = reinterpret_cast<void**>(&slots->u1.Function);
            patches_.push_back({slot, *slot});
            WriteSlot(slot, hook);
            startup |= std::strcmp(name, "GdiplusStartup") == 0;
            shutdown |= std::strcmp(name, "GdiplusShutdown") == 0;
        }
    }
    watching_ = startup && shutdown;
}

GdiplusWatch::~GdiplusWatch() {
    for (const Patch& p : patches_) WriteSlot(p.slot, p.original);
    if (!owner_) return;
    delete gRecord;
    gRecord = nullptr;
}

int GdiplusWatch::startups() const {
    int n = 0;
    OnRecord([&](Record& r) { n = r.startups; });
    return n;
}

int GdiplusWatch::shutdowns() const {
    int n = 0;
    OnRecord([&](Record& r) { n = r.shutdowns; });
    return n;
}

int GdiplusWatch::running() const {
    int n = 0;
    OnRecord([&](Record& r) { n = r.running; });
    return n;
}

int GdiplusWatch::mostRunning() const {
    int n = 0;
    OnRecord([&](Record& r) { n = r.mostRunning; });
    return n;
}

int GdiplusWatch::liveObjects() const {
    int n = 0;
    OnRecord([&](Record& r) {
        for (const auto& object : r.live) n += object.second.kind != Kind::GenericFamily ? 1 : 0;
    });
    return n;
}

std::vector<std::string> GdiplusWatch::faults() const {
    std::vector<std::string> all;
    OnRecord([&](Record& r) { all = r.faults; });
    return all;
}
