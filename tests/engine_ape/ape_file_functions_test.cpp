// The exported APE file functions on files our compressor made: decompress,
// verify and convert, and what they leave behind on damaged input.
#include "ape_test_util.h"

#include "ape/ApeWavReader.h"
#include "platform/text.h"

#include <vector>

using namespace apetest;

namespace {

// Wide names from the file system's (UTF-8) bytes.
std::wstring Wide(const std::string& path) { return Utf8ToWide(path); }

std::vector<int> g_progress;
void KeepProgress(int value) { g_progress.push_back(value); }

// A WAV and the APE our compressor made of it, under users' kind of names.
struct SCompressed {
    std::string wav;
    std::string ape;
};

SCompressed Compress(const CTempDir& dir, const std::string& name, const SWavShape& shape, int level = 2000)
{
    SCompressed files{WriteWav(dir, name + ".wav", shape), dir.File(name + ".ape")};
    EXPECT_EQ(CompressFileW(Wide(files.wav).c_str(), Wide(files.ape).c_str(), level, nullptr, nullptr, nullptr), 0);
    return files;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// WAVs as other programs write them: bext and LIST chunks (ffmpeg), an
// extensible header with a fact chunk (sox), an odd data chunk and an id3
// chunk after it (mutagen), a data size a recorder left at 0 (readers take
// the samples up to the end of the file).
std::vector<std::string> WavsByOtherPrograms(const CTempDir& dir)
{
    const std::vector<std::string> wavs = {dir.File("Caf\xC3\xA9.wav"), dir.File("\xE6\x9D\xB1\xE4\xBA\xAC.wav"),
                                           dir.File("id3.wav"), dir.File("recorder.wav")};
    vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=0.5", "-ac", "2", "-bitexact", wavs[3]});
    std::vector<uint8_t> recorded = ReadAll(wavs[3]);
    std::fill_n(recorded.begin() + 40, 4, 0);  // the canonical header's data size
    WriteAll(wavs[3], recorded);
    vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=1", "-ac", "2", "-write_bext", "1", "-metadata", "title=x", wavs[0]});
    vxmtest::RunProgram({"sox", "-n", "-b", "24", "-c", "2", wavs[1], "synth", "0.5", "sine", "440"});
    vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=0.1", "-c:a", "pcm_u8", "-ar", "8001", wavs[2]});
    vxmtest::RunProgram({"/usr/bin/python3", "-c",
                         "import sys, mutagen.wave, mutagen.id3\nf = mutagen.wave.WAVE(sys.argv[1])\nf.add_tags()\n"
                         "f.tags.add(mutagen.id3.TIT2(text='Caf\xC3\xA9'))\nf.save()",
                         wavs[2]});
    return wavs;
}

// The compression level in the header after the 52-byte descriptor.
int LevelOf(const std::string& ape)
{
    const std::vector<uint8_t> bytes = ReadAll(ape);
    return bytes.size() > 54 ? bytes[52] | bytes[53] << 8 : -1;
}

}  // namespace

TEST(ApeFileFunctions, DecompressGivesBackTheSourceWavByteForByte)
{
    CTempDir dir;
    for (const SWavShape& shape : {SWavShape{2, 16, 70000}, SWavShape{1, 24, 30000}, SWavShape{2, 8, 20000}}) {
        SCOPED_TRACE(std::to_string(shape.channels) + " channels, " + std::to_string(shape.bits) + " bits");
        const std::string name = "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu " + std::to_string(shape.bits);
        const SCompressed files = Compress(dir, name, shape);
        const std::string out = dir.File("\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE5\xA4\x9C " + std::to_string(shape.bits) + ".wav");
        int percent = -1;
        int kill = 0;
        g_progress.clear();
        ASSERT_EQ(DecompressFileW(Wide(files.ape).c_str(), Wide(out).c_str(), &percent, &KeepProgress, &kill), 0);
        EXPECT_TRUE(ReadAll(out) == ReadAll(files.wav));
        EXPECT_EQ(percent, 100);
        // A file as written before WAV headers were kept: the one made for it is the source's canonical one.
        CApeWavReader reader;
        ASSERT_TRUE(reader.Open(files.wav));
        ASSERT_EQ(GetNativeApeCompressor().CompressSource(reader, Wide(files.ape + ".old"), 2000, {}, {}), 0);
        ASSERT_EQ(DecompressFileW(Wide(files.ape + ".old").c_str(), Wide(out).c_str(), nullptr, nullptr, nullptr), 0);
        EXPECT_TRUE(ReadAll(out) == ReadAll(files.wav));
        ASSERT_FALSE(g_progress.empty());
        EXPECT_EQ(g_progress.front(), 0);
        EXPECT_EQ(g_progress.back(), 100000);
        EXPECT_TRUE(std::is_sorted(g_progress.begin(), g_progress.end()));
    }
    // WAVs of other programs, then tagged (an APE tag with a cover as Picard writes it by mutagen, an
    // ID3v2 tag in front by mid3v2) and converted: each step keeps the WAV's own chunks and the tags.
    const std::string cover = dir.File("cover.jpg");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=s=300x300", "-frames:v", "1", cover}));
    const std::string python = "import sys, mutagen.apev2, mutagen.id3\nf = sys.argv[1]\n"
                               "front = b'cover.jpg\\0' + open(sys.argv[2], 'rb').read()\n";
    for (const std::string& wav : WavsByOtherPrograms(dir)) {
        SCOPED_TRACE(wav);
        const std::string ape = wav + ".ape", again = wav + ".3000.ape";
        ASSERT_EQ(CompressFileW(Wide(wav).c_str(), Wide(ape).c_str(), 2000, nullptr, nullptr, nullptr), 0);
        ASSERT_EQ(DecompressFileW(Wide(ape).c_str(), Wide(wav + ".out").c_str(), nullptr, nullptr, nullptr), 0);
        EXPECT_TRUE(ReadAll(wav + ".out") == ReadAll(wav));
        vxmtest::RunProgram({"/usr/bin/python3", "-c",
                             python + "t = mutagen.apev2.APEv2()\nt['Title'] = 'Caf\xC3\xA9'\n"
                                      "t['Cover Art (Front)'] = mutagen.apev2.APEValue(front, mutagen.apev2.BINARY)\n"
                                      "t.save(f)",
                             ape, cover});
        vxmtest::RunProgram({"mid3v2", "-a", "\xE6\x9D\xB1\xE4\xBA\xAC", ape});
        EXPECT_EQ(VerifyFileW(Wide(ape).c_str(), nullptr, nullptr, nullptr, false), 0);
        ASSERT_EQ(ConvertFileW(Wide(ape).c_str(), Wide(again).c_str(), 3000, nullptr, nullptr, nullptr), 0);
        std::string tags;
        vxmtest::RunProgram({"/usr/bin/python3", "-c",
                             python + "t = mutagen.apev2.APEv2(f)\n"
                                      "print(t['Title'], mutagen.id3.ID3(f)['TPE1'], t['Cover Art (Front)'].value == front)",
                             again, cover},
                            &tags);
        EXPECT_EQ(tags, "Caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC True\n");
        EXPECT_EQ(FfmpegAudioMd5(again), FfmpegAudioMd5(wav));
        EXPECT_EQ(VerifyFileW(Wide(again).c_str(), nullptr, nullptr, nullptr, false), 0);
        ASSERT_EQ(DecompressFileW(Wide(again).c_str(), Wide(wav + ".out").c_str(), nullptr, nullptr, nullptr), 0);
        EXPECT_TRUE(ReadAll(wav + ".out") == ReadAll(wav));
    }
    // The narrow and the callback forms write the same file.
    const SCompressed files = Compress(dir, "\xF0\x9F\x8E\xAC clip", {2, 16, 5000});
    ASSERT_EQ(DecompressFile(files.ape.c_str(), dir.File("narrow.wav").c_str(), nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(DecompressFileW2(Wide(files.ape).c_str(), Wide(dir.File("\xFF\xFE not utf8.wav")).c_str(), nullptr), 0);
    EXPECT_TRUE(ReadAll(dir.File("narrow.wav")) == ReadAll(files.wav));
    EXPECT_TRUE(ReadAll(dir.File("\xFF\xFE not utf8.wav")) == ReadAll(files.wav));
}

TEST(ApeFileFunctions, VerifyAcceptsTheFileAndRefusesOneFlippedByte)
{
    CTempDir dir;
    const SCompressed files = Compress(dir, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", {2, 16, 70000});
    const std::wstring ape = Wide(files.ape);
    int percent = -1;
    EXPECT_EQ(VerifyFileW(ape.c_str(), &percent, nullptr, nullptr, false), 0);
    EXPECT_EQ(percent, 100);
    EXPECT_EQ(VerifyFileW(ape.c_str(), nullptr, nullptr, nullptr, true), 0);
    EXPECT_EQ(VerifyFileW2(ape.c_str(), nullptr, false), 0);

    const std::vector<uint8_t> good = ReadAll(files.ape);
    // One byte each of: the frame data, the header, the seek table.
    for (size_t at : {good.size() / 2, good.size() - 3, size_t{52 + 6}, size_t{52 + 24 + 1}}) {
        SCOPED_TRACE(at);
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x10;
        const std::string flipped = dir.File("flipped.ape");
        WriteAll(flipped, bad);
        EXPECT_EQ(VerifyFileW(Wide(flipped).c_str(), nullptr, nullptr, nullptr, false), VXM_APE_ERROR_INVALID_CHECKSUM);
        EXPECT_EQ(VerifyFileW2(Wide(flipped).c_str(), nullptr, true), VXM_APE_ERROR_INVALID_CHECKSUM);
    }

    // Without a stored MD5 the frames' own checksums still find the damage.
    std::vector<uint8_t> noMd5 = good;
    std::fill(noMd5.begin() + 36, noMd5.begin() + 52, 0);
    WriteAll(dir.File("no md5.ape"), noMd5);
    EXPECT_EQ(VerifyFileW(Wide(dir.File("no md5.ape")).c_str(), nullptr, nullptr, nullptr, true), 0);
    noMd5[noMd5.size() / 2] ^= 0x10;
    WriteAll(dir.File("no md5.ape"), noMd5);
    EXPECT_EQ(VerifyFileW(Wide(dir.File("no md5.ape")).c_str(), nullptr, nullptr, nullptr, true),
              VXM_APE_ERROR_DECOMPRESSING_FRAME);
}

TEST(ApeFileFunctions, ConvertToAnotherLevelDecodesToTheSameSamples)
{
    CTempDir dir;
    const SCompressed files = Compress(dir, "Caf\xC3\xA9", {2, 24, 40000}, 1000);
    const std::string converted = dir.File("\xE6\x9D\xB1\xE4\xBA\xAC 4000.ape");
    ASSERT_EQ(ConvertFileW(Wide(files.ape).c_str(), Wide(converted).c_str(), 4000, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(LevelOf(files.ape), 1000);
    EXPECT_EQ(LevelOf(converted), 4000);
    EXPECT_FALSE(ReadAll(converted) == ReadAll(files.ape));
    ExpectFfmpegDecodesTo(converted, files.wav, 24);
    EXPECT_EQ(VerifyFileW2(Wide(converted).c_str(), nullptr, false), 0);

    ASSERT_EQ(ConvertFile(files.ape.c_str(), dir.File("narrow.ape").c_str(), 4000, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(ReadAll(dir.File("narrow.ape")) == ReadAll(converted));
    EXPECT_EQ(ConvertFileW2(Wide(files.ape).c_str(), Wide(dir.File("bad level.ape")).c_str(), 4500, nullptr),
              VXM_APE_ERROR_BAD_LEVEL);
    EXPECT_TRUE(NoOutputLeft(dir.File("bad level.ape")));
}

TEST(ApeFileFunctions, DamagedFilesFailWithNoOutputLeft)
{
    CTempDir dir;
    const SCompressed files = Compress(dir, "\xF0\x9F\x8E\xAC damaged", {2, 16, 70000});
    const std::vector<uint8_t> good = ReadAll(files.ape);
    const std::string wav = dir.File("out.wav");
    const std::string ape = dir.File("out.ape");

    for (size_t keep : {good.size() - 1, good.size() / 2, size_t{60}, size_t{10}, size_t{0}}) {
        SCOPED_TRACE(keep);
        const std::string cut = dir.File("cut.ape");
        WriteAll(cut, {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep)});
        EXPECT_EQ(DecompressFileW(Wide(cut).c_str(), Wide(wav).c_str(), nullptr, nullptr, nullptr),
                  VXM_APE_ERROR_INVALID_INPUT);
        EXPECT_EQ(ConvertFileW(Wide(cut).c_str(), Wide(ape).c_str(), 3000, nullptr, nullptr, nullptr),
                  VXM_APE_ERROR_INVALID_INPUT);
        EXPECT_EQ(VerifyFileW(Wide(cut).c_str(), nullptr, nullptr, nullptr, false), VXM_APE_ERROR_INVALID_INPUT);
        EXPECT_TRUE(NoOutputLeft(wav));
        EXPECT_TRUE(NoOutputLeft(ape));
    }

    // A damaged frame is found while decoding: the partial output goes.
    std::vector<uint8_t> bad = good;
    bad[bad.size() * 3 / 4] ^= 0x10;
    WriteAll(dir.File("bad.ape"), bad);
    CLogCapture log;
    EXPECT_EQ(DecompressFileW(Wide(dir.File("bad.ape")).c_str(), Wide(wav).c_str(), nullptr, nullptr, nullptr),
              VXM_APE_ERROR_DECOMPRESSING_FRAME);
    // FFmpeg's word on it goes to the engine's log (not to the host's standard error).
    EXPECT_NE(log.Text().find("ffmpeg: "), std::string::npos) << log.Text();
    EXPECT_EQ(ConvertFileW(Wide(dir.File("bad.ape")).c_str(), Wide(ape).c_str(), 3000, nullptr, nullptr, nullptr),
              VXM_APE_ERROR_DECOMPRESSING_FRAME);
    EXPECT_TRUE(NoOutputLeft(wav));
    EXPECT_TRUE(NoOutputLeft(ape));

    // A WAV is no APE file; a missing file neither.
    EXPECT_EQ(DecompressFileW(Wide(files.wav).c_str(), Wide(wav).c_str(), nullptr, nullptr, nullptr),
              VXM_APE_ERROR_INVALID_INPUT);
    EXPECT_EQ(VerifyFileW2(Wide(dir.File("missing.ape")).c_str(), nullptr, false), VXM_APE_ERROR_INVALID_INPUT);
    EXPECT_TRUE(NoOutputLeft(wav));
}

TEST(ApeFileFunctions, AStopLeavesNoOutput)
{
    CTempDir dir;
    const SCompressed files = Compress(dir, "long", {2, 16, 400000});
    int kill = 1;
    EXPECT_EQ(DecompressFile(files.ape.c_str(), dir.File("out.wav").c_str(), nullptr, nullptr, &kill),
              VXM_APE_ERROR_USER_STOPPED);
    EXPECT_TRUE(NoOutputLeft(dir.File("out.wav")));
    EXPECT_EQ(VerifyFileW(Wide(files.ape).c_str(), nullptr, nullptr, &kill, false), VXM_APE_ERROR_USER_STOPPED);

    CKillAfterProgress callback;
    EXPECT_EQ(ConvertFileW2(Wide(files.ape).c_str(), Wide(dir.File("out.ape")).c_str(), 3000, &callback),
              VXM_APE_ERROR_USER_STOPPED);
    EXPECT_TRUE(NoOutputLeft(dir.File("out.ape")));
    CKillAfterProgress verifyCallback;
    EXPECT_EQ(VerifyFileW2(Wide(files.ape).c_str(), &verifyCallback, false), VXM_APE_ERROR_USER_STOPPED);
}
