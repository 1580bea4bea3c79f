// The engine bridge against stand-ins of the engine: what reaches the main
// window, what is released, what is refused.
#include "MediaHandler.h"
#include "VXMSettings.h"
#include "handler_fakes.h"
#include "platform/messages.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct CReceived {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::wstring text;  // the path carried by the message, read on arrival
};

// A main window of the test thread that notes the handler's messages.
class CMainWindow {
public:
    CMainWindow()
        : m_window([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
              CReceived r{msg, wParam, lParam, {}};
              if (msg == WM_VXM_IMPORT_CUE) r.text = reinterpret_cast<const wchar_t*>(wParam);
              if (msg == WM_VXM_ITUNES_ADD_FAILED || msg == WM_VXM_TRACK_INFO_FAILED) {
                  auto* path = reinterpret_cast<wchar_t*>(lParam);
                  r.text = path;
                  delete[] path;
              }
              received.push_back(r);
              return 0;
          })
    {
    }
    HWND Get() const { return m_window.Get(); }
    void Pump() { PumpThreadMessages(); }

    std::vector<CReceived> received;

private:
    CMessageWindow m_window;
};

class CFakeMedia : public CStubMedia {
public:
    int probeResult = 0;
    int convertState = 0;
    int isProtected = 0;
    int clipLength = 5000;
    std::wstring outputFolder;
    std::vector<std::string> calls;
    bool* released = nullptr;

    int Probe() override { calls.push_back("Probe"); return probeResult; }
    void Release() override
    {
        if (released) *released = true;
        delete this;
    }
    void SetSourcePath(const std::wstring& path) override { source = path; }
    std::wstring GetSourcePath() const override { return source; }
    int GetClipLength() const override { return clipLength; }
    void SetEndTime(int ms) override { calls.push_back("SetEndTime=" + std::to_string(ms)); }
    int GetConvertState() override { return convertState; }
    int IsProtected() override { return isProtected; }
    std::wstring GetOutputFolder() const override { return outputFolder; }
    void SetOutputFolder(const std::wstring& folder) override
    {
        outputFolder = folder;
        calls.push_back("SetOutputFolder");
    }
    void StopPreview() override { calls.push_back("StopPreview"); }
    void StartConvert(IProfile* profile, HWND hNotify, int flag) override
    {
        calls.push_back("StartConvert");
        convertProfile = profile;
        convertWindow = hNotify;
        convertFlag = flag;
    }

    std::wstring source;
    IProfile* convertProfile = nullptr;
    HWND convertWindow = nullptr;
    int convertFlag = 0;
};

class CFakeProfile : public CStubProfile {
public:
    std::wstring GetFolder() const override { return L"iPhone"; }
};

class CHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.OutputFolder = Utf8ToWideText(m_dir.File("out"));
        m_services = CMediaHandlerServices::Default();
        m_services.createProfileManager = [this]() -> IProfileManager* { return &m_manager; };
        m_services.createMedia = [this](IVXMMedia*) -> IVXMMedia* {
            ++m_created;
            auto* media = new CFakeMedia();
            media->probeResult = m_probeResult;
            media->released = &m_released;
            m_lastMedia = media;
            return media;
        };
        m_services.isWritableVolume = [this](const std::wstring& path) {
            m_volumeChecks.push_back(path);
            return m_writable;
        };
        m_services.errorBox = [this](HWND owner, const std::wstring& text, const std::wstring& caption) {
            m_boxes.push_back({owner, text, caption});
        };
        m_services.dataFolder = [this] { return Utf8ToWideText(m_dir.Path()); };
        m_services.programFolder = [this] { return Utf8ToWideText(m_dir.Path()); };
    }

    static std::wstring Utf8ToWideText(const std::string& s) { return std::wstring(s.begin(), s.end()); }

    std::wstring MakeFile(const std::string& name)
    {
        std::ofstream(m_dir.File(name)) << "x";
        return Utf8ToWideText(m_dir.File(name));
    }

    std::unique_ptr<CMediaHandler> MakeHandler()
    {
        auto handler = std::make_unique<CMediaHandler>(m_services, &m_settings);
        handler->Init(m_window.Get());
        return handler;
    }

    struct CBox {
        HWND owner;
        std::wstring text, caption;
    };

    vxmtest::CTempDir m_dir;
    CVXMSettings m_settings;
    CRecordingProfileManager m_manager;
    CMediaHandlerServices m_services;
    CMainWindow m_window;
    int m_created = 0;
    int m_probeResult = 0;
    bool m_released = false;
    CFakeMedia* m_lastMedia = nullptr;
    bool m_writable = true;
    std::vector<std::wstring> m_volumeChecks;
    std::vector<CBox> m_boxes;
};

