// The setup wizard on the host: which pages it shows and what each enables, the password
// and directory rules, the disk estimate, and the pages as the fake sheet drives them.
#include <cstring>

#include "TestSupport.h"
#include "package/BlockChecksum.h"
#include "package/Password.h"
#include "platform/Dialogs.h"
#include "platform/Wizard.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"
#include "wizard/DiskEstimate.h"
#include "wizard/SetupWizard.h"
#include "wizard/WizardRules.h"

namespace {
using Step = fake::WizardStep;
const Step Next = {Step::Next, 0, {}};
const Step Back = {Step::Back, 0, {}};
const Step Finish = {Step::Finish, 0, {}};
const Step Cancel = {Step::Cancel, 0, {}};

class Wizard : public HostProcessTest {
protected:
    void SetUp() override {
        HostProcessTest::SetUp();
        fake::SetClientSize(1024, 768);
    }
    static void Set(char** field, const char* text) {
        delete[] * field;
        *field = text ? CopyString(text) : nullptr;
    }
    // The window of a page the last wizard made, by its template.
    static WindowHandle PageWindow(int templateId) {
        const fake::WizardRun& run = fake::Wizards().back();
        for (std::size_t i = 0; i < run.templates.size(); ++i)
            if (run.templates[i] == templateId) return run.pages[i];
        return nullptr;
    }
    static std::string Field(int templateId, int control = PAGE_FIELD) {
        return fake::Control(PageWindow(templateId), control).text;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const ShownMessageBox& box : fake::ShownBoxes()) texts.push_back(box.text);
        return texts;
    }
};

const char WrongPassword[] = "Password is incorrect. You must enter the proper password to continue the installation.";
const char CancelQuestion[] = "Do you REALLY want to cancel this installation?";
}  // namespace

// Every combination of the four optional pages, walked with Next to Finish: the pages in
// their fixed order, Back everywhere but on Welcome, Finish only on the last page.
TEST_F(Wizard, PagesAndButtonsForEveryCombination) {
    for (int mask = 0; mask < 16; ++mask) {
        SCOPED_TRACE(mask);
        ResetSetupState();
        fake::Reset();
        bool licence = mask & 1, password = mask & 2, directory = mask & 4, folder = mask & 8;
        if (licence) Set(&g_setup.LicenceText, "Terms");
        if (password) g_setup.PasswordChecksum = PasswordChecksumOf("KEY", 3);
        if (directory) Set(&g_setup.ProgramDir, "C:\\Apps\\Tool");
        if (folder) Set(&g_setup.ShortcutFolder, "Tool");

        std::vector<int> expected = {WELCOME_PAGE};
        if (licence) expected.push_back(LICENCE_PAGE);
        if (password) expected.push_back(PASSWORD_PAGE);
        if (directory) expected.push_back(DIRECTORY_PAGE);
        if (folder) expected.push_back(FOLDER_PAGE);
        std::vector<Step> steps;
        for (int page : expected) {
            if (page == PASSWORD_PAGE) steps.push_back(fake::TypeInto(PAGE_FIELD, "key"));
            steps.push_back(page == expected.back() ? Finish : Next);
        }
        fake::ScriptWizard(steps);

        EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 1);
        const fake::WizardRun& run = fake::Wizards().back();
        EXPECT_EQ(run.templates, expected);
        EXPECT_EQ(run.current, expected);
        EXPECT_EQ(run.ignored, 0);
        ASSERT_EQ(run.buttons.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            bool last = i + 1 == expected.size();
            u32 forward = last ? WizardButtonFinish : WizardButtonNext;
            EXPECT_EQ(run.buttons[i], i == 0 ? forward : (WizardButtonBack | forward)) << "page " << expected[i];
        }
    }
}

TEST_F(Wizard, KindNumbersAreNotThePageOrder) {
    WizardPlan plan = PlanWizardPages(true, true, false, false);
    EXPECT_EQ(plan.lastPage, PasswordKind);
    EXPECT_EQ(WizardButtons(LicenceKind, plan.lastPage), WizardButtonBack | WizardButtonNext);
    EXPECT_EQ(WizardButtons(PasswordKind, plan.lastPage), WizardButtonBack | WizardButtonFinish);
}

TEST(WizardRules, PasswordFoldsOnlyTheLettersAToZ) {
    EXPECT_TRUE(PasswordMatches("open Sesame", PasswordChecksumOf("OPEN SESAME", 11)));
    EXPECT_FALSE(PasswordMatches("open sesam", PasswordChecksumOf("OPEN SESAME", 11)));
    // Bytes above 0x7F are never folded: 0xE9 is not taken as 0xC9.
    EXPECT_FALSE(PasswordMatches("caf\xe9", PasswordChecksumOf("CAF\xc9", 4)));
    EXPECT_TRUE(PasswordMatches("caf\xe9", PasswordChecksumOf("CAF\xe9", 4)));
}

