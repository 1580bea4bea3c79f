// What a conversion's job must not do: reuse names, leave working files in
// the user's folder, write values the tools refuse, or drop the audio.
#include <gtest/gtest.h>
#include "support/test_locale.h"

#include <clocale>
#include <fstream>
#include <thread>

#include "job_fixture.h"
#include "support/test_media.h"
#include "VXMUtils.h"

using namespace jobtest;

namespace {

class JobFaults : public ::testing::Test {
protected:
    JobFaults() : m_scope(m_dir.Path()) {}

    std::unique_ptr<CVXMMediaImpl> Media(const ClipShape& shape = {})
    {
        return MakeMedia(m_dir.File("in/clip.mp4"), m_dir.File("out"), shape);
    }
    std::string Line(CVXMMediaImpl& media, COutputProfile* profile, std::size_t index = 0)
    {
        VXM_JOB_QUEUE queue;
        EXPECT_EQ(BuildMediaCommands(&media, profile, queue), 0);
        return index < queue.size() ? N(queue[index]->strCmdLine) : std::string();
    }
    COutputProfile* Named(const wchar_t* name)
    {
        return dynamic_cast<COutputProfile*>(m_scope.Manager().FindProfileByName(name));
    }
    static void Touch(const std::string& path) { std::ofstream(path).put('x'); }

    vxmtest::CTempDir m_dir;
    CManagerScope m_scope;
};

bool Has(const std::string& line, const std::string& text)
{
    return line.find(text) != std::string::npos;
}

}  // namespace

TEST_F(JobFaults, SecondConversionIntoTheSameFolderGetsTheNextName)
{
    auto first = Media();
    auto second = Media();
    Line(*first, m_scope.ById(2));
    Line(*second, m_scope.ById(2));
    EXPECT_EQ(N(first->m_strOutputFile), m_dir.File("out/clip_x264.mkv"));
    // No file exists yet: the first build's name is still reserved.
    EXPECT_EQ(N(second->m_strOutputFile), m_dir.File("out/clip_x264_001.mkv"));
}

TEST_F(JobFaults, ParallelBuildsNeverShareAName)
{
    std::vector<std::unique_ptr<CVXMMediaImpl>> media;
    for (int i = 0; i < 16; ++i)
        media.push_back(Media());
    std::vector<std::thread> threads;
    for (int i = 0; i < 16; ++i) {
        threads.emplace_back([&, i] {
            VXM_JOB_QUEUE queue;
            BuildMediaCommands(media[static_cast<std::size_t>(i)].get(), m_scope.ById(5), queue);
        });
    }
    for (auto& t : threads)
        t.join();
    std::set<std::wstring> names;
    for (auto& m : media)
        names.insert(m->m_strOutputFile);
    EXPECT_EQ(names.size(), 16u);
}

TEST_F(JobFaults, AllThousandNamesTakenGivesNoJob)
{
    CreateFolderTree(W(m_dir.File("out")));
    Touch(m_dir.File("out/clip_xvid.avi"));
    for (int i = 1; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "out/clip_xvid_%03d.avi", i);
        Touch(m_dir.File(name));
    }
    auto media = Media();
    VXM_JOB_QUEUE queue;
    EXPECT_EQ(BuildMediaCommands(media.get(), m_scope.ById(5), queue), -1);
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(media->m_strOutputFile.empty());
}

TEST_F(JobFaults, SegmentNameSkipsOutputsOfQueuedSteps)
{
    auto media = Media();
    VXM_JOB_QUEUE queue;
    CFFMpegOpts opts;
    opts.AddJobCommand(queue, PASS_PLAIN, L"", nullptr, 0, W(m_dir.File("out/part.mp4")));
    EXPECT_EQ(N(MakeSegmentOutputName(W(m_dir.File("out/part.mp4")), queue, media.get())),
              m_dir.File("out/part_001.mp4"));
    EXPECT_EQ(N(media->m_strOutputFile), m_dir.File("out/part_001.mp4"));
}

TEST_F(JobFaults, NumbersUseADecimalPointInAnyLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const std::string comma = vxmtest::DecimalCommaLocale();
    if (comma.empty() || !std::setlocale(LC_NUMERIC, comma.c_str()))
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    auto media = Media();
    media->m_nStartTime = 1500;
    const std::string line = Line(*media, m_scope.ById(5));
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(Has(line, " -ss 1.500 ")) << line;
}

