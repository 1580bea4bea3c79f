// The web page beside a converted video.
#include "Html5Page.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class CHtml5PageTest : public ::testing::Test {
protected:
    void SetUp() override { Write(templ, "<video src=\"$VIDEO_FILE\" type=\"$VIDEO_MIME\">$VIDEO_FILE</video>"); }
    vxmtest::CTempDir dir;
    std::string templ = dir.File("page.htpl");
};

TEST_F(CHtml5PageTest, AWebmOutputGetsItsPageBesideItWithNameAndMimeType)
{
    ASSERT_TRUE(WriteHTML5Page(W(dir.File("clip.webm")), false, W(templ)));
    EXPECT_EQ(Read(dir.File("clip.html")), "<video src=\"clip.webm\" type=\"video/webm\">clip.webm</video>");
    EXPECT_FALSE(std::filesystem::exists(dir.File("clip.html.part")));
}

TEST_F(CHtml5PageTest, TheShippedTemplateNamesTheVideoAndItsType)
{
    ASSERT_TRUE(WriteHTML5Page(W(dir.File("movie.mp4")), false));
    const std::string page = Read(dir.File("movie.html"));
    EXPECT_NE(page.find("src=\"movie.mp4\""), std::string::npos);
    EXPECT_NE(page.find("video/mp4"), std::string::npos);
    EXPECT_EQ(page.find("$VIDEO"), std::string::npos);
}

TEST_F(CHtml5PageTest, TheExtensionsCaseDoesNotHideTheMimeType)
{
    EXPECT_EQ(Html5MimeType(L".MP4"), L"video/mp4");
    EXPECT_EQ(Html5MimeType(L".Ogv"), L"video/ogg");
    EXPECT_EQ(Html5MimeType(L".mkv"), L"");
}

TEST_F(CHtml5PageTest, AnUnknownTypeLeavesItsPlaceholder)
{
    EXPECT_EQ(FillHtml5Template("$VIDEO_MIME|$VIDEO_FILE", L"/out/a.mkv"), "$VIDEO_MIME|a.mkv");
}

TEST_F(CHtml5PageTest, EveryFileNamePlaceholderIsFilled)
{
    EXPECT_EQ(FillHtml5Template("$VIDEO_FILE $VIDEO_FILE", L"/out/b.ogv"), "b.ogv b.ogv");
}

TEST_F(CHtml5PageTest, ANameWithMarkupCharactersIsEscapedInTextAndEncodedInTheAddress)
{
    const std::string page = FillHtml5Template("<a href=\"$VIDEO_FILE\">$VIDEO_FILE</a>",
                                               L"/out/Tom & \"Jerry\" <1>#2.mp4");
    EXPECT_EQ(page, "<a href=\"Tom%20%26%20%22Jerry%22%20%3C1%3E%232.mp4\">Tom &amp; &quot;Jerry&quot; &lt;1&gt;#2.mp4</a>");
}

TEST_F(CHtml5PageTest, ANonAsciiNameIsEncodedAsUtf8Bytes)
{
    EXPECT_EQ(FillHtml5Template("src='$VIDEO_FILE'", L"/out/\u00e9t\u00e9.webm"), "src='%C3%A9t%C3%A9.webm'");
}

TEST_F(CHtml5PageTest, AnEmptyTemplateWritesNoPage)
{
    Write(templ, "");
    EXPECT_FALSE(WriteHTML5Page(W(dir.File("clip.mp4")), false, W(templ)));
    EXPECT_FALSE(std::filesystem::exists(dir.File("clip.html")));
}

TEST_F(CHtml5PageTest, TheTemplateEndsAtItsFirstNul)
{
    Write(templ, std::string("$VIDEO_FILE\0tail", 16));
    ASSERT_TRUE(WriteHTML5Page(W(dir.File("c.mp4")), false, W(templ)));
    EXPECT_EQ(Read(dir.File("c.html")), "c.mp4");
}

TEST_F(CHtml5PageTest, AMissingTemplateOrFolderWritesNothing)
{
    EXPECT_FALSE(WriteHTML5Page(W(dir.File("clip.mp4")), false, W(dir.File("none.htpl"))));
    EXPECT_FALSE(WriteHTML5Page(W(dir.File("gone/clip.mp4")), false, W(templ)));
    EXPECT_FALSE(std::filesystem::exists(dir.File("clip.html")));
}

TEST_F(CHtml5PageTest, AnExistingPageIsReplaced)
{
    Write(dir.File("clip.html"), "old old old old old old old old old old old old old old old");
    ASSERT_TRUE(WriteHTML5Page(W(dir.File("clip.webm")), false, W(templ)));
    EXPECT_EQ(Read(dir.File("clip.html")).find("old"), std::string::npos);
}

}  // namespace
