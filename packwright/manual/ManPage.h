// packwright(1): the options and commands from the command line itself, around a fixed text
// on what packwright does, its exit codes, environment and files.
#pragma once
#include <string>

#include "packwright/manual/CommandLineModel.h"

std::string ManPage(const CommandLineModel& model, const std::string& version);