TEST_F(JobFaults, TrimEndingBeforeItsStartWritesNoLength)
{
    auto media = Media();
    media->m_nStartTime = 1500;
    media->m_nEndTime = 500;
    const std::string line = Line(*media, m_scope.ById(5));
    EXPECT_TRUE(Has(line, " -ss 1.500 ")) << line;
    EXPECT_FALSE(Has(line, " -t ")) << line;
}

TEST_F(JobFaults, AWindowEndedBeforeTheSourcesEndHasItsLengthInWholeMillisecondsAndNoOtherHasOne)
{
    // Cue tracks of a 12 s file with frame-precise starts (the last runs to
    // its end), and the whole file, whose probed length may be an estimate.
    const struct { int start, end; const char* length; } rows[] = {
        {0, 2893, " -t 2.893 "}, {2893, 5280, " -t 2.387 "}, {8546, 10440, " -t 1.894 "},
        {10440, 12000, ""},      {0, 12000, ""}};
    for (const auto& row : rows) {
        auto media = Media();
        media->m_nSourceLength = 12000;
        media->m_nStartTime = row.start;
        media->m_nEndTime = row.end;
        media->m_nDuration = row.end - row.start;
        const std::string line = Line(*media, m_scope.ById(5));
        EXPECT_EQ(Has(line, " -t "), *row.length != 0) << line;
        EXPECT_TRUE(Has(line, row.length)) << line;
    }
}

TEST_F(JobFaults, GifIntervalOfZeroKeepsTheSourceRate)
{
    auto media = Media();
    COutputProfile* gif = Named(L"gif");
    gif->SetPicInterval(L"0");
    const std::string line = Line(*media, gif);
    EXPECT_FALSE(Has(line, " -r ")) << line;
    gif->SetPicInterval(L"200");
    EXPECT_TRUE(Has(Line(*media, gif), " -r 1000/200 "));
}

TEST_F(JobFaults, FittedSizesAreEven)
{
    m_scope.Settings().Expand2VideoSize = 0;
    auto media = Media({1280, 718});
    COutputProfile* profile = m_scope.ById(5);
    profile->SetVideoSize(L"640x480");
    const std::string line = Line(*media, profile);  // 718 * 640 / 1280 = 359
    EXPECT_TRUE(Has(line, "scale=640:358,setsar=1/1\"")) << line;
}

TEST_F(JobFaults, ExternalAudioWithoutVideoMapsNoNegativeStream)
{
    vxmtest::CTempDir side;
    const std::string audio = side.File("voice.mp3");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=duration=1", audio}));
    ClipShape shape;
    shape.video = false;
    auto media = Media(shape);
    media->m_nVideoStreamIndex = -1;
    auto track = std::make_unique<VXM_AUDIO_TRACK>();
    track->m_bExternal = 1;
    track->m_strFilePath = W(audio);
    media->m_lstAudio.push_back(std::move(track));
    media->SetStreamSelection(-1, 1, -1);
    const std::string line = Line(*media, Named(L"mp3_audio"));
    EXPECT_FALSE(Has(line, "0:-1")) << line;
    EXPECT_TRUE(Has(line, " -map 0:v? -map 1:0 ")) << line;
}

TEST_F(JobFaults, SelectedIndexesOutOfRangeAreIgnored)
{
    auto media = Media();
    media->SetStreamSelection(0, 7, 9);
    const std::string line = Line(*media, m_scope.ById(5));
    EXPECT_FALSE(Has(line, "-ast")) << line;
    EXPECT_FALSE(Has(line, "ass=")) << line;
}

TEST_F(JobFaults, AudioIsKeptUnlessDisableStreamSaysYes)
{
    auto media = Media();
    COutputProfile* profile = m_scope.ById(0);
    profile->SetEncodePass(L"2");
    profile->SetAudioDisabled(0);
    profile->GetItem(ITEM_DISABLE_AUDIO)->m_strValue = L"no";
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_FALSE(Has(N(queue[1]->strCmdLine), " -an ")) << N(queue[1]->strCmdLine);
    profile->SetAudioDisabled(1);
    ClearJobQueue(queue);
    ASSERT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
    EXPECT_TRUE(Has(N(queue[1]->strCmdLine), " -an ")) << N(queue[1]->strCmdLine);
}

TEST_F(JobFaults, Ac3AudioStaysInTheMp4Container)
{
    auto media = Media();
    COutputProfile* profile = m_scope.ById(0);
    profile->SetAudioCodec(L"ac3");
    const std::string line = Line(*media, profile);
    EXPECT_TRUE(Has(line, " -acodec ac3 -b:a 128k ")) << line;
    EXPECT_FALSE(Has(line, " -f avi")) << line;
}

