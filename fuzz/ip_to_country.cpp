// The country ranges file and the index built over it. The index answers a million lookups per
// export, so it is checked against the plain rule it replaces: the first range in file order
// that holds the address wins.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "pipeline/IpToCountry.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

// Enough to cover every kind of bound without making each input cost a quadratic walk.
constexpr std::size_t kCheckedRanges = 32;

std::string_view WalkInFileOrder(const CountryRangeList& list, std::uint32_t number) {
    for (const CountryRange& range : list.Ranges())
        if (range.lower <= number && number <= range.upper) return range.code;
    return kUnknownCountry;
}

std::string Dotted(std::uint32_t n) {
    return std::to_string(n >> 24) + "." + std::to_string((n >> 16) & 0xFF) + "." +
           std::to_string((n >> 8) & 0xFF) + "." + std::to_string(n & 0xFF);
}

void CheckAddressText(const CountryRangeList& list, std::string_view address) {
    const std::string found = CountryForIp(list, address);
    const auto number = IpToNumber(address);
    FuzzCheck(found == (number ? WalkInFileOrder(list, *number) : kUnknownCountry),
              "a looked-up text gets the code of the first range holding it");
}

void CheckNumber(const CountryRangeList& list, std::uint32_t number) {
    const std::string address = Dotted(number);
    FuzzCheck(IpToNumber(address) == number, "a dotted address reads back as its number");
    FuzzCheck(CountryForIp(list, address) == WalkInFileOrder(list, number),
              "an address gets the code of the first range holding it");
}

void CheckBounds(const CountryRangeList& list, const CountryRange& range) {
    FuzzCheck(!range.code.empty() && range.code.size() <= 3, "a range's code fits the column");
    for (std::uint32_t bound : {range.lower, range.upper}) {
        CheckNumber(list, bound);
        CheckNumber(list, bound - 1);  // wraps at 0 and at the top on purpose
        CheckNumber(list, bound + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = FuzzText(data, size);
    const std::string fileName = WriteScratchFile("IpToCountry.csv", text);
    SilentChannel channel;
    CountryRangeList list;
    FuzzCheck(list.LoadFrom(channel, fileName), "a readable ranges file loads");

    const auto& ranges = list.Ranges();
    const std::size_t head = std::min(ranges.size(), kCheckedRanges);
    for (std::size_t i = 0; i < head; ++i) CheckBounds(list, ranges[i]);
    for (std::size_t i = std::max(head, ranges.size() - std::min(ranges.size(), kCheckedRanges));
         i < ranges.size(); ++i)
        CheckBounds(list, ranges[i]);
    CheckNumber(list, 0);
    CheckNumber(list, UINT32_MAX);

    // The input's lines and their first fields as the address column of a log would hold them.
    CStringArrayPBEx lines;
    lines.Split(text, "\n");
    for (CStringArrayPBEx::Index i = 0; i < lines.GetSize() && i < 64; ++i) {
        CheckAddressText(list, lines[i]);
        CheckAddressText(list, std::string_view(lines[i]).substr(0, lines[i].find(',')));
    }
    return 0;
}
