// The XML model: reading, writing back, entities, and hostile input.
#include "XmlDocument.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

using namespace vxmtest;

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Attr(const CXmlElement* e, const char* name)
{
    const CXmlVariable* v = e ? e->FindVariableElement(name) : nullptr;
    return v ? v->GetValue() : "<missing>";
}

const char* const kEveryConstruct =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
    "<!--before-->\r\n"
    "<root version=\"2\" title=\"a &amp; b\">\r\n"
    "\t<!--inside-->\r\n"
    "\tsome text\r\n"
    "\t<![CDATA[x < y]]>\r\n"
    "\t<group name=\"g\">\r\n"
    "\t\t<item id=\"1\"/>\r\n"
    "\t\t<item id=\"2\"/>\r\n"
    "\t</group>\r\n"
    "\ttail text\r\n"
    "</root>\r\n"
    "<!--after-->\r\n";

}  // namespace

TEST(XmlWriteBack, DocumentWithEveryConstructIsWrittenBackByteForByte)
{
    CXmlDocument doc(kEveryConstruct, XML_SOURCE_TEXT);
    ASSERT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.SaveToString(), kEveryConstruct);
}

TEST(XmlWriteBack, PiecesKeepTheirPlaceBetweenChildren)
{
    CXmlDocument doc(kEveryConstruct, XML_SOURCE_TEXT);
    CXmlElement* root = doc.GetRoot();
    ASSERT_EQ(root->GetContentCount(), 2u);
    EXPECT_EQ(root->GetContentPiece(0)->nPosition, 0);
    EXPECT_EQ(root->GetContentPiece(1)->nPosition, 1);
    EXPECT_EQ(root->GetContent(1), "tail text");
    EXPECT_EQ(root->GetCData(0)->strText, "x < y");
    EXPECT_EQ(root->GetComment(0)->strText, "inside");
    ASSERT_EQ(doc.GetHeader()->GetCommentCount(), 2u);
    EXPECT_EQ(doc.GetHeader()->GetComment(0)->nPosition, 0);
    EXPECT_EQ(doc.GetHeader()->GetComment(1)->nPosition, 1);
}

TEST(XmlWriteBack, SavedFileLoadsBackIntoAnEqualTree)
{
    CTempDir dir;
    CXmlDocument doc(kEveryConstruct, XML_SOURCE_TEXT);
    ASSERT_TRUE(doc.SaveToFile(dir.File("a.xml")));
    CXmlDocument again(dir.File("a.xml"), XML_SOURCE_PATH);
    EXPECT_EQ(again.GetStatus(), XML_PARSE_OK);
    EXPECT_TRUE(again.GetRoot()->IsEqual(*doc.GetRoot()));

    ASSERT_TRUE(doc.SaveToFile(dir.File("w.xml"), true));
    CXmlDocument wide(dir.File("w.xml"), XML_SOURCE_PATH);
    EXPECT_TRUE(wide.GetRoot()->IsEqual(*doc.GetRoot()));
}

TEST(XmlWriteBack, SingleLineContentAndSpacesFormat)
{
    CXmlDocument doc("<?xml?><r><a>text</a><b/></r>", XML_SOURCE_TEXT);
    doc.GetRoot()->SetFormat(true, 2, true);
    std::string out;
    doc.GetRoot()->Write(out);
    EXPECT_EQ(out, "<r>\r\n  <a>text</a>\r\n  <b/>\r\n</r>\r\n");
    doc.GetRoot()->SetFormat(false, 99, false);
    EXPECT_EQ(doc.GetRoot()->GetChild(0)->GetIndentCount(), XML_MAX_INDENT);
}

TEST(XmlWriteBack, SettersEncodeAndGettersDecode)
{
    CXmlElement e("item");
    e.AddVariable("label", "Tom & \"Jerry\" <3");
    e.AddContent("a<b");
    EXPECT_EQ(e.GetVariable(0)->GetRawValue(), "Tom &amp; &quot;Jerry&quot; &lt;3");
    EXPECT_EQ(e.GetVariable(0)->GetValue(), "Tom & \"Jerry\" <3");
    std::string out;
    e.Write(out);
    EXPECT_EQ(out, "<item label=\"Tom &amp; &quot;Jerry&quot; &lt;3\">\r\n\ta&lt;b\r\n</item>\r\n");
    CXmlDocument doc("<?xml?>" + out, XML_SOURCE_TEXT);
    EXPECT_EQ(Attr(doc.GetRoot(), "label"), "Tom & \"Jerry\" <3");
    EXPECT_EQ(doc.GetRoot()->GetContent(0), "a<b");
}

