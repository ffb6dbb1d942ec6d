#pragma once
// Marks hits from robots and crawlers in the IsSpider column of `<base>_data`, over the whole
// table: "R" for every hit of an address that ever asked for robots.txt, then "S" for every
// still unmarked hit whose user agent contains an entry of the spider list.

#include <string>

class CADODatabase;
class CStringArrayPBEx;
class ProgressChannel;

// Failures are reported through the channel's message box; the pass never throws.
void MarkSpiders(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                 const CStringArrayPBEx& spiders);
