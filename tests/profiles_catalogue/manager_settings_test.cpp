// The engine settings held by the profile manager, its folders, and the one
// shared manager behind CreateProfileManger.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <functional>
#include <string>
#include <vector>

#include "EngineGlobals.h"
#include "EngineHooks.h"
#include "ProfileManager.h"
#include "VXMMediaExports.h"
#include "VXMUtils.h"
#include "support/test_media.h"

namespace {

struct IntSetting {
    const char* name;
    std::function<void(CProfileManager&, int)> set;
    std::function<int(const VXM_ENGINE_SETTINGS&)> get;
};

#define VXM_INT_SETTING(setter, field) \
    IntSetting{#setter, [](CProfileManager& m, int v) { m.setter(v); }, [](const VXM_ENGINE_SETTINGS& s) { return s.field; }}

std::vector<IntSetting> IntSettings()
{
    return {
        VXM_INT_SETTING(SetCPUCores, CPUCores),
        VXM_INT_SETTING(SetUseOpenCL, UseOpenCL),
        VXM_INT_SETTING(SetUseSrcFileTime, IsUseSrcFileTime),
        VXM_INT_SETTING(SetDeinterlace, Deinterlace),
        VXM_INT_SETTING(SetInverseTelecine, InverseTelecine),
        VXM_INT_SETTING(SetFitToWidth, FitToWidth),
        VXM_INT_SETTING(SetFitToHeight, FitToHeight),
        VXM_INT_SETTING(SetExpand2VideoSize, Expand2VideoSize),
        VXM_INT_SETTING(SetRoundTo16Pixels, RoundTo16Pixels),
        VXM_INT_SETTING(SetMP4FastStart, MP4FastStart),
        VXM_INT_SETTING(SetOutVolume, OUT_VOLUME),
        VXM_INT_SETTING(SetMPEGType, MPEGType),
        VXM_INT_SETTING(SetObjectType, ObjectType),
        VXM_INT_SETTING(SetMP3Encode, MP3Encode),
        VXM_INT_SETTING(SetMP3VBRQuality, MP3VBRQuality),
        VXM_INT_SETTING(SetMP3Volume, MP3Volume),
        VXM_INT_SETTING(SetAudioQuality, AudioQuality),
        VXM_INT_SETTING(SetSubEncoding, subtitle.nEncoding),
        VXM_INT_SETTING(SetForceColor, subtitle.bForceColor),
        VXM_INT_SETTING(SetForceBold, subtitle.bForceBold),
        VXM_INT_SETTING(SetForceItalic, subtitle.bForceItalic),
        VXM_INT_SETTING(SetForceUnderline, subtitle.bForceUnderline),
        VXM_INT_SETTING(SetForceStrikeOut, subtitle.bForceStrikeOut),
        VXM_INT_SETTING(SetForceShadow, subtitle.bForceShadow),
        VXM_INT_SETTING(SetShadow, subtitle.nShadow),
        VXM_INT_SETTING(SetForceOutLine, subtitle.bForceOutLine),
        VXM_INT_SETTING(SetOutLine, subtitle.nOutLine),
        VXM_INT_SETTING(SetOutLineColor, subtitle.nOutLineColor),
        VXM_INT_SETTING(SetPrimaryColour, subtitle.nPrimaryColour),
        VXM_INT_SETTING(SetPixelAspect, subtitle.nPixelAspect),
        VXM_INT_SETTING(SetLineSpacing, subtitle.nLineSpacing),
        VXM_INT_SETTING(SetAddVCodecName, AddVCodecName),
        VXM_INT_SETTING(SetDVDUseDravel, DVDUseDravel),
    };
}

class ManagerSettings : public ::testing::Test {
protected:
    vxmtest::CTempDir dir;
    CProfileManager manager{AnsiToWide(dir.File("output"))};
};

TEST_F(ManagerSettings, EachSetterStoresItsOwnSettingUnchanged)
{
    const auto settings = IntSettings();
    // Distinct values, negative and large ones too: no range checks.
    for (std::size_t i = 0; i < settings.size(); ++i)
        settings[i].set(manager, static_cast<int>(i) * 1000 - 7);
    for (std::size_t i = 0; i < settings.size(); ++i)
        EXPECT_EQ(settings[i].get(manager.GetSettings()), static_cast<int>(i) * 1000 - 7) << settings[i].name;

    manager.SetX264Options(L"level=41:ref=4");
    manager.SetSubFontFile(L"/usr/share/fonts/a b.ttf");
    EXPECT_EQ(manager.GetSettings().X264Options, L"level=41:ref=4");
    EXPECT_EQ(manager.GetSettings().subtitle.strFontFile, L"/usr/share/fonts/a b.ttf");
}

TEST_F(ManagerSettings, ScaleAndPositionAreTruncatedTowardZero)
{
    manager.SetSubScale(99.9);
    manager.SetSubPosition(-0.5);
    EXPECT_EQ(manager.GetSettings().subtitle.nScale, 99);
    EXPECT_EQ(manager.GetSettings().subtitle.nPosition, 0);
    manager.SetSubPosition(-12.7);
    EXPECT_EQ(manager.GetSettings().subtitle.nPosition, -12);
    manager.SetSubScale(1e300);  // out of range: no undefined conversion
    EXPECT_EQ(manager.GetSettings().subtitle.nScale, 0);
}

TEST_F(ManagerSettings, HardwareEncodingStaysOffWithoutSupport)
{
    manager.SetUseNVidiaCUDA(1);
    EXPECT_EQ(manager.GetSettings().UseNVidiaCUDA, IsCUDASupported() ? 1 : 0);
    manager.SetUseNVidiaCUDA(0);
    EXPECT_EQ(manager.GetSettings().UseNVidiaCUDA, 0);
}

TEST_F(ManagerSettings, DefaultsAreThoseTheBuildersExpect)
{
    const VXM_ENGINE_SETTINGS& s = manager.GetSettings();
    EXPECT_EQ(s.CPUCores, 0);
    EXPECT_EQ(s.FitToWidth, 1);
    EXPECT_EQ(s.Expand2VideoSize, 1);
    EXPECT_EQ(s.AddVCodecName, 1);
    EXPECT_EQ(s.MPEGType, 1);
    EXPECT_EQ(s.MP3VBRQuality, 4);
    EXPECT_EQ(s.DVDUseDravel, 1);
    EXPECT_EQ(s.X264Options, L"cabac=no:8x8dct=no:ref=2:me=umh:bframes=0:subq=6:trellis=0:weightp=0");
    EXPECT_EQ(s.subtitle.nScale, 100);
    EXPECT_EQ(s.subtitle.nPosition, 10);
    EXPECT_EQ(s.subtitle.nEncoding, 1);
    EXPECT_FALSE(s.subtitle.strFontFile.empty());
}

TEST_F(ManagerSettings, FoldersFollowTheOutputFolderAndTempGoesWithTheManager)
{
    const std::string temp = dir.File("own/output/Temp");
    {
        CProfileManager own(AnsiToWide(dir.File("own/output")));
        EXPECT_EQ(own.GetSettings().strOutputFolder, AnsiToWide(dir.File("own/output")));
        EXPECT_EQ(own.GetSettings().strSnapshotFolder, AnsiToWide(dir.File("own/output/Snapshot")));
        EXPECT_EQ(own.GetSettings().strTempFolder, AnsiToWide(temp));
        ASSERT_TRUE(std::filesystem::is_directory(temp));
        std::ofstream(temp + "/part.avi") << "x";
    }
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("own/output")));
}

