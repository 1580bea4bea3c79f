// customprops.json: what the setters leave in the file, and that the user's
// file survives failed loads and writes.
#include "CustomProps.h"
#include "Log.h"
#include "MediaHandler.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CCustomPropsTest : public ::testing::Test {
protected:
    void SetUp() override { InitLogger(m_dir.File("vxm.log").c_str()); }
    void TearDown() override { UninitLogger(); }

    std::wstring Path() const
    {
        std::string p = m_dir.File("customprops.json");
        return std::wstring(p.begin(), p.end());
    }
    std::string File() const { return m_dir.File("customprops.json"); }

    vxmtest::CTempDir m_dir;
};

TEST_F(CCustomPropsTest, WithoutAFileLoadFailsSilentlyAndASaveCreatesIt)
{
    CCustomProps props(Path());
    EXPECT_FALSE(props.Load());
    props.SetCustomProp(12, "640x480", "640x480", "vsize");
    EXPECT_TRUE(props.Save());

    CCustomProps again(Path());
    ASSERT_TRUE(again.Load());
    const Json::Value& parameter = (*again.GetRoot())["12"]["vsize"];
    EXPECT_EQ(parameter["default"].asString(), "640x480");
    ASSERT_EQ(parameter["values"].size(), 1u);
    EXPECT_EQ(parameter["values"][0].asString(), "640x480");
    EXPECT_EQ(ReadText(m_dir.File("vxm.log")).find("ERROR"), std::string::npos);
}

TEST_F(CCustomPropsTest, StringAndIntegerDefaultsAndValuesInOrderRoundTrip)
{
    CCustomProps props(Path());
    props.Load();
    props.SetCustomProp(3, "800", "800", "vb");
    props.SetCustomProp(3, "1200", "1200", "vb");
    props.SetCustomPropDefault(3, 2, "ab");
    props.SetCustomProp(-7, "29.97", nullptr, "vfr");
    ASSERT_TRUE(props.Save());
    // Styled output: three spaces per level.
    EXPECT_NE(ReadText(File()).find("\n   \"-7\" : {"), std::string::npos);

    CCustomProps again(Path());
    ASSERT_TRUE(again.Load());
    const Json::Value& root = *again.GetRoot();
    EXPECT_EQ(root["3"]["vb"]["default"].asString(), "1200");
    ASSERT_EQ(root["3"]["vb"]["values"].size(), 2u);
    EXPECT_EQ(root["3"]["vb"]["values"][0].asString(), "800");
    EXPECT_EQ(root["3"]["vb"]["values"][1].asString(), "1200");
    EXPECT_TRUE(root["3"]["ab"]["default"].isInt());
    EXPECT_EQ(root["3"]["ab"]["default"].asInt(), 2);
    EXPECT_EQ(root["-7"]["vfr"]["default"].asString(), "29.97");
    EXPECT_FALSE(root["-7"]["vfr"].isMember("values"));
}

TEST_F(CCustomPropsTest, ANullAddedTextChangesOnlyTheDefault)
{
    CCustomProps props(Path());
    props.Load();
    props.SetCustomProp(1, "a", "a", "ab");
    props.SetCustomProp(1, "b", nullptr, "ab");
    const Json::Value& parameter = (*props.GetRoot())["1"]["ab"];
    EXPECT_EQ(parameter["default"].asString(), "b");
    ASSERT_EQ(parameter["values"].size(), 1u);
    EXPECT_EQ(parameter["values"][0].asString(), "a");
}

TEST_F(CCustomPropsTest, RemovingTheLastValueLeavesNullValues)
{
    CCustomProps props(Path());
    props.Load();
    props.SetCustomProp(5, "96", "96", "ab");
    props.SetCustomProp(5, "128", "128", "ab");
    props.SetCustomProp(5, "96", "96", "ab");
    props.RemoveCustomPropValue(5, "96", "ab");
    ASSERT_EQ((*props.GetRoot())["5"]["ab"]["values"].size(), 1u);
    EXPECT_EQ((*props.GetRoot())["5"]["ab"]["values"][0].asString(), "128");
    props.RemoveCustomPropValue(5, "128", "ab");
    ASSERT_TRUE(props.Save());
    EXPECT_NE(ReadText(File()).find("\"values\" : null"), std::string::npos);

    CCustomProps again(Path());
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE((*again.GetRoot())["5"]["ab"]["values"].isNull());
    EXPECT_EQ((*again.GetRoot())["5"]["ab"]["default"].asString(), "96");
}

