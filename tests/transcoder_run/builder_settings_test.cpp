// Jobs built from the catalogue with particular settings and codec values,
// run in process: what the settings ask for is in the output.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../profiles_jobs/job_fixture.h"
#include "run_support.h"
#include "support/test_media.h"

using namespace jobtest;

namespace {

class BuilderSettings : public ::testing::Test {
protected:
    COutputProfile* Named(const wchar_t* name)
    {
        return dynamic_cast<COutputProfile*>(m_scope.Manager().FindProfileByName(name));
    }
    // Builds the job of source with profile and runs its steps in process;
    // the output, empty when a step failed.
    std::string Convert(const std::string& source, COutputProfile* profile, const ClipShape& shape = {})
    {
        auto media = MakeMedia(source, m_dir.Path(), shape);
        VXM_JOB_QUEUE queue;
        EXPECT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
        for (const auto& step : queue) {
            // The step's line after its program name.
            const std::wstring& line = step->strCmdLine;
            const std::size_t end = line[0] == L'"' ? line.find(L'"', 1) + 1 : line.find(L' ');
            if (runtest::RunTranscode(N(line.substr(end))) != 0) {
                ADD_FAILURE() << "step failed: " << N(step->strCmdLine);
                return {};
            }
        }
        return N(media->m_strOutputFile);
    }
    // One value of ffprobe's answer for the first stream of a kind.
    static std::string ProbeValue(const std::string& path, const std::string& kind, const std::string& entry)
    {
        std::string out;
        vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", kind, "-show_entries", "stream=" + entry,
                             "-of", "default=nw=1:nk=1", path},
                            &out);
        return out.substr(0, out.find('\n'));
    }

    // The loudest sample in dB below full scale, by ffmpeg's volume detector.
    static double MaxVolume(const std::string& path)
    {
        std::string log;
        vxmtest::RunProgram({"ffmpeg", "-nostdin", "-hide_banner", "-i", path, "-af", "volumedetect", "-f", "null", "-"},
                            &log);
        const std::size_t at = log.find("max_volume: ");
        EXPECT_NE(at, std::string::npos) << log;
        return at == std::string::npos ? 0.0 : std::atof(log.c_str() + at + 12);
    }

    vxmtest::CTempDir m_dir;
    CManagerScope m_scope{m_dir.Path()};
};

}  // namespace

TEST_F(BuilderSettings, TheTopMp3VolumeStepRaisesTheLevelOfMp3OutputsByTenDecibelsAndNoOtherOutput)
{
    // A stereo sine at -18 dBFS: ten times as loud would clip.
    const std::string tone = m_dir.File("tone.wav");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=f=440:d=2", "-ac", "2", tone}));
    m_scope.Settings().MP3Volume = 11;  // the list's step "10"
    ClipShape audio;
    audio.video = false;
    for (const auto& [name, gain] : {std::pair{L"mp3_audio", 10.0}, std::pair{L"mkv", 0.0}, std::pair{L"wav", 0.0}}) {
        SCOPED_TRACE(N(name));
        COutputProfile* profile = Named(name);
        ASSERT_NE(profile, nullptr);
        const std::string output = Convert(tone, profile, audio);
        ASSERT_FALSE(output.empty());
        EXPECT_NEAR(MaxVolume(output) - MaxVolume(tone), gain, 1.0);
    }
}

TEST_F(BuilderSettings, X265TakesTheX264OptionTextWithoutItsLevel)
{
    COutputProfile* mp4 = m_scope.ById(0);
    ASSERT_NE(mp4, nullptr);
    mp4->SetVideoCodec(L"x265");
    mp4->SetVideoSize(L"160x120");
    // The default text asks for no B-frames (and for a level HEVC lacks).
    const std::string output = Convert(vxmtest::GetTestMedia().mp4, mp4);
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(ProbeValue(output, "v", "codec_name"), "hevc");
    EXPECT_EQ(ProbeValue(output, "v", "has_b_frames"), "0");
}

TEST_F(BuilderSettings, XvidKeepsAChosenAspect)
{
    COutputProfile* mp4 = m_scope.ById(0);
    ASSERT_NE(mp4, nullptr);
    mp4->SetVideoCodec(L"xvid");
    mp4->SetVideoSize(L"320x240");
    mp4->SetAspect(L"16/9");
    const std::string output = Convert(vxmtest::GetTestMedia().mp4, mp4);
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(ProbeValue(output, "v", "display_aspect_ratio"), "16:9");
}