TEST(WizardRules, ATextWhoseChecksumIsZeroMatchesOnlyOne) {
    const char zero[] = "PW161O:N:";  // no small letters, so the checksum is of these bytes
    ASSERT_EQ(BlockChecksum(zero, std::strlen(zero), ChecksumStart), 0u);
    EXPECT_TRUE(PasswordMatches(zero, 1));
    EXPECT_FALSE(PasswordMatches(zero, 0));
}

TEST(WizardRules, TakingAFieldRemovesOneTrailingBackslashAndKeepsTheOldValueForNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Apps\\", "C:\\Apps"}, {"C:\\", "C:"}, {"C:\\\\", "C:\\"}, {"D:\\Tools", "D:\\Tools"}, {"", "old"}};
    for (auto [typed, taken] : cases) {
        char* field = CopyString("old");
        TakeFieldText(&field, typed);
        EXPECT_STREQ(field, taken) << typed;
        delete[] field;
    }
}

TEST(DiskEstimate, RowsOfTheClusterTable) {
    const u32 table[7] = {2000, 1000, 500, 260, 140, 80, 50};
    struct Row {
        u64 cluster, thisKb;
    } rows[] = {{512, 1128}, {4096, 1168}, {3000, 1168}, {32768, 1728}, {65536, 1397}};
    for (Row row : rows) {
        DiskFigures f = EstimateBytes(table, 20, 65536, 2, row.cluster);
        EXPECT_EQ(f.thisDrive >> 10, row.thisKb) << row.cluster;
        EXPECT_EQ(f.otherDrives, 1769472u) << row.cluster;
    }
    EXPECT_EQ(EstimateBytes(table, 20, 65536, 2, 3000).thisDrive, 1196960u);  // companions in 3000-byte clusters
}

TEST(DiskEstimate, FiguresOfFourGibibytesAndMore) {
    const u32 table[7] = {0, 0, 0, 0, 0, 0, 200000};  // 200000 clusters of 32 KiB: 6.1 GiB
    DiskFigures f = EstimateBytes(table, 100000, 65536, 1, 32768);
    EXPECT_EQ(f.thisDrive, 6553600000ull + 65536);
    char text[512];
    EstimateText(f, text);
    EXPECT_STREQ(text,
                 "This installation may require up to 6400064Kb on this drive. It may require up to 6400064Kb on "
                 "other drives depending on their formats.");
}

TEST(DiskEstimate, RootPath) {
    char root[PathCapacity];
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\Games\\Title", "D:\\"}, {"D:", "D:\\"}, {"\\\\server\\share\\app", "\\\\server\\share\\app"}};
    for (auto [dir, expected] : cases) {
        EstimateRootPath(dir, root);
        EXPECT_STREQ(root, expected);
    }
}

TEST_F(Wizard, DirectoryPageShowsTheEstimateAndTakesTheFieldOnLeaving) {
    Set(&g_setup.ProgramDir, "D:\\Games\\Title");
    Set(&g_setup.UninstallName, "Title");
    for (u32& n : g_setup.SizeTable) n = 2;
    fake::SetDiskGeometry(1, 512);
    fake::ScriptWizard(
        {Next, fake::TypeInto(PAGE_FIELD, ""), Back, Next, fake::TypeInto(PAGE_FIELD, "E:\\Other\\"), Finish});
    EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 1);
    EXPECT_EQ(fake::DiskGeometryAsked(), std::vector<std::string>{"D:\\"});
    EXPECT_EQ(Field(DIRECTORY_PAGE, PAGE_ESTIMATE),
              "This installation may require up to 1Kb on this drive. It may require up to 64Kb on other drives "
              "depending on their formats.");
    // Made once: the estimate of its first display stays.
    EXPECT_EQ(fake::Control(PageWindow(DIRECTORY_PAGE), PAGE_ESTIMATE).texts.size(), 1u);
    EXPECT_STREQ(g_setup.ProgramDir, "E:\\Other");
}

TEST_F(Wizard, AFixedDirectoryCannotBeTypedButIsStillTaken) {
    Set(&g_setup.ProgramDir, "C:\\Fixed\\");
    g_setup.ProgramDirFixed = true;
    fake::ScriptWizard({Next, fake::TypeInto(PAGE_FIELD, "D:\\Elsewhere"), Finish});
    EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 1);
    EXPECT_FALSE(fake::Control(PageWindow(DIRECTORY_PAGE), PAGE_FIELD).enabled);
    EXPECT_EQ(fake::Wizards().back().ignored, 1);
    EXPECT_STREQ(g_setup.ProgramDir, "C:\\Fixed");
}