TEST(XmlWriteBack, SaveOnCloseWritesTheFileAndABrokenDocumentIsNeverWrittenBack)
{
    CTempDir dir;
    WriteFile(dir.File("ok.xml"), "<?xml?><r a=\"1\"/>");
    {
        CXmlDocument doc(dir.File("ok.xml"), XML_SOURCE_PATH);
        doc.SetSaveOnClose(true);
        doc.GetRoot()->GetVariable(0)->SetInt(7);
    }
    EXPECT_NE(ReadFile(dir.File("ok.xml")).find("<r a=\"7\"/>"), std::string::npos);

    const std::string broken = "<?xml?><r a=\"1\"><b>";
    WriteFile(dir.File("bad.xml"), broken);
    {
        CXmlDocument doc(dir.File("bad.xml"), XML_SOURCE_PATH);
        EXPECT_EQ(doc.GetStatus(), XML_PARSE_UNTERMINATED);
        doc.SetSaveOnClose(true);
        EXPECT_FALSE(doc.Save());
    }
    EXPECT_EQ(ReadFile(dir.File("bad.xml")), broken);
}

TEST(XmlReading, AttributeBlanksAroundTheEqualsSignArePassedOver)
{
    CXmlDocument doc("<?xml?><r name  =   \"v\" next=\"w\"/>", XML_SOURCE_TEXT);
    ASSERT_EQ(doc.GetRoot()->GetVariableCount(), 2u);
    EXPECT_EQ(doc.GetRoot()->GetVariable(0)->GetName(), "name");
    EXPECT_EQ(Attr(doc.GetRoot(), "name"), "v");
}

