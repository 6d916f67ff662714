#include "DialogTemplate.h"

KDialogTemplate::KDialogTemplate(uint32_t style, uint32_t exStyle, int16_t x, int16_t y, int16_t cx, int16_t cy,
                                 const wchar_t* caption, const Font& font) {
    Word(1);      // version
    Word(0xFFFF); // extended
    Dword(0);     // help id
    Dword(exStyle);
    Dword(style);
    countAt_ = words_.size();
    Word(0);
    Word(static_cast<uint16_t>(x));
    Word(static_cast<uint16_t>(y));
    Word(static_cast<uint16_t>(cx));
    Word(static_cast<uint16_t>(cy));
    Word(0); // no menu
    Word(0); // the dialog class
    Text(caption);
    Word(font.points);
    Word(font.weight);
    Word(static_cast<uint16_t>(font.italic | (font.charset << 8)));
    Text(font.face);
}

void KDialogTemplate::AddControl(int32_t id, Class windowClass, const wchar_t* text, int16_t x, int16_t y,
                                 int16_t cx, int16_t cy, uint32_t style) {
    AlignToDword();
    Dword(0); // help id
    Dword(0); // extended style
    Dword(style);
    Word(static_cast<uint16_t>(x));
    Word(static_cast<uint16_t>(y));
    Word(static_cast<uint16_t>(cx));
    Word(static_cast<uint16_t>(cy));
    Dword(static_cast<uint32_t>(id));
    Word(0xFFFF);
    Word(windowClass);
    Text(text);
    Word(0); // no creation data
    ++words_[countAt_];
}

void KDialogTemplate::Dword(uint32_t d) {
    Word(static_cast<uint16_t>(d & 0xFFFF));
    Word(static_cast<uint16_t>(d >> 16));
}

void KDialogTemplate::Text(const wchar_t* text) {
    for (const wchar_t* c = text; c != nullptr && *c != 0; ++c) Word(static_cast<uint16_t>(*c));
    Word(0);
}

void KDialogTemplate::AlignToDword() {
    if (words_.size() % 2 != 0) Word(0);
}