TEST_F(JobFaults, XvidInMkvIsTheEncoderName)
{
    auto media = Media();
    COutputProfile* profile = m_scope.ById(2);
    profile->GetItem(ITEM_VIDEO_CODEC)->m_strValue = L"xvid";
    profile->GetItem(ITEM_VIDEO_PROFILE)->m_strValue = L"simple";
    const std::string line = Line(*media, profile);
    EXPECT_TRUE(Has(line, " -vcodec libxvid -b:v ")) << line;
    EXPECT_FALSE(Has(line, "-libxvid")) << line;
}

TEST_F(JobFaults, MpegCodecWordsAreEncoderNames)
{
    auto media = Media();
    EXPECT_TRUE(Has(Line(*media, Named(L"mpeg1")), " -vcodec mpeg1video -b:v "));
    EXPECT_TRUE(Has(Line(*media, Named(L"mpeg2")), " -vcodec mpeg2video -b:v "));
}

TEST_F(JobFaults, RawStreamRouteWithoutItsMuxerWritesTheMp4Itself)
{
    m_scope.Settings().UseNVidiaCUDA = 1;  // no device here: the route is chosen, the hardware is not
    auto media = Media();
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), m_scope.ById(0), queue), 0);
    ASSERT_FALSE(queue.empty());
    EXPECT_EQ(N(media->m_strOutputFile), m_dir.File("out/clip_x264.mp4"));
    for (const auto& step : queue)
        EXPECT_EQ(N(step->strOutput), m_dir.File("out/clip_x264.mp4"));
}

TEST_F(JobFaults, TwoDToThreeDIsRefusedWithoutAviSynth)
{
    if (IsAviSynthAvailable())
        GTEST_SKIP() << "this FFmpeg reads AviSynth scripts";
    auto media = Media();
    media->m_n3DMode = 10;
    media->m_n3DOutput = 0;
    media->m_n3DDepth = 20;
    VXM_JOB_QUEUE queue;
    EXPECT_EQ(BuildMediaCommands(media.get(), m_scope.ById(5), queue), -1);
    EXPECT_TRUE(queue.empty());
}

TEST_F(JobFaults, StereoLayoutsUseTheStockFilter)
{
    auto media = Media();
    media->m_n3DMode = 14;   // side by side, left first
    media->m_n3DOutput = 0;  // red/cyan anaglyph
    media->m_n3DDepth = 20;
    EXPECT_TRUE(Has(Line(*media, m_scope.ById(5)), "stereo3d=in=sbsl:out=arcg"));
}

TEST_F(JobFaults, WatermarkImageNameWithQuoteAndCommaStaysOneArgument)
{
    auto media = Media();
    media->m_wmImage.m_bEnabled = 1;
    media->m_wmImage.m_nRefWidth = 160;
    media->m_wmImage.m_nRefHeight = 120;
    media->m_wmImage.m_nWidth = 32;
    media->m_wmImage.m_nHeight = 16;
    media->m_wmImage.m_strText = W(m_dir.File("it's, \"logo\".png"));
    media->m_pImageWatermark = reinterpret_cast<SDL_Surface*>(1);  // only its presence is read
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), m_scope.ById(5), queue), 0);
    media->m_pImageWatermark = nullptr;
    auto args = SplitJobCommandLine(queue[0]->strCmdLine).args;
    auto vf = std::find(args.begin(), args.end(), L"-vf");
    ASSERT_NE(vf, args.end());
    ++vf;
    EXPECT_EQ(vf->rfind(L"movie='", 0), 0u) << N(*vf);
    EXPECT_NE(vf->find(L"\"logo\""), std::wstring::npos) << N(*vf);
    EXPECT_NE(vf->find(L"[in][img]overlay=0:0,scale=640:480"), std::wstring::npos) << N(*vf);
    EXPECT_EQ(std::find(args.begin(), args.end(), W(m_dir.File("out/clip_xvid.avi"))) , args.end() - 1);
}

TEST_F(JobFaults, QueueAlreadyHoldingStepsIsLeftAlone)
{
    auto media = Media();
    VXM_JOB_QUEUE queue;
    CFFMpegOpts opts;
    opts.AddJobCommand(queue, PASS_PLAIN);
    EXPECT_EQ(BuildMediaCommands(media.get(), m_scope.ById(5), queue), 0);
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_TRUE(media->m_strOutputFile.empty());
}
