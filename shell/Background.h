// The BackgroundWindow's picture: a gradient of blue bands, the product title at the top
// left and the footer (one or two lines) at the bottom right, in shadowed white letters.
#pragma once
#include "shell/platform/Platform.h"

void PaintBackground(WindowHandle window);

// Draws text in black 5 pixels right of and below (x, y), then in white at (x, y); the text
// alignment in force decides what the point means.
void DrawShadowedText(DeviceContext dc, int x, int y, const char* text);

// The measures derived from the client height.
constexpr int BandCount = 41;
constexpr int TextMargin = 15;
constexpr int ShadowOffset = 5;
inline int BandHeight(int clientHeight) { return clientHeight / 40 + 1; }
inline int BannerFontHeight(int clientHeight) { return clientHeight / 15; }
inline u32 BandColour(int band) { return static_cast<u32>(250 - 5 * band) << 16; }
