// The members every JSON document of packwright shares: the volumes read and the problems
// found, each problem with the volume file and offset it concerns.
#pragma once
#include "packwright/examine/ExaminedPackage.h"
#include "packwright/examine/JsonWriter.h"

// "volumes": [{"index", "path", "size"}]
void AddVolumes(JsonWriter& j, const ExaminedPackage& p);
// "problems": [...] and "stopped_by": the problem that ended the reading, or null.
void AddProblems(JsonWriter& j, const ExaminedPackage& p);
void AddProblem(JsonWriter& j, const ExaminedPackage& p, const Problem& problem);

// The whole document for a file that holds no package to read: its reason, exit code 1.
std::string UnreadableJson(const std::string& command, const std::string& installer, const std::string& reason);
