#include "Hydra.h"

#include <cstring>
#include <new>

namespace {
template <class T>
void Free(T*& list, uint16_t& count) {
    delete[] list;
    list = nullptr;
    count = 0;
}
} // namespace

void Hydra::Clear() {
    Free(phdr, phdrCount);
    Free(pbag, pbagCount);
    Free(pgen, pgenCount);
    Free(pmod, pmodCount);
    Free(inst, instCount);
    Free(ibag, ibagCount);
    Free(igen, igenCount);
    Free(imod, imodCount);
    Free(shdr, shdrCount);
    delete[] bankName;
    bankName = nullptr;
    versionMajor = versionMinor = 0;
}

int Hydra::SetBankName(const char* text) {
    if (text == nullptr) text = "";
    const size_t length = std::strlen(text);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy == nullptr) return 9;
    std::memcpy(copy, text, length + 1);
    delete[] bankName;
    bankName = copy;
    return 0;
}

void DeleteHydra(Hydra* hydra) {
    if (hydra == nullptr) return;
    hydra->Clear();
    delete hydra;
}
