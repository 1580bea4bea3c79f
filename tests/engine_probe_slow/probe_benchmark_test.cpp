// Probing many small files in one process against one ffprobe process per
// file. Prints both times; the in-process probe must be the faster one.
// ffprobe starts slowly (about half a second here), so it runs on every
// tenth file and its time is scaled to the whole set.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "CmdFFplay.h"
#include "VXMMediaImpl.h"
#include "VXMUtils.h"
#include "probe_media.h"
#include "support/test_media.h"

namespace {

constexpr int kFiles = 1000;
constexpr size_t kFfprobeStride = 10;

TEST(ProbeBenchmark, ThousandFilesInProcessAgainstOneFfprobePerFile)
{
    vxmtest::CTempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < kFiles; i++) {
        const std::string source = i % 2 ? vxmtest::GetTestMedia().mp4 : vxmtest::GetTestMedia().mp3;
        files.push_back(dir.File("clip" + std::to_string(i) + (i % 2 ? ".mp4" : ".mp3")));
        std::filesystem::copy_file(source, files.back());
    }

    const auto t0 = std::chrono::steady_clock::now();
    int failures = 0;
    for (const std::string& f : files) {
        CVXMMediaImpl media;
        media.SetSourcePath(AnsiToWide(f));
        CCmdFFplay ctx;
        failures += probe_media_with_context(L"ffmpeg -i \"" + AnsiToWide(f) + L"\"", &media, &ctx) < 0;
        failures += media.m_lstAudio.size() != 1;
    }
    const double inProcess = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(failures, 0);

    const auto t1 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < files.size(); i += kFfprobeStride) {
        const std::string& f = files[i];
        std::string out;
        ASSERT_EQ(vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_format", "-show_streams", "-show_chapters", f},
                                      &out),
                  0);
    }
    const double perProcess =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count() * kFfprobeStride;

    std::printf("probe of %d files: in process %.2f s (%.2f ms each), ffprobe per file %.2f s (scaled) (%.2f ms each)\n", kFiles,
                inProcess, inProcess * 1000 / kFiles, perProcess, perProcess * 1000 / kFiles);
    EXPECT_LT(inProcess, perProcess);
}

}  // namespace
