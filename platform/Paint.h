// Painting, only between PlatformBeginPaint and PlatformEndPaint; paints never nest.
#pragma once
#include "platform/Handles.h"

DeviceContext PlatformBeginPaint(WindowHandle window);
void PlatformEndPaint(WindowHandle window, DeviceContext dc);
void PlatformClientSize(WindowHandle window, int* width, int* height);
// Fills a rectangle with a solid colour (0x00BBGGRR) through a brush made for this call.
void PlatformFillSolid(DeviceContext dc, int left, int top, int right, int bottom, u32 colour);
// Creates the bold italic roman font of the given cell height and selects it; returns the
// font it replaced, for PlatformRestoreFont, which selects that back and deletes ours.
void* PlatformSelectBannerFont(DeviceContext dc, int height);
void PlatformRestoreFont(DeviceContext dc, void* previous);
void PlatformSetTransparentText(DeviceContext dc);
// Text alignment flags with the system's values.
enum : unsigned { TextAlignLeftTop = 0, TextAlignRightBottom = 2 | 8 };
void PlatformSetTextAlignment(DeviceContext dc, unsigned alignment);
void PlatformTextOut(DeviceContext dc, int x, int y, const char* text, u32 length, u32 colour);
