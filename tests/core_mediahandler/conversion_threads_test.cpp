// Real conversions with the core count on "Auto", set up as the program does:
// the process never holds more than twice the cores plus eight threads while
// they run (the codecs' own choice is about three times the cores each).
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
#include <vector>

namespace {

// Runs `count` conversions of one clip at once with that many simultaneous
// conversions set; the process's peak thread count while they ran.
long PeakThreadsConverting(int count)
{
    vxmtest::CTempDir dir;
    const std::string source = dir.File("Café déjà vu.mp4");
    EXPECT_TRUE(vxmtest::MakeVideoClip(source, 4.0, 640, 360));

    RegisterMediaLibrary();
    IProfileManager* manager = CreateProfileManger();
    EXPECT_TRUE(manager && manager->LoadProfiles(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml")));
    CVXMSettings settings;
    settings.CPUCores = 0;  // "Auto"
    settings.SimConversionTasks = count;
    CMediaHandler handler(CMediaHandlerServices::Default(), &settings);
    handler.ApplySettings(manager);

    std::vector<IVXMMedia*> media;
    for (int i = 0; i < count; ++i) {
        IVXMMedia* one = CreateVXMMediaObject(nullptr);
        one->SetSourcePath(Utf8ToWide(source));
        EXPECT_GE(one->Probe(), 0);
        const std::string out = dir.File("out " + std::to_string(i));
        std::filesystem::create_directory(out);
        one->SetOutputFolder(Utf8ToWide(out));
        media.push_back(one);
    }
    int finished = 0;
    CMessageWindow window([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_VXM_JOB_FINISHED) {
            ++finished;
            EXPECT_EQ(static_cast<long long>(wParam), 0);
        }
        return 0;
    });
    const long before = vxmtest::ProcessThreadCount();
    vxmtest::CThreadPeak sampler;
    for (IVXMMedia* one : media) one->StartConvert(manager->FindProfileById(0), window.Get(), 1);
    MSG msg;
    while (finished < count && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    const long peak = sampler.Stop();
    std::printf("%d at once: peak %ld threads (%ld before)\n", count, peak, before);
    for (IVXMMedia* one : media) {
        EXPECT_GT(std::filesystem::file_size(WideToUtf8(one->GetOutputPath())), 0u);
        one->Release();
    }
    UnRegisterMediaLibrary();
    return peak;
}

long Cap()
{
    return 2 * static_cast<long>(std::max(1u, std::thread::hardware_concurrency())) + 8;
}

}  // namespace

TEST(ConversionThreads, OneConversionOnAutoStaysWithinTwiceTheCoresPlusEight)
{
    EXPECT_LE(PeakThreadsConverting(1), Cap());
}

TEST(ConversionThreads, ThreeAndFourAtOnceOnAutoStayWithinTwiceTheCoresPlusEight)
{
    EXPECT_LE(PeakThreadsConverting(3), Cap());
    EXPECT_LE(PeakThreadsConverting(4), Cap());
}
