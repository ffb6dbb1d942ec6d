#include "textfiles/SpillingLineList.h"

#include <algorithm>
#include <cstring>

#include "textfiles/TemporaryFile.h"

namespace {

// A line in the file: its length, then its bytes (which may be any bytes, NUL and CR included).
using LengthField = std::uint64_t;

// What a string costs besides its bytes; counted so that many short lines stay bounded too.
constexpr std::size_t kLineOverhead = sizeof(std::string);
constexpr std::size_t kReadBlock = std::size_t{1} << 16;

// Reads the file's lines back through a block, so that a line costs no system call of its own.
class SpillReader {
  public:
    explicit SpillReader(const TemporaryFile& file) : file_(file) {}

    void Read(char* out, std::size_t size) {
        while (size > 0) {
            if (at_ == block_.size()) Refill();
            const std::size_t n = std::min(size, block_.size() - at_);
            std::memcpy(out, block_.data() + at_, n);
            at_ += n;
            out += n;
            size -= n;
        }
    }

  private:
    void Refill() {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kReadBlock), file_.Size() - offset_));
        block_.resize(n);
        file_.ReadAt(offset_, block_.data(), n);
        offset_ += static_cast<std::int64_t>(n);
        at_ = 0;
    }

    const TemporaryFile& file_;
    std::string block_;
    std::size_t at_ = 0;
    std::int64_t offset_ = 0;
};

}  // namespace

SpillingLineList::SpillingLineList(std::size_t memoryLimit) : memoryLimit_(memoryLimit) {}
SpillingLineList::SpillingLineList(std::initializer_list<std::string> lines)
    : memoryLimit_(kDefaultMemoryLimit) {
    for (const std::string& line : lines) Add(line);
}

SpillingLineList::~SpillingLineList() = default;
SpillingLineList::SpillingLineList(SpillingLineList&&) noexcept = default;
SpillingLineList& SpillingLineList::operator=(SpillingLineList&&) noexcept = default;

void SpillingLineList::Add(std::string_view line) {
    const std::size_t cost = line.size() + kLineOverhead;
    if (!file_ && memoryBytes_ + cost <= memoryLimit_) {
        memory_.emplace_back(line);
        memoryBytes_ += cost;
        return;
    }
    // Once one line has gone to the file, every later one follows it, which keeps the order.
    if (!file_) file_ = std::make_unique<TemporaryFile>();
    const LengthField length = line.size();
    file_->Append(std::string_view(reinterpret_cast<const char*>(&length), sizeof length));
    file_->Append(line);
    ++spilled_;
}

void SpillingLineList::ForEach(const std::function<void(std::string_view)>& visit) const {
    for (const std::string& line : memory_) visit(line);
    if (!file_) return;
    SpillReader reader(*file_);
    std::string line;
    for (std::int64_t i = 0; i < spilled_; ++i) {
        LengthField length = 0;
        reader.Read(reinterpret_cast<char*>(&length), sizeof length);
        line.resize(static_cast<std::size_t>(length));
        reader.Read(line.data(), line.size());
        visit(line);
    }
}

std::vector<std::string> SpillingLineList::Items() const {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(GetSize()));
    ForEach([&](std::string_view line) { items.emplace_back(line); });
    return items;
}
