#pragma once
// The program's version, set once in the build and compiled in: the four numbers of the
// file version (major, minor, build, revision).

#include <array>
#include <string>

std::array<int, 4> ProgramVersionParts();
// "%d.%d.%d.%d" of the parts, e.g. "1.0.1.0".
std::string FormatVersion(const std::array<int, 4>& parts);
