#pragma once
// The country of IPv6 visitors: the ranges of "IpToCountry6.csv", kept sorted so that a lookup
// is one binary search over a quarter of a million ranges.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/Ipv6Address.h"

struct Ipv6CountryRange {
    Ipv6Number lower;  // first address, inclusive
    Ipv6Number upper;  // last address, inclusive
    std::string code;
};

// A line of the IPv6 file: the IPv4 file's seven fields with IPv6 texts as bounds. Nothing for a
// comment or a line that is no valid range, by the IPv4 file's rules plus unreadable bounds.
std::optional<Ipv6CountryRange> ParseIpv6CountryRangeLine(std::string_view line);

class Ipv6CountryRanges {
  public:
    // Reads the file unless ranges are already held. Silent on failure: without the file IPv6
    // visitors just get "?". False when the file was unreadable.
    bool LoadFrom(const std::string& fileName);

    // Where two ranges overlap, the one starting first keeps the shared addresses.
    void Assign(std::vector<Ipv6CountryRange> ranges);

    // The code of the range holding the address, or "?"; valid as long as the table is.
    std::string_view CountryFor(const Ipv6Number& address) const;

    bool IsEmpty() const { return lowers_.empty(); }
    std::size_t RangeCount() const { return lowers_.size(); }
    static constexpr std::size_t kBytesPerRange = 2 * sizeof(Ipv6Number) + sizeof(std::uint16_t);
    static constexpr std::size_t kBlockIndexBytes = (65536 + 1) * sizeof(std::uint32_t);

  private:
    // Side by side rather than as records: the search touches only the lower bounds.
    std::vector<Ipv6Number> lowers_;
    std::vector<Ipv6Number> uppers_;
    std::vector<std::uint16_t> codeIndexes_;  // into codes_; a few hundred countries at most
    std::vector<std::string> codes_;          // codes_[0] is the unknown mark
    // firstRange_[h] is the first range starting at or above the /16 block h: it narrows every
    // search to one block's ranges, which for the sparse IPv6 space is a handful of steps.
    std::vector<std::uint32_t> firstRange_;
};
