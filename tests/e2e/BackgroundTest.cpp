// The BackgroundWindow on a 1024 x 768 screen: the blue bands, the title at the top left and
// the two footer lines at the bottom right, white over a black shadow 5 pixels away.
#include <cstdlib>
#include <filesystem>

#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const unsigned White = 0xFFFFFF;
const unsigned Black = 0x000000;

unsigned Blue(int level) { return static_cast<unsigned>(level); }

struct Box {
    int left, top, right, bottom;  // right and bottom excluded
};

// Pixels of one colour inside a box, and how many of them have a shadow pixel (black or
// white) 5 pixels right and below.
struct Count {
    int pixels = 0;
    int shadowed = 0;
};
Count CountColour(const Screenshot& shot, Box box, unsigned colour) {
    Count count;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            if (shot.Pixel(x, y) != colour) continue;
            ++count.pixels;
            unsigned below = shot.Pixel(x + 5, y + 5);
            if (below == Black || below == White) ++count.shadowed;
        }
    return count;
}

class Background : public StubTest {};
}  // namespace

TEST_F(Background, BandsTitleAndFooterOnTheWholeScreen) {
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("SETUP.EXE"), 2, "Packwright Example",
                            "Built on Linux\nRuns on Windows");
    // The held test build shows the bare window until it is closed.
    WineProcess setup({folder().windowsFile("SETUP.EXE")}, Traced({{"PACKWRIGHT_TEST_HOLD", "1"}}));
    RunResult shown = Drive({"window", "ZelSetupWindow", "Marrowfen Setup Utility", "60000", "sleep", "1000"});
    ASSERT_EQ(shown.exitCode, 0) << shown.output;

    fs::path shots = std::getenv("E2E_SHOTS_DIR") ? std::getenv("E2E_SHOTS_DIR") : fs::temp_directory_path();
    fs::create_directories(shots);
    std::optional<Screenshot> shot = TakeScreenshot(shots / "background.png");
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width, 1024);
    ASSERT_EQ(shot->height, 768);

    // Bands of 20 rows, from blue 250 down to 60 in the last visible one; column 600 is
    // clear of text from top to bottom.
    for (int band = 0; band <= 38; ++band) {
        SCOPED_TRACE(band);
        EXPECT_EQ(shot->Pixel(600, band * 20), Blue(250 - 5 * band));
        EXPECT_EQ(shot->Pixel(600, std::min(band * 20 + 19, 767)), Blue(250 - 5 * band));
    }
    EXPECT_EQ(shot->Pixel(0, 767), Blue(60));
    EXPECT_EQ(shot->Pixel(1023, 0), Blue(250));

    // The title: white letters from (15, 15) on, shadowed; nothing of it left of x = 15.
    Count title = CountColour(*shot, {15, 15, 560, 15 + 51}, White);
    EXPECT_GT(title.pixels, 300);
    EXPECT_GE(title.shadowed, title.pixels * 9 / 10);
    EXPECT_EQ(CountColour(*shot, {0, 0, 15, 100}, White).pixels, 0);
    EXPECT_GT(CountColour(*shot, {20, 20, 565, 20 + 51}, Black).pixels, 100);

    // The footer: two right-aligned lines ending at x = 1009, the first with its bottom at
    // y = 702, the second at y = 753; the shadows reach 5 pixels further.
    Count first = CountColour(*shot, {500, 702 - 51, 1009, 702}, White);
    Count second = CountColour(*shot, {500, 753 - 51, 1009, 753}, White);
    EXPECT_GT(first.pixels, 300);
    EXPECT_GT(second.pixels, 300);
    EXPECT_GE(first.shadowed, first.pixels * 9 / 10);
    EXPECT_GE(second.shadowed, second.pixels * 9 / 10);
    EXPECT_EQ(CountColour(*shot, {1009, 600, 1024, 768}, White).pixels, 0);
    EXPECT_EQ(CountColour(*shot, {0, 753, 1024, 768}, White).pixels, 0);
    EXPECT_EQ(CountColour(*shot, {1014, 600, 1024, 768}, Black).pixels, 0);
    EXPECT_GT(CountColour(*shot, {505, 707, 1014, 758}, Black).pixels, 100);

    // Closing the window ends the process with exit code 0.
    RunResult closed = Drive({"close", "ZelSetupWindow", "Marrowfen Setup Utility", "10000"});
    EXPECT_EQ(closed.exitCode, 0) << closed.output;
    EXPECT_EQ(setup.Wait(ProgramTimeout), 0);
    std::vector<TraceEvent> trace = Trace();
    ASSERT_FALSE(trace.empty());
    std::vector<std::string> events = EventsOf(trace, trace[0].process);
    EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
              (std::vector<std::string>{"message 1027", "message 16", "exit 0"}));
}
