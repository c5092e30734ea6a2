// `packwright list` output: a readable text form and a JSON form (docs/json.md) of an
// examined package. Package texts are decoded from Windows-1252 and printed as UTF-8.
#pragma once
#include <string>

#include "packwright/examine/ExaminedPackage.h"

std::string ListingText(const ExaminedPackage& package);
std::string ListingJson(const ExaminedPackage& package);

// Schema version of every JSON document packwright prints.
constexpr int JsonSchemaVersion = 1;
