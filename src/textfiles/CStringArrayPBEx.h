#pragma once
// The one list type of the program: a growable array of 8-bit strings with delimiter-set
// splitting, sorting, searching, text-file reading and writing and key/value lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class ProgressChannel;

class CStringArrayPBEx {
public:
    // Indexes are full width: a log line can hold far more than 32,767 pieces.
    using Index = std::ptrdiff_t;
    static constexpr Index kNotFound = -1;

    CStringArrayPBEx() = default;
    CStringArrayPBEx(std::initializer_list<std::string> items) : items_(items) {}

    // The usual array operations.
    Index GetSize() const { return static_cast<Index>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    const std::string& GetAt(Index i) const { return items_[static_cast<std::size_t>(i)]; }
    std::string& operator[](Index i) { return items_[static_cast<std::size_t>(i)]; }
    const std::string& operator[](Index i) const { return items_[static_cast<std::size_t>(i)]; }
    void SetAt(Index i, std::string value) { items_[static_cast<std::size_t>(i)] = std::move(value); }
    Index Add(std::string value) {
        items_.push_back(std::move(value));
        return GetSize() - 1;
    }
    void InsertAt(Index i, std::string value);
    void RemoveAt(Index i);
    void RemoveAll() { items_.clear(); }
    // Gives the memory back as well (the writer empties the line list before the passes).
    void FreeAll() { std::vector<std::string>().swap(items_); }
    void Reserve(std::size_t n) { items_.reserve(n); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    const std::vector<std::string>& Items() const { return items_; }
    std::vector<std::string>& Items() { return items_; }

    // Empties the list and fills it with the pieces of `text` cut at every character of
    // `delimiters`. Interior empty pieces are kept; an empty last piece is dropped.
    void Split(std::string_view text, std::string_view delimiters);

    // Unsigned byte order, case-sensitive; a prefix sorts first.
    static int CompareEntries(std::string_view a, std::string_view b);
    void Sort();

    Index Find(std::string_view value) const;
    Index FindSorted(std::string_view value) const;
    Index FindFirstWithDot() const;

    // Text files: LF ends a line, CR directly before LF is dropped, 0x1A ends the file.
    // `ReadTextFile` shows the file's error text through `messages` unless quiet (or null).
    bool ReadTextFile(const std::string& fileName, bool quiet, ProgressChannel* messages = nullptr);
    // Silent; up to five attempts 100 ms apart.
    bool LoadFromFile(const std::string& fileName);
    // Up to five attempts, each failure shown through `messages`; lines end in CR LF.
    bool SaveToFile(const std::string& fileName, ProgressChannel* messages = nullptr) const;

    // Key/value lines ("key=value"); keys match regardless of ASCII letter case.
    Index FindKey(std::string_view key) const;
    std::string GetValue(std::string_view key) const;
    void SetValue(std::string_view key, std::string_view value);

    bool operator==(const CStringArrayPBEx& other) const = default;

private:
    std::vector<std::string> items_;
};
