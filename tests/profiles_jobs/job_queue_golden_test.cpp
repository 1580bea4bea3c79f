// Job queues of representative media and profiles, compared as whole command
// lines. Paths are shown as <src> and <out>; the pass-log base as <log>.
#include <gtest/gtest.h>

#include "job_fixture.h"
#include "EngineGlobals.h"
#include "platform/module.h"
#include "support/test_media.h"
#include "VXMUtils.h"

using namespace jobtest;

namespace {

const std::string kFfmpeg = "\"" + WideToUtf8(FindToolPath(L"ffmpeg")) + "\"";
const std::string kX264 = "cabac=no:8x8dct=no:ref=2:me=umh:bframes=0:subq=6:trellis=0:weightp=0";

class JobQueueGolden : public ::testing::Test {
protected:
    JobQueueGolden() : m_scope(m_dir.Path()) {}

    COutputProfile* Named(const wchar_t* name)
    {
        return dynamic_cast<COutputProfile*>(m_scope.Manager().FindProfileByName(name));
    }
    std::unique_ptr<CVXMMediaImpl> Media(const ClipShape& shape = {})
    {
        return MakeMedia(m_dir.File("in/clip.mp4"), m_dir.File("out"), shape);
    }
    // The queue's lines with the folders replaced.
    std::vector<std::string> Build(CVXMMediaImpl& media, COutputProfile* profile, int expectResult = 0)
    {
        VXM_JOB_QUEUE queue;
        EXPECT_EQ(BuildMediaCommands(&media, profile, queue), expectResult);
        m_steps.clear();
        std::vector<std::string> lines;
        for (const auto& step : queue) {
            std::string line = N(step->strCmdLine);
            Replace(line, kFfmpeg, "ffmpeg");
            if (!media.m_strPassLogFile.empty()) {
                std::string log = N(media.m_strPassLogFile);
                Replace(line, log.substr(0, log.size() - 6), "<log>");
            }
            Replace(line, m_dir.File("in/clip.mp4"), "<src>");
            Replace(line, m_dir.File("out"), "<out>");
            Replace(line, m_dir.Path(), "<tmp>");
            lines.push_back(line);
            m_steps.push_back(*step);
        }
        return lines;
    }
    static void Replace(std::string& text, const std::string& what, const std::string& with)
    {
        for (std::size_t at = text.find(what); !what.empty() && at != std::string::npos;
             at = text.find(what, at + with.size()))
            text.replace(at, what.size(), with);
    }

    vxmtest::CTempDir m_dir;
    CManagerScope m_scope;
    std::vector<VXM_JOB_COMMAND> m_steps;
};

}  // namespace

TEST_F(JobQueueGolden, SinglePassMp4)
{
    auto media = Media();
    auto lines = Build(*media, m_scope.ById(0));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -pix_fmt yuv420p -y  -vf \"scale=160:120,pad=160:120:0:0\" -acodec aac "
                        "-b:a 128k -profile:a 1 -ar 44100 -ac 2 -vcodec libx264 -b:v 2000k -x264opts " + kX264 +
                        " -threads 0 \"<out>/clip_x264.mp4\" ");
    EXPECT_EQ(m_steps[0].nPassKind, PASS_ENCODE_1);
    EXPECT_EQ(N(m_steps[0].strOutput), m_dir.File("out/clip_x264.mp4"));
    EXPECT_EQ(N(media->m_strOutputFile), m_dir.File("out/clip_x264.mp4"));
    EXPECT_EQ(media->m_bDoubleLength, 0);
}