TEST(XmlReading, AttributesOnSeparateLinesAreRead)
{
    CXmlDocument doc("<?xml?><profile\r\n    name=\"mp3\"\n\tid=\"3\"/>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->GetName(), "profile");
    EXPECT_EQ(Attr(doc.GetRoot(), "name"), "mp3");
    EXPECT_EQ(doc.GetRoot()->FindVariableElement("id")->GetInt(), 3);
}

TEST(XmlReading, SingleQuotedAttributeEndsTheAttributeList)
{
    CXmlDocument doc("<?xml?><r a=\"1\" b='2' c=\"3\"/>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->GetVariableCount(), 1u);
    EXPECT_EQ(doc.GetRoot()->FindVariable("c"), -1);
}

TEST(XmlReading, ContentIsTrimmedOfBlanksAndLineBreaks)
{
    CXmlDocument doc("<?xml?><r>   value \r\n\t </r>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->GetContent(0), "value");
    CXmlDocument blank("<?xml?><r> \r\n </r>", XML_SOURCE_TEXT);
    EXPECT_EQ(blank.GetRoot()->GetContentCount(), 0u);
}

TEST(XmlReading, EntityReferencesDecode)
{
    CXmlDocument doc("<?xml?><r a=\"x&amp;y\" b=\"&#65;&#x41;&#X41;\" c=\"&lt;&gt;&quot;&apos;\" d=\"&copy no\"/>",
                     XML_SOURCE_TEXT);
    EXPECT_EQ(Attr(doc.GetRoot(), "a"), "x&y");
    EXPECT_EQ(Attr(doc.GetRoot(), "b"), "AAA");
    EXPECT_EQ(Attr(doc.GetRoot(), "c"), "<>\"'");
    EXPECT_EQ(Attr(doc.GetRoot(), "d"), "&copy no");
}

TEST(XmlReading, NumericReferencesGiveUtf8AndTruncatedOnesStayText)
{
    EXPECT_EQ(XmlDecodeEntities("&#233;"), "\xC3\xA9");
    EXPECT_EQ(XmlDecodeEntities("&#x20AC;"), "\xE2\x82\xAC");
    EXPECT_EQ(XmlDecodeEntities("a&#"), "a&#");
    EXPECT_EQ(XmlDecodeEntities("a&#x"), "a&#x");
    EXPECT_EQ(XmlDecodeEntities("a&#66"), "aB");
    EXPECT_EQ(XmlDecodeEntities("&am"), "&am");
    EXPECT_EQ(XmlDecodeEntities("&"), "&");
    // Very long digit runs are taken as a 16-bit code unit; a NUL is never produced.
    EXPECT_EQ(XmlDecodeEntities("&#" + std::string(200, '9') + ";").size(), 3u);
    EXPECT_EQ(XmlDecodeEntities("&#0;"), "\xEF\xBF\xBD");
    EXPECT_EQ(XmlDecodeEntities("&#xD800;"), "\xEF\xBF\xBD");
}

TEST(XmlReading, DecodingIntoALimitKeepsWholeCharacters)
{
    std::string text(254, 'a');
    text += "&#233;";  // two bytes: would end at byte 256
    EXPECT_EQ(XmlDecodeEntities(text, 255), std::string(254, 'a'));
    EXPECT_EQ(XmlDecodeEntities(std::string(300, 'b'), 255).size(), 255u);

    CXmlDocument doc("<?xml?><r a=\"" + std::string(400, 'x') + "\">" + std::string(300, 'y') + "</r>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->GetVariable(0)->GetValue(255), std::string(255, 'x'));
    EXPECT_EQ(doc.GetRoot()->GetContent(0, 255), std::string(255, 'y'));
    EXPECT_EQ(doc.GetRoot()->GetContent(0).size(), 300u);
}

TEST(XmlReading, Utf16FileWithByteOrderMarkLoadsLikeUtf8)
{
    const std::string utf8 = "<?xml version=\"1.0\"?><r name=\"caf\xC3\xA9\"><c>\xE2\x82\xAC</c></r>";
    std::string utf16 = std::string("\xFF\xFE", 2) + XmlUtf8ToUtf16Le(utf8);
    CTempDir dir;
    WriteFile(dir.File("u16.xml"), utf16);
    CXmlDocument doc(dir.File("u16.xml"), XML_SOURCE_PATH);
    CXmlDocument plain(utf8, XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_TRUE(doc.GetRoot()->IsEqual(*plain.GetRoot()));
    EXPECT_EQ(doc.GetHeader()->GetPrologue().substr(0, 3), XML_UTF8_BOM);
}

TEST(XmlReading, WidePathLoads)
{
    CTempDir dir;
    WriteFile(dir.File("caf\xC3\xA9.xml"), "<?xml?><r/>");
    std::wstring wide(dir.Path().begin(), dir.Path().end());
    wide += L"/caf\u00e9.xml";
    CXmlDocument doc(wide);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.GetRoot()->GetName(), "r");
    EXPECT_TRUE(doc.IsPathWide());
}

TEST(XmlReading, NoPrologueStillLoadsWithStatusOne)
{
    CXmlDocument doc("<r><a/></r>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_NO_ELEMENT);
    EXPECT_EQ(doc.GetRoot()->GetName(), "r");
    EXPECT_EQ(doc.GetRoot()->GetChildCount(), 1u);
    EXPECT_EQ(doc.GetHeader()->GetPrologue(), std::string(XML_UTF8_BOM) + XML_DEFAULT_PROLOGUE);
}

TEST(XmlReading, FindChildAndFindVariableAreCaseSensitive)
{
    CXmlDocument doc("<?xml?><r Name=\"x\"><Profiles/><profiles/></r>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->FindChild("profiles"), 1);
    EXPECT_EQ(doc.GetRoot()->FindChild("PROFILES"), -1);
    EXPECT_EQ(doc.GetRoot()->FindVariable("name"), -1);
    EXPECT_EQ(doc.GetRoot()->FindVariable("Name"), 0);
}

TEST(XmlReading, ClosingTagNamesAreNotCompared)
{
    CXmlDocument doc("<?xml?><r><a><b/></x><c/></r>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.GetRoot()->GetChildCount(), 2u);
    EXPECT_EQ(doc.GetRoot()->GetChild(1)->GetName(), "c");
}

TEST(XmlReading, MissingFileAndEmptyTextGiveAnEmptyRoot)
{
    CXmlDocument missing("/nonexistent/profiles.xml", XML_SOURCE_PATH);
    EXPECT_EQ(missing.GetRoot()->GetName(), "root");
    EXPECT_EQ(missing.GetRoot()->GetChildCount(), 0u);
    EXPECT_EQ(missing.GetHeader()->GetPrologue(), XML_DEFAULT_PROLOGUE);
    CXmlDocument empty("", XML_SOURCE_TEXT);
    EXPECT_EQ(empty.GetRoot()->GetName(), "root");
}

TEST(XmlReading, CountElementsByDepth)
{
    CXmlDocument doc("<?xml?><r><a><x/><y><z/></y></a><b/></r>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->CountElements(0), 2);
    EXPECT_EQ(doc.GetRoot()->CountElements(1), 4);
    EXPECT_EQ(doc.GetRoot()->CountElements(-1), 5);
}

TEST(XmlTypedAccess, IntegersReadLikeAtoiWithoutOverflow)
{
    EXPECT_EQ(XmlParseInt("  42abc"), 42);
    EXPECT_EQ(XmlParseInt("-7"), -7);
    EXPECT_EQ(XmlParseInt("abc"), 0);
    EXPECT_EQ(XmlParseInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(XmlParseInt("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(XmlParseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_DOUBLE_EQ(XmlParseFloat(" 2.5x"), 2.5);
}

TEST(XmlTypedAccess, TypedSettersRoundTrip)
{
    CXmlElement e("e");
    e.AddVariable("i", "")->SetInt(-12);
    e.AddVariable("l", "")->SetInt64(1234567890123LL);
    e.AddVariable("f", "")->SetFloat(1.5);
    EXPECT_EQ(e.GetVariable(0)->GetInt(), -12);
    EXPECT_EQ(e.GetVariable(1)->GetInt64(), 1234567890123LL);
    EXPECT_EQ(e.GetVariable(2)->GetRawValue(), "1.500000");
    EXPECT_DOUBLE_EQ(e.GetVariable(2)->GetFloat(), 1.5);
}

TEST(XmlPaths, PathAccessReadsCreatesAndRemoves)
{
    CXmlDocument doc("<?xml?><r><a><b k=\"1\"/></a></r>", XML_SOURCE_TEXT);
    std::string value;
    ASSERT_TRUE(doc.GetPathValue("a\\b", "k", value));
    EXPECT_EQ(value, "1");
    std::string v2 = "two";
    ASSERT_TRUE(doc.SetPathValue("a\\c\\d", "k", &v2));
    EXPECT_EQ(doc.GetRoot()->FindChildElement("a")->FindChildElement("c")->FindChildElement("d")->GetElementPath(),
              "a\\c\\d");
    ASSERT_TRUE(doc.GetPathValue("a\\c\\d", "k", value));
    EXPECT_EQ(value, "two");
    EXPECT_TRUE(doc.SetPathValue("a\\b", "k", nullptr));
    EXPECT_FALSE(doc.GetPathValue("a\\b", "k", value));
    EXPECT_TRUE(doc.SetPathValue("a\\b", "", nullptr));
    EXPECT_EQ(doc.GetRoot()->FindChildElement("a")->FindChild("b"), -1);
}

TEST(XmlPaths, QueriesSelectByAttributeNameAndContent)
{
    CXmlDocument doc("<?xml?><r><p id=\"3\" name=\"Mp3\">x</p><p id=\"12\" name=\"aac\"/><q id=\"5\"><p id=\"20\"/></q></r>",
                     XML_SOURCE_TEXT);
    std::vector<CXmlElement*> found;
    EXPECT_EQ(doc.GetRoot()->Query("id >= 5", -1, &found), 3);
    EXPECT_EQ(found[0]->FindVariableElement("id")->GetInt(), 12);
    EXPECT_EQ(doc.GetRoot()->Query("id >= 5", 0), 2);
    EXPECT_EQ(doc.GetRoot()->Query("? == \"p\" name == \"mp*\"", -1), 1);
    EXPECT_EQ(doc.GetRoot()->Query("name < 5", -1), 0);
    EXPECT_EQ(doc.GetRoot()->Query("~0 == \"x\"", -1), 1);
    EXPECT_EQ(doc.GetRoot()->Query("! == \"q\\p\"", -1), 1);
}

TEST(XmlPaths, PatternsMatchWithoutCase)
{
    EXPECT_TRUE(XmlMatchPattern("Profiles.XML", "*.xml"));
    EXPECT_TRUE(XmlMatchPattern("abc", "a?c"));
    EXPECT_FALSE(XmlMatchPattern("abc", "a?d"));
    EXPECT_TRUE(XmlMatchPattern("", "*"));
    EXPECT_FALSE(XmlMatchPattern(std::string(5000, 'a'), std::string(50, '*') + "b"));
}

TEST(XmlPaths, DuplicateIsDeepAndRemovingAChildDropsItsReferences)
{
    CXmlDocument doc(kEveryConstruct, XML_SOURCE_TEXT);
    std::unique_ptr<CXmlElement> copy = doc.GetRoot()->Duplicate();
    EXPECT_TRUE(copy->IsEqual(*doc.GetRoot()));
    copy->GetChild(0)->GetChild(0)->GetVariable(0)->SetValue("9");
    EXPECT_FALSE(copy->IsEqual(*doc.GetRoot()));
    EXPECT_EQ(Attr(doc.GetRoot()->GetChild(0)->GetChild(0), "id"), "1");

    CXmlElement* group = doc.GetRoot()->GetChild(0);
    group->AddReference(1, group->GetChild(1));
    group->AddReference(2, group->GetChild(0));
    ASSERT_TRUE(group->RemoveChild(1));
    ASSERT_EQ(group->GetReferenceCount(), 1u);
    EXPECT_EQ(group->GetReference(0)->nFlag, 2);
}

TEST(XmlPaths, SortingOrdersChildrenAndAttributesByName)
{
    CXmlDocument doc("<?xml?><r z=\"1\" a=\"2\"><c/><a/><b/></r>", XML_SOURCE_TEXT);
    doc.GetRoot()->SortChildren();
    doc.GetRoot()->SortVariables();
    EXPECT_EQ(doc.GetRoot()->GetChild(0)->GetName(), "a");
    EXPECT_EQ(doc.GetRoot()->GetChild(2)->GetName(), "c");
    EXPECT_EQ(doc.GetRoot()->GetVariable(0)->GetName(), "a");
}

TEST(XmlHostileInput, UnbalancedAndTruncatedDocumentsFailCleanly)
{
    const char* cases[] = {
        "<?xml?><r><a></r>",         "<?xml?><r><a",        "<?xml?><r><!-- open", "<?xml?><r><![CDATA[x",
        "<?xml?><r a=\"&#",          "<?xml?><r a=\"1",     "<?xml?></r></r></r>", "<?xml?><<<<>>>>",
        "<?xml?><r><a b=\"/>\"></r>", "?>",                  "<?xml?>< />",         "<?xml?><r/><r2><x",
    };
    for (const char* text : cases) {
        CXmlDocument doc(text, XML_SOURCE_TEXT);
        ASSERT_NE(doc.GetRoot(), nullptr) << text;
        EXPECT_FALSE(doc.HasPath());
        doc.SaveToString();
    }
    CXmlDocument truncated("<?xml?><r><a/><b>", XML_SOURCE_TEXT);
    EXPECT_EQ(truncated.GetStatus(), XML_PARSE_UNTERMINATED);
    EXPECT_EQ(truncated.GetRoot()->GetName(), "root");
    EXPECT_EQ(truncated.GetRoot()->GetChildCount(), 0u);
}

TEST(XmlHostileInput, NulByteIsAClearFailure)
{
    std::string text = "<?xml?><r><a/>";
    text += '\0';
    text += "<b/></r>";
    CXmlDocument doc(text, XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_NUL_BYTE);
    EXPECT_EQ(doc.GetRoot()->GetName(), "root");
    EXPECT_EQ(doc.GetRoot()->GetChildCount(), 0u);
}

TEST(XmlHostileInput, HundredThousandLevelsFailWithoutOverflowingTheStack)
{
    std::string text = "<?xml?>";
    for (int i = 0; i < 100000; ++i)
        text += "<a>";
    for (int i = 0; i < 100000; ++i)
        text += "</a>";
    CXmlDocument doc(text, XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_TOO_DEEP);
    EXPECT_EQ(doc.GetRoot()->GetName(), "root");
}

TEST(XmlHostileInput, NestingUpToTheLimitParsesWritesAndFrees)
{
    std::string text = "<?xml?>";
    for (int i = 0; i < XML_MAX_DEPTH; ++i)
        text += "<a>";
    for (int i = 0; i < XML_MAX_DEPTH; ++i)
        text += "</a>";
    CXmlDocument doc(text, XML_SOURCE_TEXT);
    ASSERT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.GetRoot()->CountElements(-1), XML_MAX_DEPTH - 1);
    EXPECT_EQ(doc.GetRoot()->Duplicate()->CountElements(-1), XML_MAX_DEPTH - 1);
    EXPECT_GT(doc.SaveToString().size(), text.size());
}

TEST(XmlReading, ByteFilterSeesTheRawBytesAndTheDocumentKeepsNoPath)
{
    CTempDir dir;
    WriteFile(dir.File("f.xml"), "<?xml?><r a=\"1\"/>");
    XmlByteFilter upper = [](std::string& bytes) {
        for (char& c : bytes)
            if (c == 'a')
                c = 'b';
        return true;
    };
    CXmlDocument doc;
    doc.Load(dir.File("f.xml"), XML_SOURCE_PATH, &upper);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.GetRoot()->FindVariable("b"), 0);
    EXPECT_FALSE(doc.HasPath());
    EXPECT_FALSE(doc.Save());
}

TEST(XmlReading, WideTextLoadsAsUtf8AndLoadingAgainReplacesTheContent)
{
    CXmlDocument doc;
    doc.LoadWideText(L"<?xml?><r name=\"\u00e9t\u00e9\"/>");
    EXPECT_EQ(Attr(doc.GetRoot(), "name"), "\xC3\xA9t\xC3\xA9");
    doc.Load("<?xml?><other/>", XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetRoot()->GetName(), "other");
    EXPECT_EQ(doc.GetRoot()->GetVariableCount(), 0u);
}

TEST(XmlReading, SpecialFilesAreNotReadAsDocuments)
{
    CXmlDocument dev("/dev/zero", XML_SOURCE_PATH);
    EXPECT_EQ(dev.GetRoot()->GetName(), "root");
    CTempDir dir;
    CXmlDocument folder(dir.Path(), XML_SOURCE_PATH);
    EXPECT_EQ(folder.GetRoot()->GetName(), "root");
    EXPECT_FALSE(folder.Save());
}

TEST(XmlHostileInput, TooManyElementsOrAnOversizedFileFailWithoutParsing)
{
    std::string text = "<?xml?><r>";
    for (int i = 0; i < 1001; ++i)
        text += "<a/>";
    text += "</r>";
    CXmlDocument doc;
    doc.SetMaxElements(1000);
    doc.Load(text, XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_TOO_LARGE);
    EXPECT_EQ(doc.GetRoot()->GetChildCount(), 0u);
    doc.SetMaxElements(1002);
    doc.Load(text, XML_SOURCE_TEXT);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.GetRoot()->GetChildCount(), 1001u);

    CTempDir dir;
    WriteFile(dir.File("huge.xml"), "<?xml?><r/>");
    std::filesystem::resize_file(dir.File("huge.xml"), XML_MAX_FILE_SIZE + 1);  // sparse
    CXmlDocument huge(dir.File("huge.xml"), XML_SOURCE_PATH);
    EXPECT_EQ(huge.GetStatus(), XML_PARSE_TOO_LARGE);
    EXPECT_EQ(huge.GetRoot()->GetName(), "root");
    EXPECT_FALSE(huge.HasPath());
}