// ---- adding files ----------------------------------------------------------

TEST_F(CHandlerTest, ACueSheetIsHandedToTheMainWindowAndMakesNoMedia)
{
    auto handler = MakeHandler();
    std::wstring cue = MakeFile("album.cue");
    EXPECT_EQ(handler->AddFile(cue, 7, 0), nullptr);
    ASSERT_EQ(m_window.received.size(), 1u);
    EXPECT_EQ(m_window.received[0].msg, WM_VXM_IMPORT_CUE);
    EXPECT_EQ(m_window.received[0].text, cue);
    EXPECT_EQ(m_window.received[0].lParam & 0xFFFF, 7);
    EXPECT_EQ(m_created, 0);
}

TEST_F(CHandlerTest, ACueExtensionInCapitalsIsOpenedAsMedia)
{
    auto handler = MakeHandler();
    IVXMMedia* media = handler->AddFile(MakeFile("ALBUM.CUE"), 0, 0);
    ASSERT_NE(media, nullptr);
    m_window.Pump();
    ASSERT_EQ(m_window.received.size(), 1u);
    EXPECT_EQ(m_window.received[0].msg, WM_VXM_MEDIA_LOADED);
    media->Release();
}

TEST_F(CHandlerTest, AMissingFileMakesNoMedia)
{
    auto handler = MakeHandler();
    EXPECT_EQ(handler->AddFile(Utf8ToWideText(m_dir.File("gone.mp4")), 0, 0), nullptr);
    EXPECT_EQ(m_created, 0);
}

TEST_F(CHandlerTest, AFailedProbeReleasesTheMediaAndPostsOnlyWhy)
{
    m_probeResult = -4;
    auto handler = MakeHandler();
    const std::wstring path = MakeFile("broken.mp4");
    EXPECT_EQ(handler->AddFile(path, 0, 0), nullptr);
    EXPECT_EQ(m_created, 1);
    EXPECT_TRUE(m_released);
    m_window.Pump();
    ASSERT_EQ(m_window.received.size(), 1u);
    EXPECT_EQ(m_window.received[0].msg, WM_VXM_MEDIA_REFUSED);
    std::unique_ptr<CRefusedMedia> refused(reinterpret_cast<CRefusedMedia*>(m_window.received[0].wParam));
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->path, path);
    EXPECT_EQ(refused->why, VXM_PROBE_NOT_MEDIA);
}

TEST_F(CHandlerTest, ALoadedMediaIsPostedWithItsPositionAndFlags)
{
    auto handler = MakeHandler();
    std::wstring path = MakeFile("clip.mp4");
    IVXMMedia* media = handler->AddFile(path, -1, 8);
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(m_lastMedia->source, path);
    EXPECT_EQ(m_lastMedia->calls, (std::vector<std::string>{"Probe", "SetEndTime=5000"}));
    EXPECT_TRUE(m_window.received.empty());  // posted, not sent
    m_window.Pump();
    ASSERT_EQ(m_window.received.size(), 1u);
    EXPECT_EQ(m_window.received[0].msg, WM_VXM_MEDIA_LOADED);
    EXPECT_EQ(reinterpret_cast<IVXMMedia*>(m_window.received[0].wParam), media);
    EXPECT_EQ(static_cast<DWORD>(m_window.received[0].lParam), 0x0008FFFFu);
    media->Release();
}

TEST_F(CHandlerTest, ALoadedMediaTheWindowNeverReadIsReleasedWithTheWindow)
{
    auto window = std::make_unique<CMainWindow>();
    CMediaHandler handler(m_services, &m_settings);
    handler.Init(window->Get());
    ASSERT_NE(handler.AddFile(MakeFile("clip.mp4"), -1, 0), nullptr);
    EXPECT_FALSE(m_released);
    window.reset();
    EXPECT_TRUE(m_released);
    EXPECT_TRUE(m_window.received.empty());
}

TEST_F(CHandlerTest, ARelativeNameIsTakenAsAFileOfTheWorkingFolder)
{
    auto handler = MakeHandler();
    std::wstring whole = MakeFile("pipe:0");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    IVXMMedia* media = handler->AddFile(L"pipe:0", -1, 0);
    std::filesystem::current_path(before);
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(m_lastMedia->source, whole);
    m_window.Pump();
    media->Release();
}

