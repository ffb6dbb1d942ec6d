#pragma once
// Where the program's data files ("MonthNames.txt", "SearchEngines.tab", "Spiders.txt",
// "IpToCountry.csv") and its help file lie: the folder of the running program, unless the
// environment variable KESTRELPORT_DATA_DIR names another one.

#include <string>

// The folder, without a trailing separator.
std::string ProgramFolder();
// The full name of `fileName` in that folder.
std::string DataFilePath(const std::string& fileName);
// The full name of the running program (/proc/self/exe).
std::string ProgramFilePath();
