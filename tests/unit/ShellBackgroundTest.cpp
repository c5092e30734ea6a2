// The BackgroundWindow's picture as drawing calls: bands, font, text positions, shadows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "shell/Background.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace {
using fake::DrawCall;

struct TextAt {
    int x, y;
    u32 colour;
    std::string text;
    bool operator==(const TextAt&) const = default;
};

class ShellBackground : public HostProcessTest {
protected:
    void Paint(int width, int height, const char* title, const char* footer) {
        fake::Reset();
        ResetSetupState();
        fake::SetClientSize(width, height);
        if (title) g_setup.ProductTitle = CopyString(title);
        if (footer) g_setup.FooterText = CopyString(footer);
        int window = 0;
        PaintBackground(&window);
    }
    std::vector<DrawCall> Calls(DrawCall::Kind kind) {
        std::vector<DrawCall> out;
        for (const DrawCall& call : fake::DrawCalls())
            if (call.kind == kind) out.push_back(call);
        return out;
    }
    std::vector<TextAt> Texts() {
        std::vector<TextAt> out;
        for (const DrawCall& call : Calls(DrawCall::Text)) out.push_back({call.left, call.top, call.value, call.text});
        return out;
    }
    // The alignment in force for each text, in drawing order.
    std::vector<u32> AlignmentOfTexts() {
        std::vector<u32> out;
        u32 alignment = 0xFFFF;
        for (const DrawCall& call : fake::DrawCalls()) {
            if (call.kind == DrawCall::Align) alignment = call.value;
            if (call.kind == DrawCall::Text) out.push_back(alignment);
        }
        return out;
    }
};

const u32 Black = 0, White = 0xFFFFFF;
}  // namespace

TEST_F(ShellBackground, BandsCoverTheScreenFromBrightToDarkBlue) {
    Paint(1024, 768, "T", "");
    std::vector<DrawCall> bands = Calls(DrawCall::Fill);
    ASSERT_EQ(bands.size(), 41u);
    // Full-width bands that tile the screen from the top, each a darker pure blue.
    EXPECT_EQ(bands.front().top, 0);
    EXPECT_EQ(bands.front().value, 0xFA0000u);  // blue 250 in 0x00BBGGRR
    EXPECT_EQ(bands.back().value, 0x320000u);   // blue 50
    for (std::size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].left, 0);
        EXPECT_EQ(bands[i].right, 1024);
        EXPECT_EQ(bands[i].value & 0xFFFF, 0u) << "no red or green";
        if (i > 0) {
            EXPECT_EQ(bands[i].top, bands[i - 1].bottom);
            EXPECT_LT(bands[i].value, bands[i - 1].value);
        }
    }
    // On a 768-row screen, bands of 20 rows: the band of level 60 (rows 760 to 779) is the
    // last one that reaches into the window.
    EXPECT_EQ(bands[38].top, 760);
    EXPECT_EQ(bands[38].value, 60u << 16);
    EXPECT_GE(bands[39].top, 768);

    Paint(300, 30, "T", "");  // below 40 rows: bands of one pixel
    EXPECT_EQ(Calls(DrawCall::Fill)[1].top, 1);
    EXPECT_EQ(Calls(DrawCall::Fill)[1].bottom, 2);
}

TEST_F(ShellBackground, TitleAndTwoFooterLinesAreShadowedAndPlaced) {
    Paint(1024, 768, "Product", "First line\nSecond\nthird");
    ASSERT_EQ(Calls(DrawCall::Font).size(), 1u);
    EXPECT_EQ(Calls(DrawCall::Font)[0].value, 51u);
    EXPECT_EQ(Calls(DrawCall::Transparent).size(), 1u);
    std::vector<TextAt> expected = {
        {20, 20, Black, "Product"},          {15, 15, White, "Product"},
        {1014, 707, Black, "First line"},    {1009, 702, White, "First line"},
        {1014, 758, Black, "Second\nthird"}, {1009, 753, White, "Second\nthird"},
    };
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(AlignmentOfTexts(), (std::vector<u32>{0, 0, 10, 10, 10, 10}));
    // The font goes back out of the device context, and painting changes no state.
    ASSERT_EQ(Calls(DrawCall::RestoreFont).size(), 1u);
    EXPECT_EQ(Calls(DrawCall::RestoreFont)[0].value, 1u);
    EXPECT_STREQ(g_setup.FooterText, "First line\nSecond\nthird");
}

TEST_F(ShellBackground, FooterVariants) {
    Paint(800, 600, "A\nB", "One line");
    EXPECT_EQ(Texts(), (std::vector<TextAt>{{20, 20, Black, "A\nB"},  // no split in the title
                                            {15, 15, White, "A\nB"},
                                            {790, 590, Black, "One line"},
                                            {785, 585, White, "One line"}}));

    Paint(800, 600, "", "\nrest");  // an empty first line, the rest below it
    std::vector<TextAt> texts = Texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[2], (TextAt{790, 590 - 40, Black, ""}));
    EXPECT_EQ(texts[5], (TextAt{785, 585, White, "rest"}));

    Paint(800, 600, nullptr, "");  // nothing at the bottom, an empty title
    EXPECT_EQ(Texts(), (std::vector<TextAt>{{20, 20, Black, ""}, {15, 15, White, ""}}));
    EXPECT_EQ(AlignmentOfTexts(), (std::vector<u32>{0, 0}));
}
