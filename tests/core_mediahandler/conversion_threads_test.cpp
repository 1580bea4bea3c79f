// A real conversion with the core count on "Auto", set up as the program does:
// the process never holds more than twice the cores plus eight threads while
// it runs (the codecs' own choice is about three times the cores).
#include "IProfile.h"
#include "IVXMMedia.h"
#include "MediaHandler.h"
#include "VXMMediaExports.h"
#include "VXMMessageLoop.h"
#include "VXMMessages.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "support/thread_peak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

TEST(ConversionThreads, AConversionOnAutoStaysWithinTwiceTheCoresPlusEight)
{
    vxmtest::CTempDir dir;
    const std::string source = dir.File("Café déjà vu.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(source, 4.0, 640, 360));

    RegisterMediaLibrary();
    IProfileManager* manager = CreateProfileManger();
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(manager->LoadProfiles(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml")));
    CVXMSettings settings;
    settings.CPUCores = 0;  // "Auto"
    settings.SimConversionTasks = 1;
    CMediaHandler handler(CMediaHandlerServices::Default(), &settings);
    handler.ApplySettings(manager);

    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    ASSERT_NE(media, nullptr);
    media->SetSourcePath(Utf8ToWide(source));
    ASSERT_GE(media->Probe(), 0);
    media->SetOutputFolder(Utf8ToWide(dir.File("out")));
    std::filesystem::create_directory(dir.File("out"));

    long long result = -100;
    bool finished = false;
    CMessageWindow window([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_VXM_JOB_FINISHED) {
            finished = true;
            result = static_cast<long long>(wParam);
        }
        return 0;
    });
    const long before = vxmtest::ProcessThreadCount();
    vxmtest::CThreadPeak sampler;
    media->StartConvert(manager->FindProfileById(0), window.Get(), 1);
    MSG msg;
    while (!finished && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    const long peak = sampler.Stop();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(std::filesystem::file_size(WideToUtf8(media->GetOutputPath())) > 0);
    const long cores = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_LE(peak, 2 * cores + 8) << before << " threads before the conversion";
    RecordProperty("peak_threads", static_cast<int>(peak));
    std::printf("peak threads while converting: %ld (%ld before, %ld cores)\n", peak, before, cores);
    media->Release();
    UnRegisterMediaLibrary();
}
