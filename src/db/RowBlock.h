#pragma once
// The rows of a query result in one flat block: a small fixed-size cell per field, and the bytes
// of every text in one shared buffer.
//
// Why: the passes read whole tables of a million rows. Held as a vector of FieldValue per row,
// each row cost an allocation, each field 48 bytes and each longer text one more allocation;
// reading a table took longer than the database needed to produce it, and the memory ran into
// gigabytes. Here a row costs 16 bytes per field plus its text bytes, kept in large chunks that
// never move once filled (growing one huge array by copying cost as much as the reading).
//
// Failures (a text over 4 GiB, a field outside the rows) throw DbError.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/FieldValue.h"
#include "db/LargeChunk.h"

class RowBlock {
  public:
    RowBlock() = default;
    explicit RowBlock(std::size_t columns) : columns_(columns) {}
    // Cells point into the text chunks, so a block moves but is never copied.
    RowBlock(RowBlock&&) noexcept = default;
    RowBlock& operator=(RowBlock&&) noexcept = default;
    RowBlock(const RowBlock&) = delete;
    RowBlock& operator=(const RowBlock&) = delete;

    std::size_t Columns() const { return columns_; }
    std::size_t Rows() const { return columns_ == 0 ? 0 : cellCount_ / columns_; }
    bool Empty() const { return cellCount_ == 0; }

    // Fields are appended in row order, `Columns()` of them per row.
    void Append(const FieldValue& value);
    // The same as Append(FieldValue::Text(text)) without building the value first.
    void AppendText(std::string_view text);

    FieldValue At(std::size_t row, std::size_t column) const;
    // The field's bytes when it holds a text, without copying them; empty for other kinds. The
    // view lasts until the block changes.
    std::optional<std::string_view> TextAt(std::size_t row, std::size_t column) const;
    // Replaces one field. A replaced text's old bytes stay in the buffer until the block goes.
    void Set(std::size_t row, std::size_t column, const FieldValue& value);

  private:
    struct Cell {
        FieldValue::Kind kind = FieldValue::Kind::Null;
        bool negative = false;                                  // Decimal
        std::uint8_t scale = 0;                                 // Decimal
        DateTime::Status dateStatus = DateTime::Status::Valid;  // DateTime
        std::uint32_t length = 0;                               // Text: its byte count
        union {
            std::int64_t integer = 0;  // integer kinds, Bool, Currency, Decimal magnitude
            double real;               // Float, Double, DateTime days
            const char* text;          // Text: its bytes in a text chunk
        };
    };
    // The cost per field promised above: a member grown by accident (an int-sized enum, say)
    // would make every query's rows half as large again.
    static_assert(sizeof(Cell) == 16);
    static constexpr std::size_t kCellsPerChunk = kLargeChunkBytes / sizeof(Cell);

    Cell MakeCell(const FieldValue& value);
    Cell TextCell(std::string_view text);
    Cell& CellAt(std::size_t row, std::size_t column);
    const Cell& CellAt(std::size_t row, std::size_t column) const;
    void Push(const Cell& cell);

    std::size_t columns_ = 0;
    std::size_t cellCount_ = 0;
    std::vector<LargeChunk> cells_;
    std::vector<LargeChunk> texts_;
    char* textEnd_ = nullptr;   // the first free byte of the last text chunk
    std::size_t textRoom_ = 0;  // how many bytes are free there
};
