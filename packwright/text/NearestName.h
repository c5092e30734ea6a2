// What a mistyped name most likely meant: manifest keys, command names.
#pragma once
#include <string>
#include <vector>

// The known name closest to a mistyped one (ignoring case; a swap of neighbours counts as
// one edit), when it is close enough to be the likely intent; empty otherwise.
std::string NearestName(const std::string& typed, const std::vector<std::string>& known);
