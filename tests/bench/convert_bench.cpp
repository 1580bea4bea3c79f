// Benchmark of one conversion (not a test): a 10-second 1280x720 H.264/AAC clip
// converted with the MP4 (H.264) profile through the program's settings, with
// the core count on "Auto" and with the codecs' own thread choice, five times
// each in turn. Prints each run's time and the process's peak thread count.
//   cmake --build <build> --target bench_convert && <build>/tests/bench_convert [runs]
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct CRun {
    double seconds = 0;
    long peak = 0;
    long long result = -100;
};

// Converts once; the peak leaves out the sampling thread.
CRun Convert(IProfileManager* manager, const std::string& source, const std::string& out)
{
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(source));
    media->Probe();
    media->SetOutputFolder(Utf8ToWide(out));
    CRun run;
    bool finished = false;
    CMessageWindow window([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_VXM_JOB_FINISHED) {
            finished = true;
            run.result = static_cast<long long>(wParam);
        }
        return 0;
    });
    vxmtest::CThreadPeak sampler;
    const auto start = std::chrono::steady_clock::now();
    media->StartConvert(manager->FindProfileById(0), window.Get(), 1);
    MSG msg;
    while (!finished && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak = sampler.Stop();
    std::filesystem::remove(WideToUtf8(media->GetOutputPath()));
    media->Release();
    return run;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    vxmtest::CTempDir dir;
    const std::string source = dir.File("source.mp4");
    if (!vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=10", "-f", "lavfi", "-i",
                             "sine=frequency=440:duration=10:sample_rate=48000", "-c:v", "libx264", "-preset", "fast",
                             "-b:v", "5000k", "-c:a", "aac", source})) {
        std::printf("ffmpeg could not make the clip\n");
        return 1;
    }
    std::filesystem::create_directory(dir.File("out"));
    RegisterMediaLibrary();
    IProfileManager* manager = CreateProfileManger();
    if (!manager || !manager->LoadProfiles(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml"))) {
        std::printf("the catalogue did not load\n");
        return 1;
    }
    CVXMSettings settings;
    settings.SimConversionTasks = 1;
    CMediaHandler handler(CMediaHandlerServices::Default(), &settings);
    const char* names[2] = {"core count on Auto", "the codecs' own choice"};
    std::vector<double> times[2];
    long peaks[2] = {0, 0};
    for (int i = 0; i < runs; ++i) {
        for (int mode = 0; mode < 2; ++mode) {
            settings.CPUCores = 0;
            handler.ApplySettings(manager);
            if (mode == 1) manager->SetThreadLimit(0, 0);
            const CRun run = Convert(manager, source, dir.File("out"));
            times[mode].push_back(run.seconds);
            peaks[mode] = std::max(peaks[mode], run.peak);
            std::printf("run %d, %s: %.2f s, peak threads %ld%s\n", i + 1, names[mode], run.seconds, run.peak,
                        run.result == 0 ? "" : " (FAILED)");
        }
    }
    for (int mode = 0; mode < 2; ++mode)
        std::printf("%s: median %.2f s, peak threads %ld\n", names[mode], Median(times[mode]), peaks[mode]);
    UnRegisterMediaLibrary();
    return 0;
}
