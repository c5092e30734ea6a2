#include "packwright/cli/Commands.h"

// From the project version, so that --version and the name of the shipped Stub agree.
const char* PackwrightVersion() { return PACKWRIGHT_VERSION; }
