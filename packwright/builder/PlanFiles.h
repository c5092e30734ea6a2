// The steps of PlanInstall that deal with the files: each source found and placed at its
// target, then the totals the installer's header and estimate need.
#pragma once
#include "packwright/builder/Diagnostics.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/Manifest.h"

void PlanFiles(const Manifest& m, Diagnostics& d, InstallPlan& plan);
void PlanTotals(Diagnostics& d, InstallPlan& plan);
