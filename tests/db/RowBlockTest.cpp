#include <gtest/gtest.h>

#include <vector>

#include "db/DbError.h"
#include "db/RowBlock.h"

namespace {

std::vector<FieldValue> EveryKind() {
    return {FieldValue::Null(),
            FieldValue::Text(std::string("a\0b\xff'", 5)),
            FieldValue::Text(""),
            FieldValue::Int16(-32768),
            FieldValue::Int32(-7),
            FieldValue::UInt32(4294967295u),
            FieldValue::Int64(-9007199254740993LL),
            FieldValue::UInt8(255),
            FieldValue::Bool(true),
            FieldValue::Float(1.5f),
            FieldValue::Double(-0.1),
            FieldValue::Currency(-12345),
            FieldValue::Decimal({true, 4, 123456789}),
            FieldValue::Date(DateTime::FromCalendar({2012, 10, 10, 13, 55, 36})),
            FieldValue::Date(DateTime(3.5, DateTime::Status::Invalid))};
}

TEST(RowBlock, EveryKindReadsBackAsWritten) {
    const std::vector<FieldValue> values = EveryKind();
    RowBlock block(values.size());
    for (int row = 0; row < 3; ++row)
        for (const FieldValue& value : values) block.Append(value);
    ASSERT_EQ(block.Rows(), 3u);
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t column = 0; column < values.size(); ++column)
            EXPECT_EQ(block.At(row, column), values[column]) << row << "," << column;
}

TEST(RowBlock, TextsAreViewedOnlyWhereATextIsStored) {
    RowBlock block(2);
    block.AppendText("first");
    block.Append(FieldValue::Int32(5));
    block.AppendText(std::string_view("\0x", 2));
    block.Append(FieldValue::Null());
    EXPECT_EQ(block.TextAt(0, 0), std::optional<std::string_view>("first"));
    EXPECT_EQ(block.TextAt(1, 0), std::optional<std::string_view>(std::string_view("\0x", 2)));
    EXPECT_FALSE(block.TextAt(0, 1));
    EXPECT_FALSE(block.TextAt(1, 1));
    EXPECT_THROW(block.At(2, 0), DbError);
}

// An edited row keeps its other fields, and the neighbouring rows keep theirs, whatever kind the
// field had before.
TEST(RowBlock, SetReplacesOneFieldOfOneRow) {
    RowBlock block(2);
    for (const char* text : {"a", "b", "c"}) {
        block.AppendText(text);
        block.Append(FieldValue::Null());
    }
    block.Set(1, 1, FieldValue::Text("longer than any inline buffer of a string object"));
    block.Set(1, 0, FieldValue::UInt32(9));
    block.Set(2, 1, FieldValue::Text("x"));
    block.Set(2, 1, FieldValue::Int16(3));
    EXPECT_EQ(block.At(0, 0).AsText(), "a");
    EXPECT_TRUE(block.At(0, 1).IsNull());
    EXPECT_EQ(block.At(1, 0), FieldValue::UInt32(9));
    EXPECT_EQ(block.At(1, 1).AsText(), "longer than any inline buffer of a string object");
    EXPECT_EQ(block.At(2, 0).AsText(), "c");
    EXPECT_EQ(block.At(2, 1), FieldValue::Int16(3));
}

// Cells and texts live in chunks of a few megabytes: values on both sides of every chunk border,
// and a text longer than a whole chunk, read back as written.
TEST(RowBlock, ValuesAcrossChunkBordersAndHugeTextsStayIntact) {
    RowBlock block(3);
    const std::string huge(5 << 20, 'h');
    constexpr int kRows = 200'000;  // 600,000 cells: several chunks of cells and of texts
    for (int row = 0; row < kRows; ++row) {
        block.Append(FieldValue::Int32(row));
        block.AppendText(row == kRows / 2 ? huge : "text " + std::to_string(row));
        block.Append(row % 2 ? FieldValue::Null() : FieldValue::Double(row / 2.0));
    }
    ASSERT_EQ(block.Rows(), static_cast<std::size_t>(kRows));
    for (int row = 0; row < kRows; ++row) {
        const auto r = static_cast<std::size_t>(row);
        ASSERT_EQ(block.At(r, 0).AsInteger(), row);
        ASSERT_EQ(*block.TextAt(r, 1), row == kRows / 2 ? huge : "text " + std::to_string(row));
        ASSERT_EQ(block.At(r, 2).IsNull(), row % 2 == 1);
    }
}

}  // namespace
