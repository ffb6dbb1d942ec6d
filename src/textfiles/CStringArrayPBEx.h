#pragma once
// The one list type of the program: a growable array of 8-bit strings with delimiter-set
// splitting, sorting, searching, text-file reading and writing and key/value lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class MessageChannel;

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
    Index Add(std::string value) {
        items_.push_back(std::move(value));
        return GetSize() - 1;
    }
    void RemoveAt(Index i);
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

    // Small data and project files end at a byte 0x1A, as they always have. A log keeps it as
    // data: a stray 0x1A inside a request must not silently drop every line behind it.
    enum class CtrlZ { EndsFile, IsData };

    // A log whose lines end with CR alone would otherwise be one line; small data files keep a
    // CR inside a line as data, as they always have.
    enum class LoneCr { IsData, EndsLine };

    // Text files: LF ends a line, CR directly before LF is dropped, 0x1A ends the file (unless
    // `ctrlZ` says otherwise), a CR elsewhere ends a line when `loneCr` says so; every other byte,
    // 0x00 included, stays in its line. The list is replaced only when the whole file was read;
    // on failure it is left as it was. `ReadTextFile` shows the file's error text through
    // `messages` unless quiet (or null).
    bool ReadTextFile(const std::string& fileName, bool quiet, MessageChannel* messages = nullptr,
                      CtrlZ ctrlZ = CtrlZ::EndsFile, LoneCr loneCr = LoneCr::IsData);
    // Silent; up to five attempts 100 ms apart.
    bool LoadFromFile(const std::string& fileName);
    // Replaces the file whole, so a failure leaves the previous one intact; a new file is
    // readable by its owner only. Up to five attempts to open, each failure shown through
    // `messages`; lines end in CR LF.
    bool SaveToFile(const std::string& fileName, MessageChannel* messages = nullptr) const;

    // Key/value lines ("key=value"); keys match regardless of ASCII letter case.
    Index FindKey(std::string_view key) const;
    std::string GetValue(std::string_view key) const;
    void SetValue(std::string_view key, std::string_view value);

    bool operator==(const CStringArrayPBEx& other) const = default;

  private:
    std::vector<std::string> items_;
};

// Cuts bytes that arrive in pieces of any size into lines at line feeds and appends them to a
// list, carrying an unfinished line from one piece to the next, so that a large file never has
// to be held whole next to its lines. The line feed is removed; an empty last line (the file
// ends with a line feed) is not added. With `LoneCr::EndsLine` a CR that is not followed by a
// line feed ends a line as well, and is removed.
class LineCollector {
  public:
    enum class CarriageReturn { DroppedBeforeLineFeed, Kept };

    LineCollector(std::vector<std::string>& lines, CarriageReturn carriageReturn,
                  CStringArrayPBEx::LoneCr loneCr = CStringArrayPBEx::LoneCr::IsData)
        : lines_(lines), carriageReturn_(carriageReturn), loneCr_(loneCr) {}

    void Append(std::string_view bytes);
    // Takes the last line when the bytes did not end with a line feed.
    void Finish();

  private:
    void AddLine(std::string line);
    // Adds the lines that lone CRs end within `line`; returns what follows the last of them.
    std::string TakeLinesEndedByLoneCr(std::string line);

    std::vector<std::string>& lines_;
    CarriageReturn carriageReturn_;
    CStringArrayPBEx::LoneCr loneCr_;
    std::string partial_;
};