TEST_F(CHandlerTest, AMediaThatNoWindowCanTakeIsReleased)
{
    auto handler = std::make_unique<CMediaHandler>(m_services, &m_settings);
    HWND gone;
    {
        CMessageWindow window([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        gone = window.Get();
    }
    handler->Init(gone);
    EXPECT_EQ(handler->LoadMediaFile(MakeFile("clip.mp4"), 0, 0), nullptr);
    EXPECT_TRUE(m_released);
}

// ---- converting ------------------------------------------------------------

TEST_F(CHandlerTest, ConvertingStopsThePreviewAndStartsTheJobInTheProfileFolder)
{
    auto handler = MakeHandler();
    CFakeMedia media;
    CFakeProfile profile;
    EXPECT_TRUE(handler->ConvertMedia(&media, &profile));
    EXPECT_EQ(media.outputFolder, Utf8ToWideText(m_dir.File("out")) + L"/iPhone");
    EXPECT_EQ(media.calls, (std::vector<std::string>{"SetOutputFolder", "StopPreview", "StartConvert"}));
    EXPECT_EQ(media.convertProfile, &profile);
    EXPECT_EQ(media.convertWindow, m_window.Get());
    EXPECT_EQ(media.convertFlag, 1);
}

TEST_F(CHandlerTest, ConvertingARunningItemIsRefused)
{
    auto handler = MakeHandler();
    CFakeMedia media;
    media.convertState = 1;
    CFakeProfile profile;
    EXPECT_FALSE(handler->ConvertMedia(&media, &profile));
    EXPECT_TRUE(media.calls.empty());
}

TEST_F(CHandlerTest, ConvertingAProtectedItemIsRefused)
{
    auto handler = MakeHandler();
    CFakeMedia media;
    media.isProtected = 1;
    CFakeProfile profile;
    EXPECT_FALSE(handler->ConvertMedia(&media, &profile));
    EXPECT_TRUE(media.calls.empty());
}

TEST_F(CHandlerTest, AnUnwritableOutputVolumeIsRefusedWithTheMessage)
{
    m_writable = false;
    auto handler = MakeHandler();
    CFakeMedia media;
    CFakeProfile profile;
    EXPECT_FALSE(handler->ConvertMedia(&media, &profile));
    ASSERT_EQ(m_boxes.size(), 1u);
    std::wstring folder = Utf8ToWideText(m_dir.File("out")) + L"/iPhone";
    EXPECT_EQ(m_boxes[0].text, L"The output folder " + folder +
                                   L" cannot be written to. Please choose another output folder and try again.");
    EXPECT_EQ(m_boxes[0].caption, L"Vexmora Professional");
    EXPECT_EQ(m_boxes[0].owner, m_window.Get());
    EXPECT_TRUE(media.calls.empty());
}

TEST_F(CHandlerTest, AnItemWithItsOwnOutputFolderIsNotTested)
{
    m_writable = false;
    auto handler = MakeHandler();
    CFakeMedia media;
    media.outputFolder = L"/media/cdrom";
    CFakeProfile profile;
    EXPECT_TRUE(handler->ConvertMedia(&media, &profile));
    EXPECT_TRUE(m_volumeChecks.empty());
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(media.outputFolder, L"/media/cdrom");
}

// ---- catalogue and settings ------------------------------------------------

TEST_F(CHandlerTest, ACatalogueThatFailsToLoadIsNotKept)
{
    m_manager.loadResult = false;
    CMediaHandler handler(m_services, &m_settings);
    EXPECT_FALSE(handler.Init(m_window.Get()));
    EXPECT_EQ(handler.GetProfileManager(), nullptr);
    EXPECT_EQ(m_manager.loadedPath, Utf8ToWideText(m_dir.Path()) + L"/data/profiles.xml");
    m_manager.loadResult = true;
    EXPECT_TRUE(handler.Init(m_window.Get()));
    EXPECT_EQ(handler.GetProfileManager(), &m_manager);
}

TEST_F(CHandlerTest, NoManagerMeansNoInit)
{
    m_services.createProfileManager = []() -> IProfileManager* { return nullptr; };
    CMediaHandler handler(m_services, &m_settings);
    EXPECT_FALSE(handler.Init(m_window.Get()));
}

TEST_F(CHandlerTest, SettingsReachTheEngineInOrderWithFlagsAsZeroOrOne)
{
    m_settings.OUT_VOLUME = 3;
    m_settings.ObjectType = 2;
    m_settings.MP3Encode = 1;
    m_settings.MP3VBRQuality = 6;
    m_settings.MP3Volume = 90;
    m_settings.AudioQuality = 2;
    m_settings.UseNVidiaCUDA = 5;
    m_settings.CPUCores = 4;
    m_settings.UseOpenCL = 0;
    m_settings.FitToWidth = 7;
    m_settings.FitToHeight = 0;
    m_settings.Expand2VideoSize = 1;
    m_settings.RoundTo16Pixels = -1;
    m_settings.Deinterlace = 1;
    m_settings.MP4FastStart = 0;
    m_settings.SubFontFile = L"/fonts/a.ttf";
    m_settings.SubScale = 120;
    m_settings.SubPosition = 9;
    m_settings.SubEncoding = 3;
    m_settings.bForceColor = 2;
    m_settings.bForceBold = 1;
    m_settings.bForceItalic = 0;
    m_settings.bForceUnderline = 1;
    m_settings.bForceStrikeOut = 0;
    m_settings.bForceShadow = 1;
    m_settings.Shadow = 4;
    m_settings.bForceOutLine = 1;
    m_settings.OutLine = 2;
    m_settings.OutLineColor = 255;
    m_settings.PrimaryColour = 65280;
    m_settings.pixel_aspect = 11;
    m_settings.line_spacing = 12;
    m_settings.AddVCodecName = 9;
    m_settings.IsUseSrcFileTime = 1;
    m_settings.DVDUseDravel = 0;
    CMediaHandler handler(m_services, &m_settings);
    ASSERT_TRUE(handler.Init(m_window.Get()));
    const std::vector<std::string> expected = {
        "SetOutVolume=3", "SetObjectType=2", "SetMP3Encode=1", "SetMP3VBRQuality=6", "SetMP3Volume=90",
        "SetAudioQuality=2", "SetUseNVidiaCUDA=1", "SetCPUCores=4", "SetThreadLimit=0", "SetUseOpenCL=0", "SetFitToWidth=1",
        "SetFitToHeight=0", "SetExpand2VideoSize=1", "SetRoundTo16Pixels=1", "SetDeinterlace=1", "SetMP4FastStart=0",
        "SetSubFontFile=/fonts/a.ttf", "SetSubScale=120", "SetSubPosition=9", "SetSubEncoding=3", "SetForceColor=2",
        "SetForceBold=1", "SetForceItalic=0", "SetForceUnderline=1", "SetForceStrikeOut=0", "SetForceShadow=1",
        "SetShadow=4", "SetForceOutLine=1", "SetOutLine=2", "SetOutLineColor=255", "SetPrimaryColour=65280",
        "SetPixelAspect=11", "SetLineSpacing=12", "SetAddVCodecName=1", "SetUseSrcFileTime=1", "SetDVDUseDravel=0"};
    EXPECT_EQ(m_manager.calls, expected);
}

// ---- downloads ----------------------------------------------------------------

class CRecordingDownloader : public IVXMDownloader {
public:
    std::vector<std::string> calls;
    int AddDownload(const std::wstring& address, IVXMMedia*, const std::wstring& folder, const std::wstring&, int format,
                    int flags) override
    {
        calls.push_back("AddDownload " + std::string(address.begin(), address.end()) + " " +
                        std::string(folder.begin(), folder.end()) + " " + std::to_string(format) + " " +
                        std::to_string(flags));
        return 1;
    }
    void CancelDownload(IVXMMedia*) override {}
    int StartDownloads() override { calls.push_back("StartDownloads"); return 1; }
    void Release() override { delete this; }
    void SetRetryTimes(int n) override { calls.push_back("SetRetryTimes " + std::to_string(n)); }
    void SetYTUser(const std::wstring&) override { calls.push_back("SetYTUser"); }
    void SetYTPasswd(const std::wstring&) override { calls.push_back("SetYTPasswd"); }
    void SetNicoUser(const std::wstring&) override { calls.push_back("SetNicoUser"); }
    void SetNicoPasswd(const std::wstring&) override { calls.push_back("SetNicoPasswd"); }
    void SetFaceBookUser(const std::wstring&) override { calls.push_back("SetFaceBookUser"); }
    void SetFaceBookPasswd(const std::wstring&) override { calls.push_back("SetFaceBookPasswd"); }
    void SetUseTitleAsFileName(int use) override { calls.push_back("SetUseTitleAsFileName " + std::to_string(use)); }
    void SetWorkFolder(const std::wstring& f) override { calls.push_back("SetWorkFolder " + std::string(f.begin(), f.end())); }
    void SetProxy(const std::wstring& s, const std::wstring& p) override
    {
        calls.push_back("SetProxy " + std::string(s.begin(), s.end()) + ":" + std::string(p.begin(), p.end()));
    }
    int GetToolVersion() override { return 0; }
};

TEST_F(CHandlerTest, ADownloadGivesTheAccountsThenQueuesAndStarts)
{
    CRecordingDownloader* downloader = nullptr;
    m_services.createDownloader = [&](const std::wstring&, HWND) -> IVXMDownloader* {
        downloader = new CRecordingDownloader();
        return downloader;
    };
    m_settings.ProxyServer = L"proxy";
    m_settings.ProxyPort = L"8080";
    m_settings.RetryTimes = 4;
    m_settings.UseTitleAsFileName = 3;
    m_settings.OnlineFMT = 2;
    auto handler = MakeHandler();
    ASSERT_NE(downloader, nullptr);
    CFakeMedia media;
    media.source = L"https://example.invalid/v";
    EXPECT_TRUE(handler->DownloadMedia(&media, 4));
    std::string out(m_settings.OutputFolder.begin(), m_settings.OutputFolder.end());
    std::string work = m_dir.Path() + "/";
    const std::vector<std::string> expected = {
        "SetWorkFolder " + work, "SetProxy proxy:8080", "SetNicoUser", "SetNicoPasswd", "SetFaceBookUser",
        "SetFaceBookPasswd", "SetYTUser", "SetYTPasswd", "SetRetryTimes 4", "SetUseTitleAsFileName 1",
        "AddDownload https://example.invalid/v " + out + " 2 4", "StartDownloads"};
    EXPECT_EQ(downloader->calls, expected);
}

// ---- iTunes (not on this system) ----------------------------------------------

TEST_F(CHandlerTest, AnExportToiTunesReportsItIsNotInstalledWithItsOwnCopyOfThePath)
{
    auto handler = MakeHandler();
    EXPECT_FALSE(handler->IsiTunesInstalled());
    std::wstring first = MakeFile("a.m4a");
    std::wstring second = MakeFile("b.m4a");
    handler->AddToiTunes(first);
    handler->AddToiTunes(second);  // must not free the first message's text
    handler->QueryiTunesTrackInfo(second);
    m_window.Pump();
    ASSERT_EQ(m_window.received.size(), 3u);
    EXPECT_EQ(m_window.received[0].msg, WM_VXM_ITUNES_ADD_FAILED);
    EXPECT_EQ(static_cast<int>(m_window.received[0].wParam), -1);
    EXPECT_EQ(m_window.received[0].text, first);
    EXPECT_EQ(m_window.received[1].text, second);
    EXPECT_EQ(m_window.received[2].msg, WM_VXM_TRACK_INFO_FAILED);
    EXPECT_EQ(m_window.received[2].text, second);
}

TEST_F(CHandlerTest, AnExportOfAMissingFileSendsNothing)
{
    auto handler = MakeHandler();
    handler->AddToiTunes(Utf8ToWideText(m_dir.File("none.m4a")));
    m_window.Pump();
    EXPECT_TRUE(m_window.received.empty());
}

// ---- DVD -------------------------------------------------------------------------

class CFakeDVD : public CStubDVDFile {
public:
    explicit CFakeDVD(int& released) : m_released(released) {}
    void SetPath(const std::wstring& p) override { path = p; }
    void SetWorkFolder(const std::wstring& f) override { folder = f; }
    void Release() override
    {
        ++m_released;
        delete this;
    }
    std::wstring path, folder;

private:
    int& m_released;
};

TEST_F(CHandlerTest, ADVDSourceGetsItsPathAndWorkFolderAndTheLastOneIsReleasedAtTheEnd)
{
    int released = 0;
    m_services.createDVDFile = [&]() -> IVXMDVDFile* { return new CFakeDVD(released); };
    {
        auto handler = MakeHandler();
        auto* dvd = static_cast<CFakeDVD*>(handler->OpenDVD(L"/media/dvd"));
        ASSERT_NE(dvd, nullptr);
        EXPECT_EQ(dvd->path, L"/media/dvd");
        EXPECT_EQ(dvd->folder, Utf8ToWideText(m_dir.Path()));
        handler->OpenDVD(L"/media/dvd2");
        EXPECT_EQ(released, 1);
    }
    EXPECT_EQ(released, 2);
}

}  // namespace