// The shared manager, in a home of its own so the user's folders stay untouched.
class SharedManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", dir.Path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override
    {
        if (g_pProfileManager)
            g_pProfileManager->Release();
        for (const auto& [name, value] : saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    vxmtest::CTempDir dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(SharedManager, OneManagerUntilReleasedThenANewOne)
{
    ASSERT_NE(g_EngineHooks.pfnNewProfileManager, nullptr);
    IProfileManager* first = CreateProfileManger();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CreateProfileManger(), first);
    ASSERT_NE(GetProfileManager(), nullptr);
    EXPECT_EQ(GetEngineSettings(), &GetProfileManager()->GetSettings());
    EXPECT_EQ(GetProfileManager()->GetSettings().strOutputFolder, AnsiToWide(dir.File("Vexmora Professional")));

    first->SetUseSrcFileTime(1);
    EXPECT_EQ(IsUseSrcFileTimeSet(), 1);

    first->Release();
    EXPECT_EQ(g_pProfileManager, nullptr);
    EXPECT_EQ(GetEngineSettings(), nullptr);
    EXPECT_EQ(IsUseSrcFileTimeSet(), 0);
    IProfileManager* second = CreateProfileManger();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetProfileManager()->GetSettings().IsUseSrcFileTime, 0);
}

}  // namespace
