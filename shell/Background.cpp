#include "shell/Background.h"

#include <cstring>

#include "state/SetupState.h"

namespace {
// The measures derived from the client height.
constexpr int BandCount = 41;
constexpr int TextMargin = 15;
constexpr int ShadowOffset = 5;
int BandHeight(int clientHeight) { return clientHeight / 40 + 1; }
int BannerFontHeight(int clientHeight) { return clientHeight / 15; }
u32 BandColour(int band) { return static_cast<u32>(250 - 5 * band) << 16; }  // pure blue, 0x00BBGGRR

const u32 Black = 0x000000;
const u32 White = 0xFFFFFF;

void DrawShadowedText(DeviceContext dc, int x, int y, const char* text, u32 length) {
    PlatformTextOut(dc, x + ShadowOffset, y + ShadowOffset, text, length, Black);
    PlatformTextOut(dc, x, y, text, length, White);
}

// A field not set by the header paints like an empty one.
const char* TextOrEmpty(const char* text) { return text ? text : ""; }
}  // namespace

void DrawShadowedText(DeviceContext dc, int x, int y, const char* text) {
    DrawShadowedText(dc, x, y, text, static_cast<u32>(std::strlen(text)));
}

void PaintBackground(WindowHandle window) {
    DeviceContext dc = PlatformBeginPaint(window);
    int width = 0;
    int height = 0;
    PlatformClientSize(window, &width, &height);

    // 41 bands of H / 40 + 1 always reach below the client area.
    int band = BandHeight(height);
    for (int i = 0; i < BandCount; ++i) PlatformFillSolid(dc, 0, i * band, width, (i + 1) * band, BandColour(i));

    PlatformClientSize(window, &width, &height);
    int fontHeight = BannerFontHeight(height);
    void* previousFont = PlatformSelectBannerFont(dc, fontHeight);
    PlatformSetTransparentText(dc);
    PlatformSetTextAlignment(dc, TextAlignLeftTop);
    DrawShadowedText(dc, TextMargin, TextMargin, TextOrEmpty(g_setup.ProductTitle));

    const char* footer = TextOrEmpty(g_setup.FooterText);
    if (*footer) {
        PlatformSetTextAlignment(dc, TextAlignRightBottom);
        int right = width - TextMargin;
        int bottom = height - TextMargin;
        // Only the first line feed splits; later ones are ordinary characters of line two.
        const char* lineFeed = std::strchr(footer, '\n');
        if (lineFeed) {
            DrawShadowedText(dc, right, bottom - fontHeight, footer, static_cast<u32>(lineFeed - footer));
            DrawShadowedText(dc, right, bottom, lineFeed + 1);
        } else {
            DrawShadowedText(dc, right, bottom, footer);
        }
    }

    PlatformRestoreFont(dc, previousFont);
    PlatformEndPaint(window, dc);
}
