#include "pipeline/IpToCountry.h"

#include <algorithm>
#include <future>
#include <map>
#include <numeric>
#include <utility>

#include "passes/ProgressChannel.h"
#include "pipeline/CountryRangeFile.h"
#include "textfiles/DataFiles.h"
#include "textfiles/FileErrorText.h"
#include "textfiles/LeadingInteger.h"

namespace {

std::uint32_t LowBits(std::int64_t value) {
    return static_cast<std::uint32_t>(value);
}

// Shows the loader's progress and wait cursor, and takes both away on every way out.
class LoadingDisplay {
  public:
    explicit LoadingDisplay(ProgressChannel& channel) : channel_(channel), scope_(channel) {
        channel_.ShowProgress(true);
        channel_.ShowStatus(true);
        channel_.SetStatusText("Reading IP to Country database..");
        channel_.SetProgressRange(1, 100);
        channel_.SetProgressPos(1);
        channel_.BeginWaitCursor();
    }
    ~LoadingDisplay() { channel_.EndWaitCursor(); }
    LoadingDisplay(const LoadingDisplay&) = delete;
    LoadingDisplay& operator=(const LoadingDisplay&) = delete;

    // Moves the bar in steps of ten so that a large file does not redraw it on every line.
    void Update(std::uint64_t position, std::uint64_t length) {
        const std::uint64_t percent = length == 0 ? 100 : position * 100 / length;
        if (percent > static_cast<std::uint64_t>(channel_.GetProgressPos()) + 5)
            channel_.StepProgress();
    }

  private:
    ProgressChannel& channel_;
    ProgressScope scope_;
};

}  // namespace

