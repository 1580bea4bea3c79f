// Benchmark of conversions (not a test): a 10-second 1280x720 H.264/AAC clip
// converted with the MP4 (H.264) profile through the program's settings, with
// the core count on "Auto" and with the codecs' own thread choice, five times
// each in turn. Prints each run's time and the process's peak thread count.
// With a number at once above one, each run converts that many copies at once
// (the program's simultaneous conversions set to it) and then runs Debian's
// ffmpeg that many times in parallel with the same settings: the batch's time
// and the peak threads of the process (of all the ffmpeg processes). With
// "stop", each run stops the conversion of a 60 s clip once a fifth is done: how
// long the engine's StopConvert (which waits for the end) takes.
//   cmake --build <build> --target bench_convert && <build>/tests/bench_convert [runs] [at once]
//   <build>/tests/bench_convert stop [runs]
#include "IProfile.h"
#include "IVXMMedia.h"
#include "MediaHandler.h"
#include "VXMMediaExports.h"
#include "VXMMessageLoop.h"
#include "VXMMessages.h"
#include "VXMSettings.h"
#include "platform/process.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "support/thread_peak.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
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

// Starts a conversion, stops it once a fifth is done; the seconds
// StopConvert took (negative when the conversion ended first).
double StopAtFirstProgress(IProfileManager* manager, const std::string& source, const std::string& out)
{
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(source));
    media->Probe();
    media->SetOutputFolder(Utf8ToWide(out));
    WPARAM progress = 0;
    bool finished = false;
    CMessageWindow window([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_VXM_CONVERT_PROGRESS) progress = wParam;
        finished = finished || message == WM_VXM_JOB_FINISHED;
        return 0;
    });
    media->StartConvert(manager->FindProfileById(0), window.Get(), 1);
    MSG msg;
    while (progress < 200 && !finished && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    const auto start = std::chrono::steady_clock::now();
    media->StopConvert();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    media->Release();
    return finished ? -1 : seconds;
}

// Converts `count` copies at once in the process.
CRun ConvertAtOnce(IProfileManager* manager, const std::string& source, const std::string& out, int count)
{
    std::vector<IVXMMedia*> media;
    for (int i = 0; i < count; ++i) {
        IVXMMedia* one = CreateVXMMediaObject(nullptr);
        one->SetSourcePath(Utf8ToWide(source));
        one->Probe();
        const std::string folder = out + "/" + std::to_string(i);
        std::filesystem::create_directories(folder);
        one->SetOutputFolder(Utf8ToWide(folder));
        media.push_back(one);
    }
    CRun run;
    run.result = 0;
    int finished = 0;
    CMessageWindow window([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_VXM_JOB_FINISHED) {
            ++finished;
            if (wParam != 0) run.result = static_cast<long long>(wParam);
        }
        return 0;
    });
    vxmtest::CThreadPeak sampler;
    const auto start = std::chrono::steady_clock::now();
    for (IVXMMedia* one : media) one->StartConvert(manager->FindProfileById(0), window.Get(), 1);
    MSG msg;
    while (finished < count && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak = sampler.Stop();
    for (IVXMMedia* one : media) {
        std::filesystem::remove(WideToUtf8(one->GetOutputPath()));
        one->Release();
    }
    return run;
}

long TaskCount(int pid)
{
    std::error_code ec;
    long n = 0;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/task", ec), end; !ec && it != end;
         it.increment(ec))
        ++n;
    return n;
}

// Runs Debian's ffmpeg `count` times in parallel with the profile's settings
// and its own thread choice; the peak is that of all of them together.
CRun FfmpegAtOnce(const std::string& source, const std::string& out, int count)
{
    std::vector<std::unique_ptr<CChildProcess>> children;
    CRun run;
    run.result = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        const std::vector<std::string> line = {
            "ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", source, "-pix_fmt", "yuv420p", "-vf",
            "scale=1280:720", "-acodec", "aac", "-b:a", "128k", "-profile:a", "1", "-ar", "44100", "-ac", "2",
            "-vcodec", "libx264", "-b:v", "2000k", "-x264opts",
            "cabac=no:8x8dct=no:ref=2:me=umh:bframes=0:subq=6:trellis=0:weightp=0", "-threads", "0",
            out + "/ffmpeg " + std::to_string(i) + ".mp4"};
        std::vector<std::wstring> args;
        for (const std::string& arg : line)
            args.push_back(Utf8ToWide(arg));
        CChildOptions options;
        options.stdoutMode = EChildStream::Null;
        options.stderrMode = EChildStream::Null;
        children.push_back(std::make_unique<CChildProcess>());
        if (!children.back()->Start(args, options)) run.result = -1;
    }
    for (bool running = true; running;) {
        running = false;
        long threads = 0;
        for (auto& child : children) {
            if (child->IsStarted() && !child->Wait(0)) {
                running = true;
                threads += TaskCount(child->GetPid());
            }
        }
        run.peak = std::max(run.peak, threads);
        if (running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (auto& child : children)
        if (child->GetExitCode() != 0) run.result = child->GetExitCode();
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
    const bool stop = argc > 1 && std::string(argv[1]) == "stop";
    if (stop) {
        --argc;
        ++argv;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int atOnce = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    vxmtest::CTempDir dir;
    const std::string source = dir.File("source.mp4");
    const std::string length = stop ? "60" : "10";
    if (!vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=" + length, "-f", "lavfi", "-i",
                             "sine=frequency=440:duration=" + length + ":sample_rate=48000", "-c:v", "libx264", "-preset", "fast",
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
    settings.SimConversionTasks = atOnce;
    CMediaHandler handler(CMediaHandlerServices::Default(), &settings);
    if (stop) {
        handler.ApplySettings(manager);
        std::vector<double> stops;
        for (int i = 0; i < runs; ++i) {
            stops.push_back(StopAtFirstProgress(manager, source, dir.File("out")));
            std::printf("run %d: StopConvert took %.3f s%s\n", i + 1, stops.back(), stops.back() < 0 ? " (ended first)" : "");
        }
        std::printf("StopConvert: median %.3f s\n", Median(stops));
        UnRegisterMediaLibrary();
        return 0;
    }
    if (atOnce > 1) {
        settings.CPUCores = 0;
        handler.ApplySettings(manager);
        const char* batch[2] = {"in process, core count on Auto", "Debian's ffmpeg in parallel"};
        for (int i = 0; i < runs; ++i) {
            for (int mode = 0; mode < 2; ++mode) {
                const CRun run = mode == 0 ? ConvertAtOnce(manager, source, dir.File("out"), atOnce)
                                           : FfmpegAtOnce(source, dir.File("out"), atOnce);
                std::printf("run %d, %d at once, %s: %.2f s, peak threads %ld%s\n", i + 1, atOnce, batch[mode],
                            run.seconds, run.peak, run.result == 0 ? "" : " (FAILED)");
            }
        }
        UnRegisterMediaLibrary();
        return 0;
    }
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
