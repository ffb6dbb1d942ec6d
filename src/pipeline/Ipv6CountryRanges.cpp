#include "pipeline/Ipv6CountryRanges.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>

#include "pipeline/CountryRangeFile.h"
#include "pipeline/IpToCountry.h"

namespace {

std::size_t BlockOf(const Ipv6Number& n) {
    return static_cast<std::size_t>(n.high >> 48);
}

Ipv6Number Next(Ipv6Number n) {
    if (++n.low == 0) ++n.high;
    return n;
}

}  // namespace

std::optional<Ipv6CountryRange> ParseIpv6CountryRangeLine(std::string_view line) {
    std::optional<RangeLineFields> fields = SplitRangeLine(line);
    if (!fields) return std::nullopt;
    std::optional<Ipv6Number> lower = ParseIpv6(fields->first), upper = ParseIpv6(fields->last);
    if (!lower || !upper) return std::nullopt;
    return Ipv6CountryRange{*lower, *upper, std::string(fields->code)};
}

bool Ipv6CountryRanges::LoadFrom(const std::string& fileName) {
    if (!IsEmpty()) return true;
    std::string content;
    if (ReadWholeRangeFile(fileName, content) != 0) return false;
    std::vector<Ipv6CountryRange> ranges;
    ForEachRangeLine(content, [&](std::string_view line, std::size_t) {
        if (auto range = ParseIpv6CountryRangeLine(line)) ranges.push_back(std::move(*range));
    });
    Assign(std::move(ranges));
    return true;
}

void Ipv6CountryRanges::Assign(std::vector<Ipv6CountryRange> ranges) {
    std::erase_if(ranges, [](const Ipv6CountryRange& r) { return r.upper < r.lower; });
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const auto& a, const auto& b) { return a.lower < b.lower; });
    lowers_.clear();
    uppers_.clear();
    codeIndexes_.clear();
    codes_.assign(1, std::string(kUnknownCountry));
    std::map<std::string, std::uint16_t, std::less<>> known;
    for (Ipv6CountryRange& range : ranges) {
        if (!uppers_.empty() && range.lower <= uppers_.back()) {
            if (range.upper <= uppers_.back()) continue;  // wholly inside the one before
            range.lower = Next(uppers_.back());
        }
        auto at = known.find(range.code);
        if (at == known.end()) {
            if (codes_.size() > std::numeric_limits<std::uint16_t>::max()) continue;
            at = known.emplace(range.code, static_cast<std::uint16_t>(codes_.size())).first;
            codes_.push_back(range.code);
        }
        // Neighbours of one country are one range: the file splits them by registry allocation.
        if (!uppers_.empty() && codeIndexes_.back() == at->second &&
            Next(uppers_.back()) == range.lower) {
            uppers_.back() = range.upper;
            continue;
        }
        lowers_.push_back(range.lower);
        uppers_.push_back(range.upper);
        codeIndexes_.push_back(at->second);
    }
    firstRange_.assign(65537, static_cast<std::uint32_t>(lowers_.size()));
    for (std::size_t i = lowers_.size(); i-- > 0;)
        firstRange_[BlockOf(lowers_[i])] = static_cast<std::uint32_t>(i);
    for (std::size_t block = 65536; block-- > 0;)
        firstRange_[block] = std::min(firstRange_[block], firstRange_[block + 1]);
}

std::string_view Ipv6CountryRanges::CountryFor(const Ipv6Number& address) const {
    if (lowers_.empty()) return kUnknownCountry;
    // Every range before the block starts below the address and every one after it above, so
    // the search within the block finds the same range as one over all of them.
    const std::size_t block = BlockOf(address);
    auto next = std::upper_bound(lowers_.begin() + firstRange_[block],
                                 lowers_.begin() + firstRange_[block + 1], address);
    if (next == lowers_.begin()) return kUnknownCountry;
    const auto i = static_cast<std::size_t>(next - lowers_.begin()) - 1;
    return address <= uppers_[i] ? std::string_view(codes_[codeIndexes_[i]]) : kUnknownCountry;
}
