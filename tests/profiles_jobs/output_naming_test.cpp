// Output names: base names, codec suffixes, burn naming and join parts.
#include <gtest/gtest.h>

#include <fstream>

#include "job_fixture.h"
#include "support/test_media.h"
#include "VXMUtils.h"

using namespace jobtest;

namespace {

class OutputNaming : public ::testing::Test {
protected:
    OutputNaming() : m_scope(m_dir.Path()) {}

    std::unique_ptr<CVXMMediaImpl> Media(const std::string& source = "in/clip.mp4")
    {
        return MakeMedia(m_dir.File(source), m_dir.File("out"));
    }

    vxmtest::CTempDir m_dir;
    CManagerScope m_scope;
};

}  // namespace

TEST_F(OutputNaming, BurnNamingReplacesNamesBeyondAscii)
{
    auto media = Media("in/caf\xc3\xa9.mp4");
    EXPECT_EQ(GetBurnTempOutputName(media.get(), nullptr), L"caf\u00e9");
    media->m_bBurnNaming = 1;
    EXPECT_EQ(GetBurnTempOutputName(media.get(), nullptr), L"Burn_Temp");
}

TEST_F(OutputNaming, ApostropheBecomesHyphenAndCodecIsAppended)
{
    auto media = Media("in/it's.mp4");
    const std::wstring codec = L"x264";
    EXPECT_EQ(GetBurnTempOutputName(media.get(), &codec), L"it-s_x264");
    m_scope.Settings().AddVCodecName = 0;
    EXPECT_EQ(GetBurnTempOutputName(media.get(), &codec), L"it-s");
    media->m_strOutputName = L"chosen";
    EXPECT_EQ(GetBurnTempOutputName(media.get(), &codec), L"chosen");
}

TEST_F(OutputNaming, NameCannotLeaveItsFolder)
{
    auto media = Media();
    media->m_strOutputName = L"../escape";
    const std::wstring name = GetBurnTempOutputName(media.get(), nullptr);
    EXPECT_EQ(name.find(L'/'), std::wstring::npos) << N(name);
}

TEST_F(OutputNaming, ControlCharactersInANameBecomeUnderscores)
{
    auto media = Media("in/x\nz.mp4");
    const std::wstring codec = L"x264";
    EXPECT_EQ(GetBurnTempOutputName(media.get(), &codec), L"x_z_x264");
    media->m_strOutputName = L"line\tone\r\x7f";
    EXPECT_EQ(GetBurnTempOutputName(media.get(), nullptr), L"line_one__");
}

TEST_F(OutputNaming, ExistingFileGetsTheNextNumber)
{
    CreateFolderTree(W(m_dir.File("out")));
    std::ofstream(m_dir.File("out/clip_x264.mp4")).put('x');
    auto media = Media();
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), m_scope.ById(0), queue), 0);
    EXPECT_EQ(N(media->m_strOutputFile), m_dir.File("out/clip_x264_001.mp4"));
}

TEST_F(OutputNaming, ANameTooLongForTheFileSystemIsCutAtACharacterBoundaryAndConverts)
{
    // 124 two-byte characters: 248 bytes, beyond what a name plus its extension may hold.
    std::wstring longName(124, L'\u00e9');
    auto media = Media();
    media->m_strOutputName = longName;
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), m_scope.ById(0), queue), 0);
    const std::string output = N(media->m_strOutputFile);
    ASSERT_FALSE(output.empty());
    const std::string file = output.substr(output.rfind('/') + 1);
    EXPECT_LE(file.size(), 255u);
    EXPECT_EQ(N(W(file)), file) << "no character is split";
    EXPECT_EQ(file.rfind("\xc3\xa9\xc3\xa9", 0), 0u);
    // The file system takes the name, and a second conversion still gets one.
    std::ofstream(output).put('x');
    ASSERT_TRUE(std::ifstream(output).good());
    auto second = Media();
    second->m_strOutputName = longName;
    VXM_JOB_QUEUE again;
    ASSERT_EQ(BuildMediaCommands(second.get(), m_scope.ById(0), again), 0);
    EXPECT_NE(second->m_strOutputFile, media->m_strOutputFile);
    EXPECT_FALSE(second->m_strOutputFile.empty());
}

TEST_F(OutputNaming, OnlyAMuxerStepGivesAnEmptyQueue)
{
    COutputProfile* profile = m_scope.ById(0);
    profile->m_lstCommands.erase(profile->m_lstCommands.begin());  // keeps {mp4box}
    profile->m_nMuxKind = PROFILE_MUX_NONE;
    auto media = Media();
    VXM_JOB_QUEUE queue;
    EXPECT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
    EXPECT_TRUE(queue.empty());
}

TEST_F(OutputNaming, JoinPartsWithOneSourceNameGetTheirOwnNames)
{
    auto media = Media();
    auto part = Media();
    media->AddJoinMedia(part.get());
    VXM_JOB_QUEUE queue;
    std::vector<std::wstring> outputs, videos, audios;
    // The parts' encodes come first, whether or not the join itself can be made.
    m_scope.ById(5)->BuildCommands(media.get(), media->m_strOutputFolder, outputs, videos, audios, queue, nullptr);
    ASSERT_GE(queue.size(), 2u);
    EXPECT_EQ(N(queue[0]->strOutput), m_dir.File("out/clip_xvid.avi"));
    EXPECT_EQ(N(queue[1]->strOutput), m_dir.File("out/clip_xvid_001.avi"));
    EXPECT_EQ(queue[1]->pMedia, static_cast<CVXMMediaBase*>(part.get()));
    media->ClearJoinList();
}

TEST_F(OutputNaming, GifIgnoresTheJoinList)
{
    auto media = Media();
    auto part = Media();
    media->AddJoinMedia(part.get());
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), dynamic_cast<COutputProfile*>(m_scope.Manager().FindProfileByName(L"gif")),
                                 queue),
              0);
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_TRUE(part->m_strOutputFile.empty());
    media->ClearJoinList();
}

