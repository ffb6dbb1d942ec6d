#include <gtest/gtest.h>

#include "pipeline/RequestAnalysis.h"

namespace {

RequestFile R(std::string_view fileName, std::string_view extension) {
    return {std::string(fileName), std::string(extension)};
}

TEST(AnalyseRequest, TakesTheFirstDottedPieceBeforeTheProtocol) {
    EXPECT_EQ(AnalyseRequest("GET /index.html HTTP/1.1"), R("index", "html"));
    EXPECT_EQ(AnalyseRequest("GET /archive.tar.gz HTTP/1.0"), R("archive", "tar.gz"));
    EXPECT_EQ(AnalyseRequest("GET /images/logo.PNG HTTP/1.1"), R("logo", "PNG"));
    EXPECT_EQ(AnalyseRequest("GET /page.php?id=1.5 HTTP/1.1"), R("page", "php"));
    EXPECT_EQ(AnalyseRequest("GET /search?q=a.b HTTP/1.1"), R("q=a", "b"));
    EXPECT_EQ(AnalyseRequest("GET /docs2.0/readme HTTP/1.1"), R("docs2", "0"));
    EXPECT_EQ(AnalyseRequest("GET /.htaccess HTTP/1.1"), R("", "htaccess"));
    EXPECT_EQ(AnalyseRequest("GET /dir./x HTTP/1.1"), R("dir", ""));
    // The method is a piece like any other.
    EXPECT_EQ(AnalyseRequest("M.X /a.b HTTP/1.1"), R("M", "X"));
    // Only the first "HTTP/" ends the prefix.
    EXPECT_EQ(AnalyseRequest("GET /HTTP/a.b HTTP/1.1"), R("", ""));
}

TEST(AnalyseRequest, GivesNothingWithoutTheExactProtocolOrADot) {
    EXPECT_EQ(AnalyseRequest("GET / HTTP/1.1"), R("", ""));
    EXPECT_EQ(AnalyseRequest("GET /index.html http/1.1"), R("", ""));
    EXPECT_EQ(AnalyseRequest("GET /index.html"), R("", ""));
    EXPECT_EQ(AnalyseRequest("-Missing-"), R("", ""));
    EXPECT_EQ(AnalyseRequest(""), R("", ""));
    EXPECT_EQ(AnalyseRequest("HTTP/"), R("", ""));
}

// The shortcut over the first "." must agree with cutting the prefix into pieces and taking the
// first dotted one, for every arrangement of delimiters and dots.
TEST(AnalyseRequest, AgreesWithCuttingThePrefixIntoPieces) {
    const std::string alphabet = " /?.a";
    for (int code = 0; code < 5 * 5 * 5 * 5 * 5 * 5; ++code) {
        std::string prefix;
        for (int c = code, i = 0; i < 6; ++i, c /= 5) prefix.push_back(alphabet[c % 5]);
        CStringArrayPBEx pieces;
        pieces.Split(prefix, " /?");
        RequestFile expected;
        if (auto i = pieces.FindFirstWithDot(); i != CStringArrayPBEx::kNotFound) {
            const std::string& piece = pieces[i];
            expected = R(piece.substr(0, piece.find('.')), piece.substr(piece.find('.') + 1));
        }
        ASSERT_EQ(AnalyseRequest(prefix + "HTTP/1.1"), expected) << '"' << prefix << '"';
    }
}

std::vector<std::string> ListOf(std::string_view text) {
    CStringArrayPBEx list;
    list.Add("left over");
    BuildExtensionList(text, list);
    return list.Items();
}

TEST(ExtensionList, SplitsAtSemicolonsAndSortsByBytes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ListOf("htm;html;php;asp;jsp;css;js;txt;;"),
              (V{"", "asp", "css", "htm", "html", "js", "jsp", "php", "txt"}));
    EXPECT_EQ(ListOf(""), V{});
    EXPECT_EQ(ListOf(";"), V{""});
    EXPECT_EQ(ListOf("htm; html;HTM;htm"), (V{" html", "HTM", "htm", "htm"}));
}

TEST(ExtensionList, IncludesExactlyTheListedExtensions) {
    const std::string defaults = "htm;html;php;asp;jsp;css;js;txt;;";
    CStringArrayPBEx list;
    BuildExtensionList(defaults, list);
    EXPECT_TRUE(IsIncludedExtension("html", defaults, list));
    EXPECT_TRUE(IsIncludedExtension("", defaults, list));  // "/" and directories
    EXPECT_TRUE(IsIncludedExtension("txt", defaults, list));
    EXPECT_FALSE(IsIncludedExtension("PNG", defaults, list));
    EXPECT_FALSE(IsIncludedExtension("png", defaults, list));
    EXPECT_FALSE(IsIncludedExtension("ht", defaults, list));
    EXPECT_FALSE(IsIncludedExtension("htmlx", defaults, list));

    BuildExtensionList(";", list);
    EXPECT_TRUE(IsIncludedExtension("", ";", list));
    EXPECT_FALSE(IsIncludedExtension("html", ";", list));

    BuildExtensionList("htm; html", list);
    EXPECT_FALSE(IsIncludedExtension("html", "htm; html", list));

    BuildExtensionList("", list);
    EXPECT_TRUE(IsIncludedExtension("anything", "", list));

    BuildExtensionList("tar.gz;\xe9t\xe9", list);
    EXPECT_TRUE(IsIncludedExtension(AnalyseRequest("GET /a.tar.gz HTTP/1.1").Extension,
                                    "tar.gz;\xe9t\xe9", list));
    EXPECT_TRUE(IsIncludedExtension("\xe9t\xe9", "tar.gz;\xe9t\xe9", list));
}

}  // namespace
