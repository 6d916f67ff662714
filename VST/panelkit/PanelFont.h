// The font the text widgets make for themselves: "Tohoma", regular, 9
// points unless the editor asks for another size. GDI+ does not fall back
// for a family it does not know, so the generic sans-serif family stands in
// by hand, made by its name (no family object is kept between fonts).
#pragma once

#include <windows.h>
#include <gdiplus.h>

// A new font the caller deletes; null when not even the generic family can
// be had (a system without fonts).
constexpr float kPanelFontPoints = 9.0f;
Gdiplus::Font* CreatePanelFont(float points = kPanelFontPoints);
// The font's line height in pixels at 96 dpi; 0 without a font.
float FontHeight96(const Gdiplus::Font* font);