std::optional<std::uint32_t> IpToNumber(std::string_view address) {
    // Cut like the string list's split at "." (an empty last piece is dropped) without building
    // a list: this runs once per log row.
    std::uint32_t number = 0;
    int pieces = 0;
    std::size_t start = 0;
    while (start < address.size()) {
        std::size_t dot = address.find('.', start);
        std::size_t end = dot == std::string_view::npos ? address.size() : dot;
        if (++pieces > 4) return std::nullopt;
        number = number * 256u +
                 static_cast<std::uint32_t>(LeadingInteger32(address.substr(start, end - start)));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    if (pieces != 4) return std::nullopt;
    return number;
}

std::optional<CountryRange> ParseCountryRangeLine(std::string_view line) {
    std::optional<RangeLineFields> fields = SplitRangeLine(line);
    if (!fields) return std::nullopt;
    return CountryRange{LowBits(LeadingInteger64(fields->first)),
                        LowBits(LeadingInteger64(fields->last)), std::string(fields->code)};
}

bool CountryRangeList::Load(ProgressChannel& channel) {
    // Both lists come from one load, so a list handed over ready-made is never topped up.
    if (!IsEmpty()) return true;
    // The IPv6 list loads on a thread of its own while the IPv4 list shows its progress here:
    // together they took a fifth of a second at the start of every export.
    auto ipv6 = std::async(std::launch::async,
                           [this] { ipv6_.LoadFrom(DataFilePath("IpToCountry6.csv")); });
    const bool loaded = LoadFrom(channel, DataFilePath("IpToCountry.csv"));
    ipv6.get();
    return loaded;
}

bool CountryRangeList::LoadFrom(ProgressChannel& channel, const std::string& fileName) {
    if (!IsEmpty()) return true;
    std::string content;
    if (int error = ReadWholeRangeFile(fileName, content); error != 0) {
        channel.MessageBox(FileErrorText(error, fileName));
        return false;
    }
    std::vector<CountryRange> ranges;
    {
        LoadingDisplay display(channel);
        ForEachRangeLine(content, [&](std::string_view line, std::size_t end) {
            if (auto range = ParseCountryRangeLine(line)) ranges.push_back(std::move(*range));
            display.Update(end, content.size());
        });
    }
    Assign(std::move(ranges));
    return true;
}

void CountryRangeList::Assign(std::vector<CountryRange> ranges) {
    ranges_ = std::move(ranges);
    BuildIndex();
}

void CountryRangeList::BuildIndex() {
    // Every bound starts an elementary interval; within one, every range either holds all of it
    // or none of it, so one owner per interval answers exactly like the walk in file order.
    std::vector<std::uint32_t> cuts{0};
    cuts.reserve(ranges_.size() * 2 + 1);
    for (const CountryRange& r : ranges_) {
        if (r.lower > r.upper) continue;  // holds no address
        cuts.push_back(r.lower);
        if (r.upper != UINT32_MAX) cuts.push_back(r.upper + 1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    const std::size_t count = cuts.size();
    auto indexOf = [&](std::uint32_t value) {
        return static_cast<std::size_t>(std::lower_bound(cuts.begin(), cuts.end(), value) -
                                        cuts.begin());
    };

    // Ranges in file order claim the intervals still unowned; `nextFree` skips owned runs so that
    // heavily overlapping files cost no more than disjoint ones.
    std::vector<std::int32_t> owners(count, -1);
    std::vector<std::size_t> nextFree(count + 1);
    std::iota(nextFree.begin(), nextFree.end(), std::size_t{0});
    auto findFree = [&](std::size_t i) {
        std::size_t root = i;
        while (nextFree[root] != root) root = nextFree[root];
        while (nextFree[i] != root) i = std::exchange(nextFree[i], root);
        return root;
    };
    for (std::size_t r = 0; r < ranges_.size(); ++r) {
        const CountryRange& range = ranges_[r];
        if (range.lower > range.upper) continue;
        const std::size_t last = range.upper == UINT32_MAX ? count : indexOf(range.upper + 1);
        for (std::size_t i = findFree(indexOf(range.lower)); i < last; i = findFree(i)) {
            owners[i] = static_cast<std::int32_t>(r);
            nextFree[i] = i + 1;
        }
    }

    // Intervals name their owner's code; neighbours with the same code are one interval.
    codes_.assign(1, std::string(kUnknownCountry));
    std::map<std::string_view, std::uint32_t> codeIndexes;
    starts_.clear();
    intervalCodes_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t code = 0;
        if (owners[i] >= 0) {
            const std::string& text = ranges_[static_cast<std::size_t>(owners[i])].code;
            auto [at, added] =
                codeIndexes.try_emplace(text, static_cast<std::uint32_t>(codes_.size()));
            if (added) codes_.push_back(text);
            code = at->second;
        }
        if (!intervalCodes_.empty() && intervalCodes_.back() == code) continue;
        starts_.push_back(cuts[i]);
        intervalCodes_.push_back(code);
    }
    firstInterval_.assign(65537, 0);
    for (std::uint32_t block = 0; block <= 65536; ++block) {
        const std::uint64_t blockStart = std::uint64_t{block} << 16;
        firstInterval_[block] = static_cast<std::uint32_t>(
            std::lower_bound(starts_.begin(), starts_.end(), blockStart,
                             [](std::uint32_t s, std::uint64_t v) { return s < v; }) -
            starts_.begin());
    }
}

std::uint32_t CountryRangeList::CodeIndexOf(std::uint32_t number) const {
    if (starts_.empty()) return 0;
    const std::uint32_t block = number >> 16;
    auto first = starts_.begin() + firstInterval_[block];
    auto last = starts_.begin() + firstInterval_[block + 1];
    // starts_[0] is 0, so the interval before the first start above `number` always exists.
    auto next = std::upper_bound(first, last, number);
    return intervalCodes_[static_cast<std::size_t>(next - starts_.begin()) - 1];
}

std::string_view CountryRangeList::CountryFor(std::string_view address) const {
    if (std::optional<Ipv6Number> v6 = ParseIpv6(address)) {
        if (std::optional<std::uint32_t> v4 = MappedIpv4(*v6))
            return starts_.empty() ? kUnknownCountry : std::string_view(codes_[CodeIndexOf(*v4)]);
        return IsSiteLocalIpv6(*v6) ? kUnknownCountry : ipv6_.CountryFor(*v6);
    }
    std::optional<std::uint32_t> number = IpToNumber(address);
    if (!number || starts_.empty()) return kUnknownCountry;
    return codes_[CodeIndexOf(*number)];
}

bool LoadIpToCountry(CountryRangeList& list, ProgressChannel& channel) {
    return list.Load(channel);
}

std::string CountryForIp(const CountryRangeList& list, std::string_view address) {
    return std::string(list.CountryFor(address));
}
