// Extended dialog templates built in memory: the panel dialogs and the input
// box need no dialog resource in whatever module shows them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class KDialogTemplate {
public:
    struct Font {
        uint16_t points;
        uint16_t weight;
        uint8_t italic;
        uint8_t charset;
        const wchar_t* face;
    };
    // Control classes by their predefined ordinals.
    enum Class : uint16_t { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082 };

    KDialogTemplate(uint32_t style, uint32_t exStyle, int16_t x, int16_t y, int16_t cx, int16_t cy,
                    const wchar_t* caption, const Font& font);
    void AddControl(int32_t id, Class windowClass, const wchar_t* text, int16_t x, int16_t y, int16_t cx,
                    int16_t cy, uint32_t style);

    // The template, word-aligned, as DialogBoxIndirectParamW takes it. It
    // stays writable: callers may patch the header's styles.
    DLGTEMPLATE* Data() { return reinterpret_cast<DLGTEMPLATE*>(words_.data()); }
    size_t Bytes() const { return words_.size() * sizeof(uint16_t); }

private:
    void Word(uint16_t w) { words_.push_back(w); }
    void Dword(uint32_t d);
    void Text(const wchar_t* text);
    void AlignToDword();

    std::vector<uint16_t> words_;
    size_t countAt_;
};

// Offsets in an extended template's header.
constexpr size_t kDialogExExStyleOffset = 8;
constexpr size_t kDialogExStyleOffset = 12;
constexpr size_t kDialogExXOffset = 18; // then y
