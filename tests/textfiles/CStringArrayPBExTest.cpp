#include "textfiles/CStringArrayPBEx.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Pieces(std::string_view text, std::string_view delimiters) {
    CStringArrayPBEx list;
    list.Split(text, delimiters);
    return list.Items();
}

using V = std::vector<std::string>;

TEST(Split, KeepsInteriorEmptyPiecesAndDropsAnEmptyLastOne) {
    EXPECT_EQ(Pieces("a,b", ","), (V{"a", "b"}));
    EXPECT_EQ(Pieces("a,,b", ","), (V{"a", "", "b"}));
    EXPECT_EQ(Pieces("a,b,", ","), (V{"a", "b"}));
    EXPECT_EQ(Pieces(",", ","), (V{""}));
    EXPECT_EQ(Pieces("", ","), V{});
    EXPECT_EQ(Pieces("a;b;;", ";"), (V{"a", "b", ""}));
    EXPECT_EQ(Pieces(";a", ";"), (V{"", "a"}));
}

TEST(Split, CutsAtEveryCharacterOfTheSetAndTreatsAnEmptySetAsNone) {
    EXPECT_EQ(Pieces("/s?q=a&b=c", "?&="), (V{"/s", "q", "a", "b", "c"}));
    EXPECT_EQ(Pieces("a?b", ""), (V{"a?b"}));
    EXPECT_EQ(Pieces("htm;html;php;asp;jsp;css;js;txt;;", ";").size(), 9u);
}

TEST(Split, HandlesEveryByteValue) {
    std::string text;
    for (int c = 0; c < 256; ++c) text.push_back(static_cast<char>(c));
    auto pieces = Pieces(text, "\xff\x80");
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].size(), 128u);
    EXPECT_EQ(pieces[1].size(), 126u);  // 0x81..0xFE; the empty piece after 0xFF is dropped
}

TEST(Search, SortThenFindSortedUsesUnsignedByteOrder) {
    CStringArrayPBEx list;
    list.Split("htm;html;php;asp;jsp;css;js;txt;;", ";");
    list.Sort();
    EXPECT_EQ(list.GetAt(0), "");
    EXPECT_NE(list.FindSorted("php"), -1);
    EXPECT_EQ(list.FindSorted(""), 0);
    EXPECT_EQ(list.FindSorted("PHP"), -1);

    CStringArrayPBEx bytes{"\xe9t\xe9", "zebra", "abc"};
    bytes.Sort();
    EXPECT_EQ(bytes.GetAt(2), "\xe9t\xe9");  // 0xE9 sorts after every ASCII letter
    EXPECT_EQ(CStringArrayPBEx().FindSorted("x"), -1);
}

TEST(Search, FindIsCaseSensitiveAndIndexesBeyond32767Pieces) {
    CStringArrayPBEx months{"Jan", "Feb"};
    EXPECT_EQ(months.Find("jan"), -1);
    EXPECT_EQ(months.Find("Feb"), 1);

    std::string request(40000, '/');
    request += "page.html";
    CStringArrayPBEx pieces;
    pieces.Split(request, " /?");
    EXPECT_EQ(pieces.FindFirstWithDot(), 40000);
    EXPECT_EQ(pieces.Find("page.html"), 40000);
}

TEST(KeyValue, KeysIgnoreCaseAndValuesKeepLaterEqualsSigns) {
    CStringArrayPBEx list{"Reset contents First=Y", "Other=1", "A=1=2"};
    EXPECT_EQ(list.FindKey("reset contents first"), 0);
    EXPECT_EQ(list.GetValue("reset contents first"), "Y");
    EXPECT_EQ(list.GetValue("missing"), "");
    EXPECT_EQ(list.GetValue("A"), "1=2");

    CStringArrayPBEx leading{"==Key=v"};
    EXPECT_EQ(leading.FindKey("Key"), 0);
}

TEST(KeyValue, SetValueReplacesAppendsAndRemoves) {
    CStringArrayPBEx list{"A=1", "b=2"};
    list.SetValue("A", "");
    EXPECT_EQ(list.Items(), (V{"b=2"}));
    list.SetValue("A", "3");
    EXPECT_EQ(list.Items(), (V{"b=2", "A=3"}));
    list.SetValue("B", "9");  // replaced with the new spelling
    EXPECT_EQ(list.Items(), (V{"B=9", "A=3"}));
    list.SetValue("missing", "");
    EXPECT_EQ(list.GetSize(), 2);
}

}  // namespace