// The program's cap with the core count on "Auto": x264 gets it on its option
// text; the video decoder's threads before the input and libavcodec's (which
// also size the filter graphs) after it get a quarter, at least one.
TEST_F(JobQueueGolden, AThreadLimitIsWrittenForTheDecoderAndTheEncoder)
{
    m_scope.Manager().SetThreadLimit(8, 0);
    auto media = Media();
    auto lines = Build(*media, m_scope.ById(0));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ffmpeg -threads:v 2 -i \"file:<src>\" -threads 2 -pix_fmt yuv420p -y  -vf \"scale=160:120,pad=160:120:0:0\" "
                        "-acodec aac -b:a 128k -profile:a 1 -ar 44100 -ac 2 -vcodec libx264 -b:v 2000k -x264opts " + kX264 +
                        ":threads=8 -threads 2 \"<out>/clip_x264.mp4\" ");
    // A core count chosen by the user is written as it always was.
    m_scope.Manager().SetCPUCores(3);
    lines = Build(*media, m_scope.ById(0));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find("-threads:v"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("-x264opts " + kX264 + " -threads 3"), std::string::npos) << lines[0];
}

TEST_F(JobQueueGolden, TwoPassMp4SharesOnePassLogOutsideTheOutputFolder)
{
    auto media = Media();
    COutputProfile* profile = m_scope.ById(0);
    profile->SetEncodePass(L"2");
    auto lines = Build(*media, profile);
    ASSERT_EQ(lines.size(), 2u);
    const std::string common = "ffmpeg -i \"file:<src>\" -pix_fmt yuv420p -y  -vf \"scale=160:120,pad=160:120:0:0\" "
                               "-acodec aac -b:a 128k -profile:a 1 -ar 44100 -ac 2 -vcodec libx264 -b:v 2000k -x264opts " + kX264 +
                               " -threads 0";
    EXPECT_EQ(lines[0], common + " -passlogfile \"<log>\" -pass 1 -an  \"<out>/clip_x264.mp4\" ");
    EXPECT_EQ(lines[1], common + " -passlogfile \"<log>\" -pass 2 \"<out>/clip_x264.mp4\" ");
    EXPECT_EQ(m_steps[1].nPassKind, PASS_ENCODE_2);
    EXPECT_EQ(media->m_bDoubleLength, 1);
    EXPECT_EQ(N(media->m_strPassLogFile).rfind(m_dir.File("Temp/"), 0), 0u) << N(media->m_strPassLogFile);
}

TEST_F(JobQueueGolden, AudioOnlyMp3)
{
    ClipShape shape;
    shape.video = false;
    auto media = Media(shape);
    auto lines = Build(*media, Named(L"mp3_audio"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -y  -vn  -acodec libmp3lame -b:a 192k -ar 44100 -ac 2 -f mp3 "
                        "\"<out>/clip.mp3\" ");
}

TEST_F(JobQueueGolden, TrimCropAndRotateOnAvi)
{
    auto media = Media({1920, 1080});
    media->m_nStartTime = 500;
    media->m_nEndTime = 1500;
    media->m_nCropLeft = 8;
    media->m_nCropWidth = 1900;
    media->m_nCropHeight = 1000;
    media->m_nRotate = 1;
    COutputProfile* profile = m_scope.ById(5);  // avi, xvid 640x480
    profile->SetVideoSize(L"480x272");
    auto lines = Build(*media, profile);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -ss 0.500 -t 1.000 -y  -vf \"crop=1900:1000:8:0,transpose=1,"
                        "scale=142:272,pad=480:272:169:0,setsar=1/1\" -vcodec libxvid -b:v 1500k -bf 0 -aspect 480:272 "
                        "-acodec libmp3lame -b:a 128k -ar 44100 -ac 2 \"<out>/clip_xvid.avi\" ");
    // Where the size is automatic the frame is the crop's, shown in its shape.
    auto portrait = Media({360, 640});
    portrait->m_nCropWidth = 360;
    portrait->m_nCropHeight = 320;
    portrait->m_bFlipHorizontal = 1;
    lines = Build(*portrait, m_scope.ById(2));  // mkv, automatic size
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("-vf \"crop=360:320:0:0,hflip,scale=360:320,pad=360:320:0:0\""), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find(" -aspect 9:8 "), std::string::npos) << lines[0];
}

