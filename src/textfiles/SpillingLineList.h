#pragma once
// A list of text lines that keeps only its first few megabytes in memory and moves the rest to a
// nameless temporary file, so that a log made mostly of malformed lines cannot make the list of
// them as large as the log. The lines come back in the order they were added.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TemporaryFile;

class SpillingLineList {
  public:
    static constexpr std::size_t kDefaultMemoryLimit = std::size_t{4} << 20;

    SpillingLineList() : SpillingLineList(kDefaultMemoryLimit) {}
    explicit SpillingLineList(std::size_t memoryLimit);
    SpillingLineList(std::initializer_list<std::string> lines);
    ~SpillingLineList();
    SpillingLineList(SpillingLineList&&) noexcept;
    SpillingLineList& operator=(SpillingLineList&&) noexcept;

    // Throws std::system_error when the temporary file cannot be made or written.
    void Add(std::string_view line);
    std::int64_t GetSize() const { return static_cast<std::int64_t>(memory_.size()) + spilled_; }
    bool IsEmpty() const { return GetSize() == 0; }
    bool IsSpilled() const { return spilled_ != 0; }

    // Calls `visit` for every line in order; lines from the file are read back a block at a
    // time. Throws std::system_error when the file cannot be read.
    void ForEach(const std::function<void(std::string_view)>& visit) const;
    // Every line at once, for a list known to be short.
    std::vector<std::string> Items() const;

  private:
    std::size_t memoryLimit_;
    std::size_t memoryBytes_ = 0;
    std::vector<std::string> memory_;
    std::unique_ptr<TemporaryFile> file_;  // made when the memory is full
    std::int64_t spilled_ = 0;
};
