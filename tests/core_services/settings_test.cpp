// Settings: every value survives a save and a load; missing, wrong-typed and
// damaged values fall back to their defaults.
#include "ARRegistry.h"
#include "VXMSettings.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <set>

using coretest::CStoreTest;

namespace {

using Field = std::variant<std::wstring CVXMSettings::*, int CVXMSettings::*>;

// A value for row `index` that differs from every default.
void SetDistinct(CVXMSettings& s, const Field& field, size_t index)
{
    if (auto text = std::get_if<std::wstring CVXMSettings::*>(&field))
        s.**text = L"v" + std::to_wstring(index) + L" \"q\" \\ \n\u00e9 %s";
    else
        s.*std::get<int CVXMSettings::*>(field) = static_cast<int>(index) * 7919 - 300000;
}

bool SameValue(const CVXMSettings& a, const CVXMSettings& b, const Field& field)
{
    if (auto text = std::get_if<std::wstring CVXMSettings::*>(&field)) return a.**text == b.**text;
    auto number = std::get<int CVXMSettings::*>(field);
    return a.*number == b.*number;
}

}  // namespace

TEST_F(CStoreTest, TheValueTableHoldsEveryStoredValueOnce)
{
    const auto& values = CVXMSettings::Values();
    EXPECT_EQ(values.size(), 86u);
    std::set<std::wstring> names;
    for (const auto& v : values) EXPECT_TRUE(names.insert(v.name).second) << "twice: " << v.name;
    int unsaved = 0;
    for (const auto& v : values) unsaved += v.saved ? 0 : 1;
    EXPECT_EQ(unsaved, 1) << "only SilentMode is never written";
}

TEST_F(CStoreTest, EveryValueSavedIsLoadedBackEqual)
{
    CVXMSettings saved;
    const auto& values = CVXMSettings::Values();
    for (size_t i = 0; i < values.size(); ++i) SetDistinct(saved, values[i].field, i);
    ASSERT_TRUE(saved.Save());

    Restart();
    CVXMSettings loaded;
    loaded.Load();
    for (const auto& v : values) {
        if (!v.saved) continue;
        EXPECT_TRUE(SameValue(saved, loaded, v.field)) << "value " << v.name;
    }
    EXPECT_EQ(loaded.SilentMode, 0) << "SilentMode is not written";
}

TEST_F(CStoreTest, AFirstStartKeepsTheDefaultsAndWritesNothing)
{
    CVXMSettings defaults;
    CVXMSettings loaded;
    loaded.Load();
    for (const auto& v : CVXMSettings::Values()) EXPECT_TRUE(SameValue(defaults, loaded, v.field)) << v.name;
    EXPECT_FALSE(std::filesystem::exists(m_settings));
    EXPECT_EQ(loaded.SubScale, 100);
    EXPECT_EQ(loaded.SkinDir, L"skin-blue");
    EXPECT_EQ(loaded.LangID, L"auto");
    EXPECT_EQ(loaded.SimConversionTasks, 1);
    EXPECT_EQ(loaded.SnapshotFolder, loaded.OutputFolder + L"/Snapshot");
    EXPECT_EQ(loaded.RecordOutputFolder, loaded.OutputFolder + L"/Video Recorder");
}

TEST_F(CStoreTest, AMissingValueGetsItsDefault)
{
    CVXMSettings saved;
    saved.SubScale = 55;
    saved.SkinDir = L"skin-red";
    saved.LangID = L"de";
    ASSERT_TRUE(saved.Save());
    {
        CARRegistry registry;
        ASSERT_TRUE(registry.OpenKey(L"Setting"));
        ASSERT_TRUE(registry.DeleteValue(L"SubScale"));
        ASSERT_TRUE(registry.DeleteValue(L"SkinDir"));
        ASSERT_TRUE(registry.DeleteValue(L"LangID"));
    }
    Restart();
    CVXMSettings loaded;
    loaded.LangID = L"fr";  // the object held another language
    loaded.Load();
    EXPECT_EQ(loaded.SubScale, 100);
    EXPECT_EQ(loaded.SkinDir, L"skin-blue");
    EXPECT_EQ(loaded.LangID, L"auto");
}

TEST_F(CStoreTest, AWrongTypedValueGetsItsDefault)
{
    CVXMSettings saved;
    saved.SubScale = 55;
    saved.SkinDir = L"skin-red";
    ASSERT_TRUE(saved.Save());
    {
        CARRegistry registry;
        ASSERT_TRUE(registry.OpenKey(L"Setting"));
        ASSERT_TRUE(registry.WriteString(L"SubScale", L"55"));
        ASSERT_TRUE(registry.WriteDWORD(L"SkinDir", 3));
        const BYTE bytes[] = {1, 0, 0, 0};
        ASSERT_TRUE(registry.WriteBinary(L"RetryTimes", bytes, sizeof(bytes)));
    }
    Restart();
    CVXMSettings loaded;
    loaded.Load();
    EXPECT_EQ(loaded.SubScale, 100);
    EXPECT_EQ(loaded.SkinDir, L"skin-blue");
    EXPECT_EQ(loaded.RetryTimes, 3);
}

TEST_F(CStoreTest, SilentModeSetByHandIsReadAndSurvivesASave)
{
    {
        CARRegistry registry;
        ASSERT_TRUE(registry.CreateKey(L"Setting"));
        ASSERT_TRUE(registry.WriteDWORD(L"SilentMode", 1));
    }
    Restart();
    CVXMSettings settings;
    settings.Load();
    EXPECT_EQ(settings.SilentMode, 1);
    settings.SilentMode = 0;
    ASSERT_TRUE(settings.Save());
    Restart();
    CVXMSettings again;
    again.Load();
    EXPECT_EQ(again.SilentMode, 1) << "Save never writes SilentMode";
}

TEST_F(CStoreTest, AGarbledFileLoadsDefaultsAndTheNextSaveRepairsIt)
{
    CVXMSettings first;
    first.SubScale = 77;
    ASSERT_TRUE(first.Save());
    std::string text = coretest::ReadText(m_settings);
    {
        std::ofstream out(m_settings, std::ios::binary | std::ios::trunc);
        out << text.substr(0, text.size() / 2) << "\x01\xff garbage";
    }
    Restart();
    CVXMSettings loaded;
    loaded.Load();
    EXPECT_EQ(loaded.SubScale, 100);

    loaded.SkinDir = L"skin-green";
    ASSERT_TRUE(loaded.Save());
    Restart();
    CVXMSettings repaired;
    repaired.Load();
    EXPECT_EQ(repaired.SkinDir, L"skin-green");
    EXPECT_EQ(repaired.SubScale, 100);

    int damaged = 0;
    for (const auto& line : coretest::ReadLines(m_log))
        if (line.find("damaged") != std::string::npos) ++damaged;
    EXPECT_EQ(damaged, 1) << "one log line for the damaged file";
}

TEST_F(CStoreTest, SaveVersionWritesOnlyTheVersion)
{
    CVXMSettings settings;
    settings.SaveVersion(L"Vexmora Professional 1.0.0");
    CARRegistry registry(FALSE, TRUE);
    ASSERT_TRUE(registry.OpenKey(L"Setting"));
    std::wstring version;
    EXPECT_TRUE(registry.QueryString(L"Version", version));
    EXPECT_EQ(version, L"Vexmora Professional 1.0.0");
    EXPECT_FALSE(registry.ValueExists(L"SubScale"));
}
