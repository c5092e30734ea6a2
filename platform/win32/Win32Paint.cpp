// Drawing for the BackgroundWindow. Painting happens on the main thread and never nests,
// so one paint record serves every paint.
#include <windows.h>

#include "platform/Paint.h"

namespace {
PAINTSTRUCT g_paint;
HFONT g_bannerFont = nullptr;
}  // namespace

DeviceContext PlatformBeginPaint(WindowHandle window) { return BeginPaint(static_cast<HWND>(window), &g_paint); }

void PlatformEndPaint(WindowHandle window, DeviceContext) { EndPaint(static_cast<HWND>(window), &g_paint); }

void PlatformClientSize(WindowHandle window, int* width, int* height) {
    RECT client = {};
    GetClientRect(static_cast<HWND>(window), &client);
    *width = client.right - client.left;
    *height = client.bottom - client.top;
}

void PlatformFillSolid(DeviceContext dc, int left, int top, int right, int bottom, u32 colour) {
    RECT band = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(static_cast<HDC>(dc), &band, brush);
    DeleteObject(brush);
}

void* PlatformSelectBannerFont(DeviceContext dc, int height) {
    g_bannerFont = CreateFontA(height, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_ROMAN | DEFAULT_PITCH, nullptr);
    return SelectObject(static_cast<HDC>(dc), g_bannerFont);
}

void PlatformRestoreFont(DeviceContext dc, void* previous) {
    SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(previous));
    DeleteObject(g_bannerFont);
    g_bannerFont = nullptr;
}

void PlatformSetTransparentText(DeviceContext dc) { SetBkMode(static_cast<HDC>(dc), TRANSPARENT); }

void PlatformSetTextAlignment(DeviceContext dc, unsigned alignment) { SetTextAlign(static_cast<HDC>(dc), alignment); }

void PlatformTextOut(DeviceContext dc, int x, int y, const char* text, u32 length, u32 colour) {
    SetTextColor(static_cast<HDC>(dc), colour);
    TextOutA(static_cast<HDC>(dc), x, y, text, static_cast<int>(length));
}
