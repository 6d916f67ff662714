// The font the text widgets make for themselves: "Tohoma", 9 points,
// regular. GDI+ does not fall back for a family it does not know, so the
// generic sans-serif family stands in by hand.
#pragma once

#include <windows.h>
#include <gdiplus.h>

// A new font the caller deletes; null when not even the generic family can
// be had (a system without fonts).
Gdiplus::Font* CreatePanelFont();
// The font's line height in pixels at 96 dpi; 0 without a font.
float FontHeight96(const Gdiplus::Font* font);