TEST_F(JobQueueGolden, DeinterlaceScaleAndPadVolumeOnMkv)
{
    m_scope.Settings().Deinterlace = 1;
    m_scope.Settings().InverseTelecine = 1;
    auto media = Media({1280, 720});
    COutputProfile* profile = m_scope.ById(2);  // mkv, x264
    profile->SetVideoSize(L"640x480");
    profile->SetVolume(1.5f);
    auto lines = Build(*media, profile);
    ASSERT_EQ(lines.size(), 1u);
    // The chain starts at the deinterlacer, so it stands before the pixel
    // format. The letterboxed frame is shown in its own shape.
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -af \"volume=1.50\" -vf \"kerndeint,pullup,scale=640:360,pad=640:480:0:60,setsar=1/1\" "
                        "-pix_fmt yuv420p -y  -vcodec libx264 -b:v 2000k -aspect 640:480 -x264opts " + kX264 +
                        " -acodec aac -b:a 128k -profile:a 1 -ar 48000 -ac 2 "
                        "-f matroska  \"<out>/clip_x264.mkv\" ");
    // The splitter gives the filter chain back as one argument.
    auto args = SplitJobCommandLine(m_steps[0].strCmdLine).args;
    auto vf = std::find(args.begin(), args.end(), L"-vf");
    ASSERT_NE(vf, args.end());
    EXPECT_EQ(N(*(vf + 1)), "kerndeint,pullup,scale=640:360,pad=640:480:0:60,setsar=1/1");
}

TEST_F(JobQueueGolden, ExternalAudioBecomesTheSecondInput)
{
    vxmtest::CTempDir side;
    const std::string audio = side.File("voice.mp3");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=duration=1", audio}));
    auto media = Media();
    auto track = std::make_unique<VXM_AUDIO_TRACK>();
    track->m_bExternal = 1;
    track->m_strFilePath = W(audio);
    media->m_lstAudio.push_back(std::move(track));
    media->SetStreamSelection(0, 1, -1);
    auto lines = Build(*media, m_scope.ById(0));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -i \"file:" + audio + "\" -map 0:0 -map 1:0 -pix_fmt yuv420p -y  "
                        "-vf \"scale=160:120,pad=160:120:0:0\" -acodec aac -b:a 128k -profile:a 1 -ar 44100 -ac 2 -vcodec libx264 "
                        "-b:v 2000k -x264opts " + kX264 + " -threads 0 \"<out>/clip_x264.mp4\" ");
}

TEST_F(JobQueueGolden, EmbeddedTextSubtitleIsExtractedThenBurntIn)
{
    auto media = Media();
    media->AddSubtitle(nullptr, "eng", nullptr, 2, 0x17008);  // SRT
    media->SetStreamSelection(0, -1, 0);
    auto lines = Build(*media, m_scope.ById(0));
    ASSERT_EQ(lines.size(), 2u);
    const std::string ass = N(media->m_strTempFile);
    ASSERT_EQ(ass.rfind(m_dir.File("Temp/vxmsub"), 0), 0u) << ass;
    std::string shown = ass;
    Replace(shown, m_dir.Path(), "<tmp>");
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -map 0:2 -scodec ass -y  \"" + shown + "\" ");
    EXPECT_EQ(m_steps[0].nPassKind, PASS_SUBTITLE);
    // Written as UTF-8 by the step before: no code page is named for it.
    m_scope.Manager().SetSubEncoding(1251);
    lines = Build(*media, m_scope.ById(0));
    ASSERT_EQ(lines.size(), 2u);
    shown = N(media->m_strTempFile);
    Replace(shown, m_dir.Path(), "<tmp>");
    EXPECT_NE(lines[1].find(" -vf \"ass=f='" + shown + "':position=10:font='"), std::string::npos)
        << lines[1];
}