TEST_F(CCustomPropsTest, SettersBeforeLoadDoNothing)
{
    CCustomProps props(Path());
    props.SetCustomProp(1, "a", "a", "ab");
    props.SetCustomPropDefault(1, 2, "vb");
    props.RemoveCustomPropValue(1, "a", "ab");
    EXPECT_EQ(props.GetRoot(), nullptr);
    EXPECT_FALSE(props.Save());
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(CCustomPropsTest, AnEmptyTreeIsNeverWrittenSoTheFileKeepsItsContent)
{
    std::ofstream(File()) << "{}\n";
    CCustomProps props(Path());
    EXPECT_TRUE(props.Load());
    EXPECT_FALSE(props.Save());
    EXPECT_EQ(ReadText(File()), "{}\n");
}

TEST_F(CCustomPropsTest, AnUnreadableFileIsLoggedAndKeptAsideBeforeTheNextSave)
{
    const std::string broken = "{ \"12\": { \"vsize\": ";
    std::ofstream(File()) << broken;
    CCustomProps props(Path());
    EXPECT_FALSE(props.Load());
    std::string log = ReadText(m_dir.File("vxm.log"));
    EXPECT_NE(log.find("ERROR main <> - Failed to parse configuration: * Line 1, Column"), std::string::npos) << log;

    props.SetCustomProp(12, "320x240", "320x240", "vsize");
    ASSERT_TRUE(props.Save());
    EXPECT_EQ(ReadText(File() + ".bad"), broken);
    CCustomProps again(Path());
    ASSERT_TRUE(again.Load());
    EXPECT_EQ((*again.GetRoot())["12"]["vsize"]["default"].asString(), "320x240");
}

TEST_F(CCustomPropsTest, AFileThatIsNoObjectIsSetAsideAndTheSettersStillWork)
{
    std::ofstream(File()) << "[1, 2, 3]";
    CCustomProps props(Path());
    EXPECT_FALSE(props.Load());
    props.SetCustomProp(4, "x", "x", "ab");
    props.RemoveCustomPropValue(4, "y", "ab");
    ASSERT_TRUE(props.Save());
    EXPECT_EQ(ReadText(File() + ".bad"), "[1, 2, 3]");
}

TEST_F(CCustomPropsTest, AParameterThatIsNoObjectIsReplacedNotACrash)
{
    std::ofstream(File()) << "{ \"4\": 5, \"6\": { \"ab\": { \"values\": 7 } } }";
    CCustomProps props(Path());
    ASSERT_TRUE(props.Load());
    props.SetCustomProp(4, "x", "x", "ab");
    props.SetCustomProp(6, "y", "y", "ab");
    EXPECT_EQ((*props.GetRoot())["4"]["ab"]["values"][0].asString(), "x");
    EXPECT_EQ((*props.GetRoot())["6"]["ab"]["values"][0].asString(), "y");
}

TEST_F(CCustomPropsTest, AFailedWriteLeavesTheUsersFileAsItWas)
{
    CCustomProps props(Path());
    props.Load();
    props.SetCustomProp(1, "a", "a", "ab");
    ASSERT_TRUE(props.Save());
    const std::string before = ReadText(File());
    // The temporary file cannot be made where a folder of that name stands.
    std::filesystem::create_directory(File() + ".tmp");
    props.SetCustomProp(1, "b", "b", "ab");
    EXPECT_FALSE(props.Save());
    EXPECT_EQ(ReadText(File()), before);
    EXPECT_NE(ReadText(m_dir.File("vxm.log")).find("could not open file"), std::string::npos);
}

TEST_F(CCustomPropsTest, TheHandlerKeepsTheValuesInThePerUserDataFolder)
{
    CMediaHandlerServices services = CMediaHandlerServices::Default();
    services.dataFolder = [this] {
        std::string p = m_dir.Path();
        return std::wstring(p.begin(), p.end());
    };
    CMediaHandler handler(services);
    handler.SetCustomProp(1, "a", "a", "ab");  // before loading: nothing
    EXPECT_EQ(handler.GetCustomProps(), nullptr);
    EXPECT_FALSE(handler.LoadCustomProps());
    handler.SetCustomPropDefault(9, 3, "vb");
    EXPECT_TRUE(handler.SaveCustomProps());
    EXPECT_NE(ReadText(File()).find("\"vb\""), std::string::npos);
}

}  // namespace

namespace {

TEST_F(CCustomPropsTest, TextsASaveCouldNotWriteBackAreRefusedOnLoadAndKeptAside)
{
    const std::string files[] = {
        "{ \"12\" : { \"vsize\" : { \"default\" : \"caf\xE9\" } } }\n",           // not UTF-8
        "{ \"12\" : { \"vs\\u0000ize\" : { \"default\" : \"a\" } } }\n",       // NUL in a name
        "{ \"12\" : { \"vsize\" : { \"values\" : [ \"\\udc80\" ] } } }\n",    // lone surrogate
    };
    for (const std::string& text : files) {
        std::filesystem::remove(File() + ".bad");
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
        CCustomProps props(Path());
        EXPECT_FALSE(props.Load()) << text;
        props.SetCustomProp(3, "800", "800", "vb");
        ASSERT_TRUE(props.Save());
        EXPECT_EQ(ReadText(File() + ".bad"), text);  // the user's file, byte for byte
    }
    EXPECT_NE(ReadText(m_dir.File("vxm.log")).find("Failed to parse configuration: the file holds"), std::string::npos);

    // Text that is UTF-8 comes back as it was.
    const std::string text = "{ \"12\" : { \"title\" : { \"default\" : \"Gr\xC3\xBC\xC3\x9F\x65 \xE2\x98\x83\" } } }";
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
    CCustomProps props(Path());
    ASSERT_TRUE(props.Load());
    ASSERT_TRUE(props.Save());
    CCustomProps again(Path());
    ASSERT_TRUE(again.Load());
    EXPECT_EQ((*again.GetRoot())["12"]["title"]["default"].asString(), "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x98\x83");
}

}  // namespace

namespace {

TEST_F(CCustomPropsTest, ACommentBesideTheLastValueNeverSwallowsTheClosingBracket)
{
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << "{\n   \"12\" : [ \"a\" ]//  }   \n}";
    CCustomProps props(Path());
    ASSERT_TRUE(props.Load());
    props.SetCustomProp(7, "640x480", nullptr, "vsize");
    ASSERT_TRUE(props.Save());
    CCustomProps again(Path());
    ASSERT_TRUE(again.Load()) << ReadText(File());
    EXPECT_TRUE(*again.GetRoot() == *props.GetRoot());
}

}  // namespace
