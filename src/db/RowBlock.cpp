#include "db/RowBlock.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "db/DbError.h"

namespace {

// The layer's own error, so that the recordset reports it like a driver's.
[[noreturn]] void Fail(const char* why) {
    throw DbError(kErrorUnspecified, "RowBlock", why);
}

}  // namespace

RowBlock::Cell RowBlock::TextCell(std::string_view text) {
    if (text.size() > UINT32_MAX) Fail("A field's text exceeds 4 GiB.");
    if (text.size() > textRoom_) {
        // A text longer than a chunk gets a chunk of its own size.
        const std::size_t size = std::max(kLargeChunkBytes, text.size());
        texts_.push_back(AllocateLargeChunk(size));
        textEnd_ = reinterpret_cast<char*>(texts_.back().get());
        textRoom_ = size;
    }
    Cell cell;
    cell.kind = FieldValue::Kind::Text;
    cell.length = static_cast<std::uint32_t>(text.size());
    cell.text = textEnd_;
    if (!text.empty()) std::memcpy(textEnd_, text.data(), text.size());
    textEnd_ += text.size();
    textRoom_ -= text.size();
    return cell;
}

RowBlock::Cell RowBlock::MakeCell(const FieldValue& value) {
    Cell cell;
    cell.kind = value.GetKind();
    switch (cell.kind) {
        case FieldValue::Kind::Null:
            break;
        case FieldValue::Kind::Text:
            return TextCell(value.AsText());
        case FieldValue::Kind::Float:
        case FieldValue::Kind::Double:
            cell.real = value.AsDouble();
            break;
        case FieldValue::Kind::DateTime: {
            const DateTime date = value.AsDateTime();
            cell.real = date.Days();
            cell.dateStatus = date.GetStatus();
            break;
        }
        case FieldValue::Kind::Decimal: {
            const FieldValue::DecimalParts parts = value.AsDecimal();
            cell.negative = parts.negative;
            cell.scale = parts.scale;
            cell.integer = static_cast<std::int64_t>(parts.magnitude);
            break;
        }
        default:  // the integer kinds, Bool and Currency
            cell.integer = value.AsInteger();
            break;
    }
    return cell;
}

void RowBlock::Push(const Cell& cell) {
    const std::size_t slot = cellCount_ % kCellsPerChunk;
    if (slot == 0) cells_.push_back(AllocateLargeChunk(kCellsPerChunk * sizeof(Cell)));
    new (cells_.back().get() + slot * sizeof(Cell)) Cell(cell);
    ++cellCount_;
}

void RowBlock::Append(const FieldValue& value) {
    Push(MakeCell(value));
}

void RowBlock::AppendText(std::string_view text) {
    Push(TextCell(text));
}

const RowBlock::Cell& RowBlock::CellAt(std::size_t row, std::size_t column) const {
    if (column >= columns_ || row >= Rows()) Fail("No such field in the rows.");
    const std::size_t index = row * columns_ + column;
    const std::byte* chunk = cells_[index / kCellsPerChunk].get();
    return *std::launder(
        reinterpret_cast<const Cell*>(chunk + index % kCellsPerChunk * sizeof(Cell)));
}

RowBlock::Cell& RowBlock::CellAt(std::size_t row, std::size_t column) {
    return const_cast<Cell&>(static_cast<const RowBlock&>(*this).CellAt(row, column));
}

void RowBlock::Set(std::size_t row, std::size_t column, const FieldValue& value) {
    CellAt(row, column) = MakeCell(value);
}

std::optional<std::string_view> RowBlock::TextAt(std::size_t row, std::size_t column) const {
    const Cell& cell = CellAt(row, column);
    if (cell.kind != FieldValue::Kind::Text) return std::nullopt;
    return std::string_view(cell.text, cell.length);
}

FieldValue RowBlock::At(std::size_t row, std::size_t column) const {
    const Cell& cell = CellAt(row, column);
    using Kind = FieldValue::Kind;
    switch (cell.kind) {
        case Kind::Null:
            return FieldValue::Null();
        case Kind::Text:
            return FieldValue::Text(std::string(cell.text, cell.length));
        case Kind::Int16:
            return FieldValue::Int16(static_cast<std::int16_t>(cell.integer));
        case Kind::Int32:
            return FieldValue::Int32(static_cast<std::int32_t>(cell.integer));
        case Kind::UInt32:
            return FieldValue::UInt32(static_cast<std::uint32_t>(cell.integer));
        case Kind::Int64:
            return FieldValue::Int64(cell.integer);
        case Kind::UInt8:
            return FieldValue::UInt8(static_cast<std::uint8_t>(cell.integer));
        case Kind::Bool:
            return FieldValue::Bool(cell.integer != 0);
        case Kind::Currency:
            return FieldValue::Currency(cell.integer);
        case Kind::Float:
            return FieldValue::Float(static_cast<float>(cell.real));
        case Kind::Double:
            return FieldValue::Double(cell.real);
        case Kind::Decimal:
            return FieldValue::Decimal(
                {cell.negative, cell.scale, static_cast<std::uint64_t>(cell.integer)});
        case Kind::DateTime:
            return FieldValue::Date(DateTime(cell.real, cell.dateStatus));
    }
    return FieldValue::Null();
}
