#pragma once
// The addresses that have asked for robots.txt so far in this export. The spider pass marks
// every row of such an address with "R"; a row written after its address's request would be
// changed by that pass right after it was stored, which on a large table means writing the
// whole table a second time. The writer marks such rows as it stores them, and the pass then
// finds them already marked. Rows before an address's first request, and rows of addresses that
// asked in earlier exports, are still left to the pass, so a row carries "R" only when a stored
// row of its address asked for robots.txt.

#include <string>
#include <unordered_set>

#include "pipeline/AnalysedLine.h"

class RobotsTxtVisitors {
  public:
    // True when the row of `line`, about to be stored, belongs to an address that has asked for
    // robots.txt: in an earlier row of this export or in this very row.
    bool Marks(const AnalysedLine& line);

  private:
    // A log with more robots addresses than this leaves the rows of the others to the pass,
    // so that the set's memory stays small whatever the log.
    static constexpr std::size_t kMostAddresses = 100000;

    std::unordered_set<std::string> addresses_;
};