TEST_F(JobQueueGolden, MkvCopiesTheChosenSubtitle)
{
    auto media = Media();
    media->AddSubtitle(nullptr, "eng", nullptr, 2, 0x17008);
    media->SetStreamSelection(0, -1, 0);
    auto lines = Build(*media, m_scope.ById(2));
    ASSERT_EQ(lines.size(), 1u);  // no extraction: the stream is copied
    EXPECT_NE(lines[0].find(" -map 0:0 -map 0:1 -map 0:2 "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(" -scodec copy "), std::string::npos) << lines[0];
}

TEST_F(JobQueueGolden, DvdNtscTwoPass)
{
    auto media = Media();
    COutputProfile* profile = Named(L"dvd_ntsc");
    profile->SetEncodePass(L"2");
    auto lines = Build(*media, profile);
    ASSERT_EQ(lines.size(), 2u);
    const std::string common = "ffmpeg -i \"file:<src>\" -y  -vf \"scale=720:480,pad=720:480:0:0,setsar=8/9\" -target ntsc-dvd  -s 720x480 -r 29.97 -acodec ac3 -b:a 224k "
                               "-ar 48000 -ac 2 -passlogfile \"<log>\" -vcodec mpeg2video -b:v 6000k -trellis 1 -mbd 2 "
                               "-g 18 -aspect 4:3 -maxrate 9800k -bufsize 1835k -strict 0";
    EXPECT_EQ(lines[0], common + " -pass 1 -an  \"<out>/clip_mpeg2.mpg\" ");
    EXPECT_EQ(lines[1], common + " -pass 2 \"<out>/clip_mpeg2.mpg\" ");
    EXPECT_EQ(m_steps[0].nPassKind, PASS_MPEG_1);
    EXPECT_EQ(m_steps[1].nPassKind, PASS_MPEG_2);
}

TEST_F(JobQueueGolden, PspAvcWithThumbnail)
{
    auto media = Media();
    auto lines = Build(*media, Named(L"psp_avc"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "ffmpeg -i \"file:<src>\" -pix_fmt yuv420p -y  -vf \"scale=480:360,crop=480:272:0:44,setsar=1/1\" "
                        "-sws_flags 512 -vcodec libx264 -x264opts level=21:8x8dct=no:bframes=0:cabac=no:cqm=flat:"
                        "weightp=0:bitrate=768:threads=0 -acodec aac -b:a 128k -profile:a 1 -ar 48000 -ac 2 "
                        "\"<out>/clip_x264.mp4\" ");
    // A 2-second source gets its picture from the middle, not past its end.
    EXPECT_EQ(lines[1], "ffmpeg -ss 1.000 -y  -i \"file:<src>\" -f image2 -vframes 1 -s 160x120 -an \"<out>/clip_x264.thm\"");
    EXPECT_EQ(m_steps[1].nPassKind, PASS_THUMBNAIL);
    EXPECT_EQ(m_steps[1].nFlag, 0);
}

// A clip effect puts the effect library's chain into the filter chain; later
// effects also ask for 4:2:0 output. A missing library adds nothing.
TEST_F(JobQueueGolden, ClipEffectChainFromTheEffectLibrary)
{
    CModule library(VXM_BIN_DIR "/libprismel.so");
    ASSERT_TRUE(library.IsLoaded());
    auto effectOf = reinterpret_cast<const wchar_t* (*)(int)>(library.GetSymbol("GetEffectCmd"));
    ASSERT_NE(effectOf, nullptr);
    CModule* const kept = g_hPrismelModule;
    g_hPrismelModule = &library;
    for (int id : {1, 3}) {
        auto media = Media({640, 480});
        media->m_nEffectId = id;
        auto lines = Build(*media, m_scope.ById(5));
        ASSERT_EQ(lines.size(), 1u);
        const std::wstring chain = effectOf(id);
        EXPECT_NE(lines[0].find("-vf \"" + std::string(chain.begin(), chain.end())), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0].find("-pix_fmt yuv420p") != std::string::npos, id > 2) << lines[0];
    }
    g_hPrismelModule = kept;
}
