#include "package/InstallLog.h"

LoggedFile ParseLoggedFile(const char* line) {
    u32 n = 0;
    while (line[n] && line[n] != SharedFileMarker) ++n;
    return {n, line[n] == SharedFileMarker};
}
