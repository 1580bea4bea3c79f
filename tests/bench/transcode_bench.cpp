// Times a 20-second 1280x720 H.264/AAC encode five times in process and five
// times with Debian's ffmpeg on the same arguments, and prints the medians
// and their ratio (in-process / ffmpeg).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CmdFFplay.h"
#include "cmdutils.h"
#include "ffmpeg_transcode.h"
#include "platform/text.h"

namespace {

int RunShell(const std::string& cmd)
{
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main()
{
    const std::string dir = std::filesystem::temp_directory_path().string() + "/vxm_bench_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    const std::string src = dir + "/source.mkv";
    if (RunShell("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=25:duration=20 "
                 "-f lavfi -i sine=frequency=440:duration=20:sample_rate=48000 -c:v ffv1 -c:a pcm_s16le \"" +
                 src + "\"") != 0) {
        fprintf(stderr, "could not make the source clip\n");
        return 1;
    }
    const std::string args = "-nostdin -y -i \"" + src + "\" -vcodec libx264 -b:v 2000k -acodec aac -b:a 128k";

    std::vector<double> ours, theirs;
    for (int i = 0; i < 5; i++) {
        const std::string out1 = dir + "/ours.mp4", out2 = dir + "/theirs.mp4";
        {
            CCmdFFplay runner;
            std::wstring line = Utf8ToWide("ffmpeg -loglevel error " + args + " \"" + out1 + "\"");
            auto t0 = std::chrono::steady_clock::now();
            int code = run_tool_guarded(&runner, [&line](CToolContext* c) {
                return ffmpeg_transcode(const_cast<wchar_t*>(line.c_str()), static_cast<CCmdFFplay*>(c));
            });
            ours.push_back(Seconds(std::chrono::steady_clock::now() - t0));
            if (code != 0 || runner.exit_code != 0) {
                fprintf(stderr, "in-process run failed (%d)\n", runner.exit_code);
                return 1;
            }
        }
        auto t0 = std::chrono::steady_clock::now();
        if (RunShell("ffmpeg -hide_banner -loglevel error " + args + " \"" + out2 + "\"") != 0) {
            fprintf(stderr, "ffmpeg failed\n");
            return 1;
        }
        theirs.push_back(Seconds(std::chrono::steady_clock::now() - t0));
        printf("run %d: in-process %.3f s, ffmpeg %.3f s\n", i + 1, ours.back(), theirs.back());
    }
    std::filesystem::remove_all(dir);
    const double a = Median(ours), b = Median(theirs);
    printf("median in-process %.3f s, ffmpeg %.3f s, ratio %.3f\n", a, b, a / b);
    return 0;
}
