// `packwright list` output: a readable text form and a JSON form of an inspected package.
#pragma once
#include <string>

#include "packwright/examine/PackageExaminer.h"

std::string ListingText(const InspectedPackage& package);
std::string ListingJson(const InspectedPackage& package);
