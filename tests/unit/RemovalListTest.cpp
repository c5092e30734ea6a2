// The removal lists' ordering rule and the pruning of emptied registry keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Registry.h"
#include "platform/fake/FakePlatform.h"
#include "remove/RemovalList.h"

namespace {
using Texts = std::vector<std::string>;

const char* RootLabel(u32 root) { return root == RootLocalMachine ? "LM " : root == RootCurrentUser ? "CU " : ""; }

Texts Order(const RemovalList& list) {
    Texts texts;
    list.ForEach([&](const char* text, u32 root) { texts.push_back(RootLabel(root) + std::string(text)); });
    return texts;
}

class RemovalLists : public HostProcessTest {};
}  // namespace

TEST_F(RemovalLists, DirectoriesLongestFirstThenInOrderOfAdding) {
    RemovalList a;
    a.AddEntry("C:\\A", 0);
    a.AddEntry("C:\\A\\B", 0);
    a.AddEntry("C:\\X1", 0);
    a.AddEntry("C:\\X2", 0);
    a.AddEntry("C:\\A", 0);
    EXPECT_EQ(Order(a), (Texts{"C:\\A\\B", "C:\\X1", "C:\\X2", "C:\\A", "C:\\A"}));

    RemovalList b;
    b.AddEntry("C:\\A\\B", 0);
    b.AddEntry("C:\\A", 0);
    EXPECT_EQ(Order(b), (Texts{"C:\\A\\B", "C:\\A"}));
}

TEST_F(RemovalLists, KeysOfDifferentRootsInterleaveByRootValueAndLength) {
    RemovalList a;
    a.AddEntry("Software\\A", RootLocalMachine);
    a.AddEntry("Software\\A\\B", RootCurrentUser);  // longer: first, whatever its root
    EXPECT_EQ(Order(a), (Texts{"CU Software\\A\\B", "LM Software\\A"}));

    RemovalList b;
    b.AddEntry("Software\\A\\C", RootCurrentUser);
    b.AddEntry("Software\\A\\B", RootLocalMachine);  // larger root value, same length: first
    EXPECT_EQ(Order(b), (Texts{"LM Software\\A\\B", "CU Software\\A\\C"}));

    RemovalList c;
    c.AddEntry("Software\\A\\B", RootLocalMachine);
    c.AddEntry("Software\\A\\C", RootCurrentUser);  // smaller root value: after
    EXPECT_EQ(Order(c), (Texts{"LM Software\\A\\B", "CU Software\\A\\C"}));
}

TEST_F(RemovalLists, PruningRemovesEmptiedAncestorsUpToTheFirstThatIsNotEmptyOrTheSystems) {
    const std::vector<u8> one = {1, 0, 0, 0};
    fake::SetRegistryValue(RootLocalMachine, "Software\\Other", "Kept", RegDword, one);
    fake::SetRegistryValue(RootLocalMachine, "Software\\Busy\\App", "Left", RegDword, one);
    // Emptied keys: the values the list's owner deleted are gone already.
    for (const char* key : {"Software\\ZelSetup\\App", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App",
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Run"}) {
        fake::SetRegistryValue(RootLocalMachine, key, "Gone", RegDword, one);
        RegistryKey opened = PlatformOpenKey(PlatformRegistryRoot(RootLocalMachine), key, true);
        PlatformDeleteValue(opened, "Gone");
        PlatformCloseKey(opened);
    }
    fake::SetRegistryValue(RootCurrentUser, "Lone", "Gone", RegDword, one);
    RegistryKey lone = PlatformOpenKey(PlatformRegistryRoot(RootCurrentUser), "Lone", true);
    PlatformDeleteValue(lone, "Gone");
    PlatformCloseKey(lone);

    RemovalList keys;
    keys.AddEntry("Software\\ZelSetup\\App", RootLocalMachine);
    keys.AddEntry("Software\\Busy\\App", RootLocalMachine);  // still holds a value
    keys.AddEntry("Software\\Missing", RootLocalMachine);    // cannot be opened
    keys.AddEntry("Lone", RootCurrentUser);                   // no backslash: deleted, walk ends
    // The system's keys stay even when the installation's entry was all they held.
    keys.AddEntry("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App", RootLocalMachine);
    keys.AddEntry("Software\\Microsoft\\Windows\\CurrentVersion\\Run", RootLocalMachine);
    keys.PruneEmptyKeys();

    const std::string lm = "HKEY_LOCAL_MACHINE\\Software";
    const std::string currentVersion = lm + "\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_EQ(fake::RegistryListing(),
              (Texts{lm, lm + "\\Busy", lm + "\\Busy\\App", lm + "\\Busy\\App : Left = dword 1", lm + "\\Microsoft",
                     lm + "\\Microsoft\\Windows", currentVersion, currentVersion + "\\Run",
                     currentVersion + "\\Uninstall", lm + "\\Other", lm + "\\Other : Kept = dword 1"}));
    EXPECT_EQ(Order(keys), Texts{});
}
