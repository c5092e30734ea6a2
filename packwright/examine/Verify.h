// `packwright verify` without the process around it, so tests and fuzz targets can call it.
#pragma once
#include <functional>
#include <string>

#include "state/Types.h"

// Reads and checks every block and record of the installer at path. True when all is
// sound; report then holds a one-line summary, otherwise what is damaged or missing.
// Never throws for bad input and never ends the process.
bool VerifyPackage(const std::string& path, std::string& report,
                   const std::function<void(u64 done, u64 total)>& progress = {});