TEST_F(Wizard, ADirectoryWithoutADriveIsRefusedGoingOn) {
    Set(&g_setup.ProgramDir, "Tool");  // the program-files folder could not be had
    fake::QueueAnswers({IdOk, IdOk});
    fake::ScriptWizard({Next, Finish, fake::TypeInto(PAGE_FIELD, "Zebra\\Ledger"), Back, Next, Finish,
                        fake::TypeInto(PAGE_FIELD, "d:"), Finish});
    EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 1);
    const char partial[] = "The directory must start with a drive, such as C:\\Apps.";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{partial, partial}));
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Directory Error");
    EXPECT_EQ(fake::ShownBoxes()[0].style, 0x10u);
    EXPECT_EQ(fake::Wizards().back().current, (std::vector<int>{WELCOME_PAGE, DIRECTORY_PAGE, WELCOME_PAGE, DIRECTORY_PAGE}));
    EXPECT_STREQ(g_setup.ProgramDir, "d:");
}

TEST_F(Wizard, UnavailableGeometry) {
    Set(&g_setup.ProgramDir, "Tool");
    fake::FailDiskGeometry(true);
    fake::ScriptWizard({Next, Finish});
    RunSetupWizard(nullptr, nullptr);
    EXPECT_EQ(fake::DiskGeometryAsked(), std::vector<std::string>{"Tool"});
    EXPECT_EQ(Field(DIRECTORY_PAGE, PAGE_ESTIMATE), "Size requirements unavailable.");
}

TEST_F(Wizard, AWrongPasswordKeepsThePageAndBackChecksNothing) {
    Set(&g_setup.ProductTitle, "Tools & Toys");
    g_setup.PasswordChecksum = PasswordChecksumOf("RIGHT", 5);
    Set(&g_setup.ShortcutFolder, "Tools");
    fake::QueueAnswers({IdOk});
    fake::ScriptWizard({Next, fake::TypeInto(PAGE_FIELD, "wrong"), Next, Back, Next,
                        fake::TypeInto(PAGE_FIELD, "right"), Next, Finish});
    EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 1);
    EXPECT_EQ(fake::Wizards().back().current,
              (std::vector<int>{WELCOME_PAGE, PASSWORD_PAGE, WELCOME_PAGE, PASSWORD_PAGE, FOLDER_PAGE}));
    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    const ShownMessageBox& box = fake::ShownBoxes()[0];
    EXPECT_EQ(box.text, WrongPassword);
    EXPECT_EQ(box.caption, "Password Error");
    EXPECT_EQ(box.style, 0x10u);
    EXPECT_EQ(box.owner, PageWindow(PASSWORD_PAGE));
    EXPECT_EQ(Field(WELCOME_PAGE),
              "This program will install Tools & Toys onto your computer. If you wish to continue, click Next.");
}

TEST_F(Wizard, FinishOnThePasswordPageChecksThePassword) {
    g_setup.PasswordChecksum = PasswordChecksumOf("RIGHT", 5);
    fake::QueueAnswers({IdOk});
    fake::ScriptWizard({Next, fake::TypeInto(PAGE_FIELD, "left"), Finish, fake::TypeInto(PAGE_FIELD, "Right"), Finish});
    EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 1);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{WrongPassword});
}

TEST_F(Wizard, CancelAsksAndOnlyYesEndsTheWizard) {
    Set(&g_setup.ShortcutFolder, "Tools");
    fake::QueueAnswers({IdNo, IdYes});
    fake::ScriptWizard({Next, fake::TypeInto(PAGE_FIELD, "Mine"), Cancel, Cancel});
    EXPECT_EQ(RunSetupWizard(nullptr, nullptr), 0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{CancelQuestion, CancelQuestion}));
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Confirm");
    EXPECT_EQ(fake::ShownBoxes()[0].style, 0x24u);
    EXPECT_EQ(fake::Wizards().back().current, (std::vector<int>{WELCOME_PAGE, FOLDER_PAGE}));
    EXPECT_EQ(Field(FOLDER_PAGE), "Mine");
    EXPECT_STREQ(g_setup.ShortcutFolder, "Tools");  // a cancel does not take the field
}

// The sheet goes to the middle of the owner's client area; a sheet larger than that area
// lands left of it by half the difference, rounded toward zero.
TEST_F(Wizard, CentringTheSheet) {
    fake::ScriptWizard({Finish});
    RunSetupWizard(nullptr, nullptr);
    WindowRect r = PlatformWindowRect(fake::Wizards().back().sheet);
    EXPECT_EQ(r.left, 271);
    EXPECT_EQ(r.top, 203);
    EXPECT_EQ(r.right - r.left, 480);
    fake::SetClientSize(100, 768);
    CentreSheet(fake::Wizards().back().sheet);
    EXPECT_EQ(PlatformWindowRect(fake::Wizards().back().sheet).left, -190);
}
