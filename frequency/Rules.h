// Where a front end finds the quadrature rules when no working directory was prepared for it.
// The Kavoral program reads ./Gauss.cfs and nothing else; kavoral-sweep and the Python module
// take the first of:
//   1. the rules file the model names (a RULES job key), which must then be readable;
//   2. Gauss.cfs in the current directory;
//   3. Gauss.cfs beside the running program (where the build and the installation put it);
//   4. Gauss.cfs where the programs are installed, then the one the build tree holds.
#pragma once

#include <string>
#include <vector>

// The places looked at, in order, when no file is named.
std::vector<std::string> RulesPlaces();

// The rules file to read into `found`: `given` when it is not empty, else the first place of
// RulesPlaces that can be opened. 0, or -3 after one report that names every place looked at
// and where the file comes from.
int FindRulesFile(const std::string& given, std::string& found);
