#include "ImportHook.h"

#include <cstring>

namespace {

void** FindImportSlot(HMODULE module, const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (base == nullptr) return nullptr;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        // The names, and the slots the loader filled with the addresses.
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk
                                                                                             : d->FirstThunk));
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slot->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return;
    *slot = value;
    ::VirtualProtect(slot, sizeof *slot, protection, &protection);
    ::FlushInstructionCache(::GetCurrentProcess(), slot, sizeof *slot);
}

} // namespace

ImportHook::ImportHook(HMODULE module, const char* dll, const char* function, const void* replacement) {
    slot_ = FindImportSlot(module, dll, function);
    if (slot_ == nullptr) return;
    original_ = *slot_;
    WriteSlot(slot_, const_cast<void*>(replacement));
}

ImportHook::~ImportHook() {
    if (slot_ != nullptr) WriteSlot(slot_, original_);
}
