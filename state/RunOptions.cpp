#include "state/RunOptions.h"

RunOptions g_run;
