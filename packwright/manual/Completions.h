// Shell completion scripts for packwright: command names, their options, and file names
// where an option or argument takes a path.
#pragma once
#include <string>

#include "packwright/manual/CommandLineModel.h"

std::string BashCompletion(const CommandLineModel& model);
std::string ZshCompletion(const CommandLineModel& model);
