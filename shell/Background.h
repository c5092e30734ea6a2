// The BackgroundWindow's picture: a gradient of blue bands, the product title at the top
// left and the footer (one or two lines) at the bottom right, in shadowed white letters.
#pragma once
#include "platform/Paint.h"

void PaintBackground(WindowHandle window);

// Draws text in black 5 pixels right of and below (x, y), then in white at (x, y); the text
// alignment in force decides what the point means.
void DrawShadowedText(DeviceContext dc, int x, int y, const char* text);
