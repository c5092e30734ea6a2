// Folders that were there before any installation: the Windows and system directories and
// the user's desktop and start-menu folders. Installations put files straight into them,
// but the folders stay even when those files were all they held; so does a bare drive
// ("C:" names the drive's current directory, not a folder of the installation).
#pragma once
#include "state/Types.h"

class ProtectedFolders {
public:
    ProtectedFolders();  // asks the system once
    bool Contains(const char* directory) const;

private:
    static constexpr int Capacity = 6;
    char folders_[Capacity][PathCapacity];
    int count_ = 0;
};
