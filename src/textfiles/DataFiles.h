#pragma once
// Where the program's data files ("MonthNames.txt", "SearchEngines.tab", "Spiders.txt",
// "IpToCountry.csv") and its help file lie. The environment variable KESTRELPORT_DATA_DIR
// overrides everything; otherwise a file beside the running program wins (a build tree), and an
// installed program finds it in ../share/kestrelport relative to its own folder.

#include <string>

// The folder KESTRELPORT_DATA_DIR names, else the running program's, without a trailing
// separator.
std::string ProgramFolder();
// The full name of `fileName` in the first of those places that holds it; when none does, where
// it belongs (the override, the installed data folder when there is one, the program's folder).
std::string DataFilePath(const std::string& fileName);
// The full name of the running program (/proc/self/exe).
std::string ProgramFilePath();
