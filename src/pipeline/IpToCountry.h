#pragma once
// The visitor's country for each row: address ranges read once from "IpToCountry.csv" and an
// index over them, so that a log of millions of rows does not walk 400,000 ranges per row.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pipeline/Ipv6CountryRanges.h"

class ProgressChannel;

struct CountryRange {
    std::uint32_t lower = 0;  // first address, inclusive
    std::uint32_t upper = 0;  // last address, inclusive
    std::string code;         // one to three characters: the Country column holds no more
};

// What the Country column gets when no range holds the address.
inline constexpr std::string_view kUnknownCountry = "?";

// The number of a dotted address text, or nothing when the text is not four pieces. Pieces are
// read leniently and are not checked against 255, so 1.2.3.300 spills into the third byte.
std::optional<std::uint32_t> IpToNumber(std::string_view address);

// One line of the file as a range, or nothing for a comment or a line that is no valid range
// (fewer than seven fields, or a country code that is empty or longer than three characters).
std::optional<CountryRange> ParseCountryRangeLine(std::string_view line);

// The range lists the main dialog keeps for its whole life.
class CountryRangeList {
  public:
    // Reads "IpToCountry.csv" next to the program unless the list already holds ranges, so a
    // failed or empty load is tried again by the next export. False when the file was unreadable.
    // "IpToCountry6.csv" is read alongside, when the IPv4 file is, but silently: it is an
    // addition, and lacking it must not trouble anyone who never sees IPv6 visitors.
    bool Load(ProgressChannel& channel);
    bool LoadFrom(ProgressChannel& channel, const std::string& fileName);

    // Replaces the ranges outright (file order matters: the first range holding an address wins).
    void Assign(std::vector<CountryRange> ranges);

    void AssignIpv6(std::vector<Ipv6CountryRange> ranges) { ipv6_.Assign(std::move(ranges)); }

    // The code of the first range in file order that holds the address, or "?". IPv6 texts are
    // looked up in the IPv6 ranges, except that IPv4-mapped ones use the IPv4 ranges. The view
    // stays valid as long as the list does.
    std::string_view CountryFor(std::string_view address) const;

    bool IsEmpty() const { return ranges_.empty(); }
    const std::vector<CountryRange>& Ranges() const { return ranges_; }
    const Ipv6CountryRanges& Ipv6Ranges() const { return ipv6_; }

  private:
    void BuildIndex();
    std::uint32_t CodeIndexOf(std::uint32_t number) const;

    std::vector<CountryRange> ranges_;
    // The number line cut at every range bound: interval i runs from starts_[i] to just before
    // starts_[i + 1] and belongs to the first range in file order that holds it, or to none.
    // The owner's code is kept as an index into the few distinct codes, so that a lookup does not
    // touch the large range list at all.
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> intervalCodes_;
    std::vector<std::string> codes_;  // codes_[0] is the unknown mark
    // firstInterval_[h] is the first interval starting at or above h << 16: it narrows every
    // binary search to the intervals of one /16 block.
    std::vector<std::uint32_t> firstInterval_;
    Ipv6CountryRanges ipv6_;
};

// The operations the export writer calls, by the names the rest of the program uses.
bool LoadIpToCountry(CountryRangeList& list, ProgressChannel& channel);
std::string CountryForIp(const CountryRangeList& list, std::string_view address);
