#include "run_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cmdutils.h"
#include "ffmpeg_transcode.h"
#include "platform/text.h"
#include "support/test_media.h"

namespace runtest {

int RunTranscode(CCmdFFplay& runner, const std::string& line)
{
    std::wstring wide = Utf8ToWide("ffmpeg -nostdin -loglevel error " + line);
    runner.exit_code = 0;
    int result = run_tool_guarded(&runner, [&wide](CToolContext* c) {
        return ffmpeg_transcode(const_cast<wchar_t*>(wide.c_str()), static_cast<CCmdFFplay*>(c));
    });
    return runner.exit_code != 0 ? runner.exit_code : result;
}

int RunTranscode(const std::string& line)
{
    CCmdFFplay runner;
    return RunTranscode(runner, line);
}

std::vector<StreamInfo> Probe(const std::string& path)
{
    std::string out;
    int rc = vxmtest::RunProgram({"ffprobe", "-v", "error", "-count_frames", "-show_entries",
                                  "stream=codec_type,codec_name,width,height,sample_rate,channels,nb_read_frames,"
                                  "duration:format=duration",
                                  "-of", "compact=p=1:nk=0", path},
                                 &out);
    std::vector<StreamInfo> streams;
    if (rc != 0) return streams;
    std::istringstream in(out);
    std::string row;
    double format_duration = 0;
    while (std::getline(in, row)) {
        std::istringstream fields(row);
        std::string kv;
        std::getline(fields, kv, '|');
        if (kv == "format") {
            while (std::getline(fields, kv, '|'))
                if (kv.rfind("duration=", 0) == 0) format_duration = atof(kv.c_str() + 9);
            continue;
        }
        if (kv != "stream") continue;
        StreamInfo s;
        while (std::getline(fields, kv, '|')) {
            auto eq = kv.find('=');
            if (eq == std::string::npos) continue;
            std::string k = kv.substr(0, eq), v = kv.substr(eq + 1);
            if (k == "codec_type") s.type = v;
            else if (k == "codec_name") s.codec = v;
            else if (k == "width") s.width = atoi(v.c_str());
            else if (k == "height") s.height = atoi(v.c_str());
            else if (k == "sample_rate") s.sample_rate = atoi(v.c_str());
            else if (k == "channels") s.channels = atoi(v.c_str());
            else if (k == "nb_read_frames") s.frames = atol(v.c_str());
            else if (k == "duration") s.duration = atof(v.c_str());
        }
        streams.push_back(s);
    }
    for (auto& s : streams)
        if (s.duration <= 0) s.duration = format_duration;
    return streams;
}

std::vector<std::string> DecodeFrames(const std::string& path, int width, int height)
{
    vxmtest::CTempDir dir;
    std::string raw = dir.File("frames.yuv");
    std::vector<std::string> frames;
    if (!vxmtest::RunFfmpeg({"-i", path, "-f", "rawvideo", "-pix_fmt", "yuv420p", raw})) return frames;
    std::ifstream in(raw, std::ios::binary);
    const size_t size = static_cast<size_t>(width) * height * 3 / 2;
    std::string buf(size, '\0');
    while (in.read(buf.data(), static_cast<std::streamsize>(size))) frames.push_back(buf);
    return frames;
}

void ExpectSameOutput(const std::string& ours, const std::string& theirs)
{
    auto a = Probe(ours);
    auto b = Probe(theirs);
    ASSERT_FALSE(b.empty()) << theirs;
    ASSERT_EQ(a.size(), b.size()) << ours;
    for (size_t i = 0; i < a.size(); i++) {
        SCOPED_TRACE("stream " + std::to_string(i));
        EXPECT_EQ(a[i].type, b[i].type);
        EXPECT_EQ(a[i].codec, b[i].codec);
        EXPECT_EQ(a[i].width, b[i].width);
        EXPECT_EQ(a[i].height, b[i].height);
        EXPECT_EQ(a[i].sample_rate, b[i].sample_rate);
        EXPECT_EQ(a[i].channels, b[i].channels);
        if (a[i].type == "video") {
            EXPECT_NEAR(a[i].frames, b[i].frames, 1);
        }
        EXPECT_NEAR(a[i].duration, b[i].duration, 0.05);
    }
}

}  // namespace runtest
