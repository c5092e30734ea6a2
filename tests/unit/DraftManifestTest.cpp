// `packwright init`: the drafted manifest of a folder plans without errors, packs every file
// where the folder has it, and gives each program a shortcut.
#include <algorithm>
#include <fstream>

#include "TestSupport.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/ManifestReader.h"
#include "packwright/init/DraftManifest.h"

// Hand-made PE image with a version resource (defined with the PE version tests).
Bytes MakePeWithVersion(u16 major, u16 minor, u16 build, u16 revision);

namespace {
namespace fs = std::filesystem;

class DraftManifestTest : public ::testing::Test {
protected:
    TempDir dir;

    void Write(const std::string& relative, const Bytes& bytes) {
        fs::create_directories(fs::path(dir.file(relative)).parent_path());
        WriteFileBytes(dir.file(relative), bytes);
    }

    // Drafts, saves and plans the manifest, failing the test on any diagnostic.
    InstallPlan DraftAndPlan(const std::string& folder, const std::string& manifest, ManifestDraft* draft) {
        *draft = DraftManifest(dir.file(folder), dir.file(manifest));
        fs::create_directories(fs::path(dir.file(manifest)).parent_path());
        std::ofstream(dir.file(manifest)) << draft->text;
        Diagnostics d(dir.file(manifest));
        InstallPlan plan = PlanInstall(ReadManifest(dir.file(manifest), d), d);
        for (const Diagnostic& problem : d.All()) ADD_FAILURE() << FormatDiagnostic(problem) << "\n" << draft->text;
        return plan;
    }

    static std::vector<std::string> Targets(const InstallPlan& plan) {
        std::vector<std::string> targets;
        for (const PlannedFile& f : plan.files) targets.push_back(f.target);
        return targets;
    }
};

TEST_F(DraftManifestTest, AProductFolderBuildsAsDrafted) {
    Write("Sample Notes/notes.exe", MakePeWithVersion(2, 5, 0, 7));
    Write("Sample Notes/readme.txt", {'r'});
    Write("Sample Notes/tools/convert.exe", {'M', 'Z'});
    Write("Sample Notes/tools/more/notes.exe", {'M', 'Z'});  // a second "notes" shortcut
    Write("Sample Notes/data files/a [1].dat", {'a'});
    Write("Sample Notes/odd [x]/b.dat", {'b'});
    Write("Sample Notes/.git/config", {'g'});
    fs::create_directories(dir.file("Sample Notes/empty"));

    ManifestDraft draft;
    InstallPlan plan = DraftAndPlan("Sample Notes", "setup.toml", &draft);
    EXPECT_EQ(plan.header.ProductTitle, "Sample Notes");
    EXPECT_EQ(plan.header.ProgramDir, "Sample Notes");
    EXPECT_EQ(plan.header.ShortcutFolder, "Sample Notes");
    EXPECT_EQ(plan.header.UninstallName, "Sample Notes");
    EXPECT_EQ(draft.mainProgram, "notes.exe");
    EXPECT_EQ(draft.version, "2.5.0.7");
    EXPECT_NE(draft.text.find("version = '2.5.0.7'"), std::string::npos);
    EXPECT_NE(draft.text.find("'empty' is left out"), std::string::npos);
    EXPECT_EQ(Targets(plan), (std::vector<std::string>{
                                 "{OurProgramDir}\\data files\\a [1].dat",
                                 "{OurProgramDir}\\notes.exe",
                                 "{OurProgramDir}\\odd [x]\\b.dat",
                                 "{OurProgramDir}\\readme.txt",
                                 "{OurProgramDir}\\tools\\convert.exe",
                                 "{OurProgramDir}\\tools\\more\\notes.exe",
                             }));
    EXPECT_EQ(plan.shortcutLines.size(), 3u);
    EXPECT_NE(draft.text.find("link = '{OurShortcutDir}\\notes (tools-more)'"), std::string::npos) << draft.text;
}

TEST_F(DraftManifestTest, AManifestElsewhereReachesTheFolderFromItsOwn) {
    Write("app/tool.exe", {'M', 'Z'});
    Write("app/lib/x.dll", {'x'});

    ManifestDraft draft;
    InstallPlan plan = DraftAndPlan("app", "packaging/setup.toml", &draft);
    EXPECT_NE(draft.text.find("source = '../app/lib/**'"), std::string::npos) << draft.text;
    EXPECT_EQ(Targets(plan), (std::vector<std::string>{"{OurProgramDir}\\lib\\x.dll", "{OurProgramDir}\\tool.exe"}));
    EXPECT_EQ(draft.version, "");  // no version resource: left for the user
    EXPECT_NE(draft.text.find("# version = "), std::string::npos);
}

}  // namespace
