#include "remove/ProtectedFolders.h"

#include "platform/Process.h"
#include "platform/Shell.h"
#include "remove/PathText.h"

ProtectedFolders::ProtectedFolders() {
    const int shellFolders[] = {FolderDesktop, FolderPrograms, FolderStartUp, FolderStartMenu};
    for (int folder : shellFolders)
        if (PlatformSpecialFolder(folder, folders_[count_], PathCapacity)) ++count_;
    if (PlatformSystemDirectory(folders_[count_], PathCapacity)) ++count_;
    if (PlatformWindowsDirectory(folders_[count_], PathCapacity)) ++count_;
}

bool ProtectedFolders::Contains(const char* directory) const {
    if (directory[0] && directory[1] == ':' && !directory[2]) return true;
    for (int i = 0; i < count_; ++i)
        if (SameTextIgnoringCase(directory, folders_[i])) return true;
    return false;
}
