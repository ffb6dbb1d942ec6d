#include "pipeline/RobotsTxtVisitors.h"

bool RobotsTxtVisitors::Marks(const AnalysedLine& line) {
    const std::string& address = line.record[kFieldIP];
    // An empty address is stored as NULL, which equals no other address in the pass's join.
    if (address.empty()) return false;
    // The pass's test: the stored file name and extension, compared byte for byte.
    if (line.file.FileName == "robots" && line.file.Extension == "txt" &&
        addresses_.size() < kMostAddresses)
        addresses_.insert(address);
    return addresses_.contains(address);
}
