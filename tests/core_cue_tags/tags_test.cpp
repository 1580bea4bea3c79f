// Tags written and read back on real files made by ffmpeg and left as other
// programs leave them: every field and the cover come back equal (to TagLib
// and to mutagen, every tag of the file giving the new value), and the
// decoded audio is left untouched; a write that could not keep the file
// whole leaves it as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "MediaTags.h"
#include "VXMApeCompress.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "platform/text.h"
#include "support/tag_files.h"
#include "support/test_media.h"

namespace fs = std::filesystem;
using vxmtest::CTempDir;
using vxmtest::RunFfmpeg;
using vxmtest::RunProgram;

namespace {

std::wstring W(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string DecodedAudio(const std::string& path)
{
    return vxmtest::DecodedAudioMd5(path);
}

// Made once per build folder and shared by every test process (each test runs
// in its own process): under a file lock, marked complete by a stamp file.
struct Samples {
    std::string folder = std::string(VXM_BINARY_DIR) + "/tests/tag_media";
    std::string jpeg = folder + "/cover.jpg";
    std::string png = folder + "/cover.png";
    std::string gif = folder + "/cover.gif";
    std::map<std::string, std::string> audio;  // extension -> file

    Samples()
    {
        const std::pair<const char*, const char*> formats[] = {
            {"mp3", "libmp3lame"}, {"m4a", "aac"}, {"ogg", "libvorbis"},
            {"flac", "flac"},      {"wma", "wmav2"}, {"wav", "pcm_s16le"},
        };
        for (const auto& [ext, codec] : formats)
            audio[ext] = folder + "/clip." + ext;
        std::error_code ec;
        fs::create_directories(folder, ec);
        int lock = ::open((folder + "/.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
        if (lock >= 0)
            ::flock(lock, LOCK_EX);
        const std::string stamp = folder + "/.complete-v1";
        if (!fs::exists(stamp)) {
            RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48", "-frames:v", "1", jpeg});
            RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=48x64", "-frames:v", "1", png});
            RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=32x32", "-frames:v", "1", gif});
            for (const auto& [ext, codec] : formats) {
                RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "2", "-c:a", codec,
                           audio[ext]});
            }
            std::ofstream(stamp) << "ok\n";
        }
        if (lock >= 0)
            ::close(lock);
    }
};

const Samples& GetSamples()
{
    static Samples samples;
    return samples;
}

VXM_MEDIA_TAGS FullTags(const std::string& cover)
{
    VXM_MEDIA_TAGS t;
    t.title = L"Été – ночь 夜";
    t.artist = L"Zoë & The Band";
    t.album = L"Live at “Home”";
    t.comment = L"Recorded in one take";
    t.genre = L"Jazz";
    t.year = L"2019";
    t.track = L"7";
    t.cover = W(cover);
    t.lyrics = L"First line\nSecond line – ü";
    return t;
}

class TagRoundTrip : public ::testing::TestWithParam<const char*> {
protected:
    std::string Copy()
    {
        std::string ext = GetParam();
        std::string file = m_dir.File("work." + ext);
        fs::copy_file(GetSamples().audio.at(ext), file);
        return file;
    }
    void ExpectSameFields(const VXM_MEDIA_TAGS& got, const VXM_MEDIA_TAGS& want)
    {
        EXPECT_EQ(got.title, want.title);
        EXPECT_EQ(got.artist, want.artist);
        EXPECT_EQ(got.album, want.album);
        EXPECT_EQ(got.comment, want.comment);
        EXPECT_EQ(got.genre, want.genre);
        EXPECT_EQ(got.year, want.year);
        EXPECT_EQ(got.track, want.track);
        EXPECT_EQ(got.lyrics, want.lyrics);
    }
    CTempDir m_dir;
};

}  // namespace

TEST_P(TagRoundTrip, EveryFieldAndAJpegCoverComeBackAndTheAudioIsUntouched)
{
    std::string file = Copy();
    ASSERT_FALSE(GetSamples().jpeg.empty());
    std::string audioBefore = DecodedAudio(file);
    ASSERT_FALSE(audioBefore.empty());

    VXM_MEDIA_TAGS written = FullTags(GetSamples().jpeg);
    ASSERT_EQ(WriteMediaTagsToFile(W(file), written, true), 1);

    VXM_MEDIA_TAGS read;
    std::string coverOut = m_dir.File("thumb.img");
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, W(coverOut)), 1);
    ExpectSameFields(read, written);
    EXPECT_EQ(ReadBytes(coverOut), ReadBytes(GetSamples().jpeg));
    EXPECT_EQ(DecodedAudio(file), audioBefore);
}

TEST_P(TagRoundTrip, PngCoverComesBackAndRewritingReplacesTheValues)
{
    std::string file = Copy();
    std::string audioBefore = DecodedAudio(file);
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().jpeg), true), 1);

    VXM_MEDIA_TAGS second = FullTags(GetSamples().png);
    second.title = L"Second title";
    second.lyrics = L"New words";
    second.year = L"2024";
    ASSERT_EQ(WriteMediaTagsToFile(W(file), second, true), 1);

    VXM_MEDIA_TAGS read;
    std::string coverOut = m_dir.File("thumb.img");
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, W(coverOut)), 1);
    ExpectSameFields(read, second);
    EXPECT_EQ(ReadBytes(coverOut), ReadBytes(GetSamples().png));
    EXPECT_EQ(DecodedAudio(file), audioBefore);
}

TEST_P(TagRoundTrip, WritingWithoutANewCoverKeepsTheFilesCover)
{
    std::string file = Copy();
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().png), true), 1);
    VXM_MEDIA_TAGS noCover = FullTags("");
    noCover.title = L"Changed";
    ASSERT_EQ(WriteMediaTagsToFile(W(file), noCover, true), 1);
    VXM_MEDIA_TAGS unreadable = FullTags(m_dir.File("missing.jpg"));
    unreadable.title = L"Changed";
    ASSERT_EQ(WriteMediaTagsToFile(W(file), unreadable, true), 1);

    VXM_MEDIA_TAGS read;
    std::string coverOut = m_dir.File("thumb.img");
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, W(coverOut)), 1);
    EXPECT_EQ(read.title, L"Changed");
    EXPECT_EQ(ReadBytes(coverOut), ReadBytes(GetSamples().png));
}

TEST_P(TagRoundTrip, YearThatIsNoNumberIsWrittenAsZero)
{
    std::string file = Copy();
    VXM_MEDIA_TAGS t = FullTags("");
    t.year = L"abc";
    t.track = L"";
    ASSERT_EQ(WriteMediaTagsToFile(W(file), t, true), 1);
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, L""), 1);
    EXPECT_EQ(read.year, L"0");
    EXPECT_EQ(read.track, L"0");
}

INSTANTIATE_TEST_SUITE_P(Formats, TagRoundTrip, ::testing::Values("mp3", "m4a", "ogg", "flac", "wma", "wav"),
                         [](const auto& info) { return std::string(info.param); });

class TagFiles : public ::testing::Test {
protected:
    std::string Copy(const std::string& ext)
    {
        std::string file = m_dir.File("work." + ext);
        fs::copy_file(GetSamples().audio.at(ext), file);
        return file;
    }
    CTempDir m_dir;
};

TEST_F(TagFiles, Mp3KeepsOneLyricsFrameAndOneFrontCover)
{
    std::string file = Copy("mp3");
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().jpeg), false), 1);
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().png), false), 1);
    TagLib::MPEG::File mpeg(file.c_str());
    ASSERT_TRUE(mpeg.hasID3v2Tag());
    TagLib::ID3v2::Tag* tag = mpeg.ID3v2Tag();
    EXPECT_EQ(tag->frameList("USLT").size(), 1u);
    ASSERT_EQ(tag->frameList("APIC").size(), 1u);
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(tag->frameList("APIC").front());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->mimeType(), "image/png");
    EXPECT_EQ(picture->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    EXPECT_EQ(tag->header()->majorVersion(), 4u);  // as ffmpeg wrote it: TagLib's v2.3 writer drops v2.4 frames
    EXPECT_FALSE(mpeg.hasID3v1Tag());  // no tag kind the file did not have
}

TEST_F(TagFiles, Mp3WithoutAnyTagGetsAnId3v2Tag)
{
    std::string file = m_dir.File("bare.mp3");
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "libmp3lame", "-id3v2_version", "0",
                           "-write_xing", "0", file}));
    {
        TagLib::MPEG::File mpeg(file.c_str());
        ASSERT_FALSE(mpeg.hasID3v2Tag());
    }
    VXM_MEDIA_TAGS untouched;
    untouched.title = L"keep";
    EXPECT_EQ(ReadMediaTagsFromFile(W(file), untouched, L""), 0);
    EXPECT_EQ(untouched.title, L"keep");

    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().jpeg), false), 1);
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, L""), 1);
    EXPECT_EQ(read.title, FullTags("").title);
}

TEST_F(TagFiles, Id3v1IsLatin1BothWays)
{
    std::string file = Copy("mp3");
    {
        TagLib::MPEG::File mpeg(file.c_str());
        TagLib::ID3v1::Tag* v1 = mpeg.ID3v1Tag(true);
        v1->setTitle(TagLib::String("Caf\xe9", TagLib::String::Latin1));
        v1->setArtist("Artist");
        v1->setYear(1999);
        v1->setTrack(3);
        ASSERT_TRUE(mpeg.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripOthers));
    }
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, L""), 1);
    EXPECT_EQ(read.title, L"Café");
    EXPECT_EQ(read.artist, L"Artist");
    EXPECT_EQ(read.year, L"1999");
    EXPECT_EQ(read.track, L"3");

    VXM_MEDIA_TAGS t = FullTags("");
    t.title = L"Crème 夜";
    ASSERT_EQ(WriteMediaTagsToFile(W(file), t, false), 1);
    TagLib::MPEG::File mpeg(file.c_str());
    ASSERT_TRUE(mpeg.hasID3v1Tag());
    // The raw tag bytes: Latin-1 "Crème", and '?' for the letter it cannot hold.
    TagLib::ByteVector raw = mpeg.ID3v1Tag()->render();
    EXPECT_EQ(std::string(raw.data() + 3, 7), std::string("Cr\xe8me ?", 7));
    EXPECT_EQ(mpeg.ID3v1Tag()->year(), 2019u);
    // The full text lives in the ID3v2 tag, which reading prefers.
    ASSERT_TRUE(mpeg.hasID3v2Tag());
    EXPECT_EQ(mpeg.ID3v2Tag()->title(), TagLib::String("Crème 夜", TagLib::String::UTF8));
}

TEST_F(TagFiles, Mp4CoverFollowsTheFlagAndIsMarkedByItsType)
{
    std::string file = Copy("m4a");
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().png), false), 1);
    {
        TagLib::MP4::File mp4(file.c_str());
        EXPECT_FALSE(mp4.tag()->contains("covr"));
    }
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().png), true), 1);
    TagLib::MP4::File mp4(file.c_str());
    TagLib::MP4::CoverArtList covers = mp4.tag()->item("covr").toCoverArtList();
    ASSERT_EQ(covers.size(), 1u);
    EXPECT_EQ(covers.front().format(), TagLib::MP4::CoverArt::PNG);
}

TEST_F(TagFiles, OggCoverIsAPictureBlockWithItsMimeType)
{
    std::string file = Copy("ogg");
    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().png), false), 1);
    TagLib::Ogg::Vorbis::File ogg(file.c_str());
    TagLib::List<TagLib::FLAC::Picture*> pictures = ogg.tag()->pictureList();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures.front()->mimeType(), "image/png");
    EXPECT_EQ(pictures.front()->type(), TagLib::FLAC::Picture::FrontCover);
    EXPECT_FALSE(ogg.tag()->contains("COVERART"));
}

TEST_F(TagFiles, OggLegacyCoverIsReadAndReplacedByOnePicture)
{
    std::string file = Copy("ogg");
    {
        TagLib::Ogg::Vorbis::File ogg(file.c_str());
        TagLib::ByteVector jpeg(ReadBytes(GetSamples().jpeg).data(),
                                static_cast<unsigned>(ReadBytes(GetSamples().jpeg).size()));
        ogg.tag()->addField("COVERART", TagLib::String(jpeg.toBase64()));
        ASSERT_TRUE(ogg.save());
    }
    VXM_MEDIA_TAGS read;
    std::string coverOut = m_dir.File("thumb.img");
    ASSERT_EQ(ReadMediaTagsFromFile(W(file), read, W(coverOut)), 1);
    EXPECT_EQ(ReadBytes(coverOut), ReadBytes(GetSamples().jpeg));

    ASSERT_EQ(WriteMediaTagsToFile(W(file), FullTags(GetSamples().png), false), 1);
    TagLib::Ogg::Vorbis::File ogg(file.c_str());
    EXPECT_EQ(ogg.tag()->pictureList().size(), 1u);
}

TEST_F(TagFiles, FilesOfNoKnownFormatAreLeftAloneAndReportZero)
{
    std::string text = m_dir.File("notes.txt");
    std::ofstream(text) << "not audio at all";
    VXM_MEDIA_TAGS t = FullTags("");
    EXPECT_EQ(WriteMediaTagsToFile(W(text), t, true), 0);
    EXPECT_EQ(ReadBytes(text), "not audio at all");
    VXM_MEDIA_TAGS read;
    read.title = L"unchanged";
    EXPECT_EQ(ReadMediaTagsFromFile(W(text), read, L""), 0);
    EXPECT_EQ(read.title, L"unchanged");
    EXPECT_EQ(ReadMediaTagsFromFile(W(m_dir.File("missing.mp3")), read, L""), 0);
    // A file that is not there cannot be written, and says why.
    std::string why;
    EXPECT_EQ(WriteMediaTagsToFile(W(m_dir.File("missing.mp3")), t, true, &why), kTagsNotWritten);
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("missing.mp3")));
}

TEST(ImageMime, NamesAndSignaturesGiveTheType)
{
    EXPECT_EQ(ImageMimeTypeFromName(L"/a/b/cover.JPEG"), "image/jpeg");
    EXPECT_EQ(ImageMimeTypeFromName(L"cover.jPeG"), "image/jpeg");
    EXPECT_EQ(ImageMimeTypeFromName(L"cover.jpg"), "image/jpeg");
    EXPECT_EQ(ImageMimeTypeFromName(L"cover.Png"), "image/png");
    EXPECT_EQ(ImageMimeTypeFromName(L"cover.gif"), "");
    EXPECT_EQ(ImageMimeTypeFromName(L""), "");

    CTempDir dir;
    // A PNG saved under a .jpg name is still a PNG.
    std::string misnamed = dir.File("really_png.jpg");
    fs::copy_file(GetSamples().png, misnamed);
    ImageFile png(misnamed.c_str());
    ASSERT_TRUE(png.IsValid());
    EXPECT_EQ(png.GetMimeType(), "image/png");
    EXPECT_EQ(png.ReadAll(), TagLib::ByteVector(ReadBytes(GetSamples().png).data(),
                                                static_cast<unsigned>(ReadBytes(GetSamples().png).size())));
    ImageFile gif(GetSamples().gif.c_str());
    EXPECT_EQ(gif.GetMimeType(), "");
    ImageFile missing(dir.File("none.png").c_str());
    EXPECT_FALSE(missing.IsValid());
    EXPECT_TRUE(missing.ReadAll().isEmpty());
}

// The row's forms: the media object names the files.
TEST_F(TagFiles, MediaRowWritesSourceOrOutputAndReadsTheCoverIntoItsThumbnail)
{
    RegisterMediaLibrary();
    struct Release {
        void operator()(IVXMMedia* m) const { m->Release(); }
    };
    std::unique_ptr<IVXMMedia, Release> media(CreateVXMMediaObject(nullptr));
    auto* base = dynamic_cast<CVXMMediaBase*>(media.get());
    ASSERT_NE(base, nullptr);
    std::string source = Copy("mp3");
    std::string output = m_dir.File("converted.m4a");
    fs::copy_file(GetSamples().audio.at("m4a"), output);
    std::string thumbnail = m_dir.File("thumb.jpg");
    media->SetSourcePath(W(source));
    media->SetThumbnailPath(W(thumbnail));
    base->m_strOutputFile = W(output);

    VXM_MEDIA_TAGS edited = FullTags(GetSamples().jpeg);
    ASSERT_EQ(WriteMediaTags(media.get(), edited, 1, 1), 1);
    VXM_MEDIA_TAGS finished = FullTags(GetSamples().png);
    finished.title = L"Output title";
    ASSERT_EQ(WriteMediaTags(media.get(), finished, 0, 0), 1);

    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTags(media.get(), read), 1);  // always from the source
    EXPECT_EQ(read.title, edited.title);
    EXPECT_EQ(ReadBytes(thumbnail), ReadBytes(GetSamples().jpeg));
    VXM_MEDIA_TAGS out;
    ASSERT_EQ(ReadMediaTagsFromFile(W(output), out, L""), 1);
    EXPECT_EQ(out.title, L"Output title");
    TagLib::MP4::File mp4(output.c_str());
    EXPECT_FALSE(mp4.tag()->contains("covr"));  // no cover into MP4 without the flag

    EXPECT_EQ(WriteMediaTags(nullptr, edited, 1, 1), 0);
    EXPECT_EQ(ReadMediaTags(nullptr, read), 0);
}

// Files other programs wrote; each written through the copy that is read back.
struct COtherFile {
    const char* name;
    const char* extension;
    std::vector<std::string> codec;  // ffmpeg's; none for APE (the engine's encoder) and Musepack (mpcenc)
    const char* kind;                // tag_files.py make KIND; "" as ffmpeg wrote it
    std::vector<std::string> tags;   // where mutagen finds the values; none: the write is refused
    std::vector<std::string> kept = {};
};

class TagOtherPrograms : public ::testing::TestWithParam<COtherFile> {
protected:
    CTempDir m_dir;
};

TEST_P(TagOtherPrograms, EveryReaderSeesTheNewValuesAndTheAudioStaysOrTheFileIsLeftAlone)
{
    const COtherFile& row = GetParam();
    const std::string file = m_dir.File(std::string("Caf\xc3\xa9 ") + row.name + "." + row.extension);
    // APE and Musepack files come from their encoders, out of a WAV beside.
    const std::string source = row.codec.empty() ? file.substr(0, file.rfind('.')) + ".src.wav" : file;
    std::vector<std::string> make = {"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "2"};
    make.insert(make.end(), row.codec.begin(), row.codec.end());
    make.push_back(source);
    ASSERT_TRUE(RunFfmpeg(make));
    if (row.codec.empty() && std::string(row.extension) == "mpc") {
        ASSERT_EQ(RunProgram({"mpcenc", "--silent", source, file}), 0);
    } else if (row.codec.empty()) {
        ASSERT_EQ(CompressFileW(Utf8ToWide(source).c_str(), Utf8ToWide(file).c_str(), 2000, nullptr, nullptr, nullptr), 0);
    }
    if (*row.kind) {
        ASSERT_TRUE(vxmtest::MakeTagFile(row.kind, file));
    }
    const std::string audio = DecodedAudio(file);
    const std::string seeked = vxmtest::SeekedAudioMd5(file);
    const std::string length = vxmtest::ProbedLength(file);
    const std::string index = vxmtest::FragmentIndex(file);
    const std::string bytes = ReadBytes(file);
    const char* const all = "title,artist,album,comment,genre,year,track,lyrics,cover";
    const std::string items = vxmtest::MutagenItems(file, all);
    if (!bytes.empty()) {
        ASSERT_EQ(audio.rfind("MD5=", 0), 0u) << audio;
    }
    std::istringstream entries(index);
    for (std::string entry; std::getline(entries, entry);) ASSERT_EQ(entry, "moof");

    VXM_MEDIA_TAGS t = FullTags(GetSamples().png);
    t.title = L"Night Caf\u00e9";
    t.year = L"2024";
    std::string why;
    const int written = WriteMediaTagsToFile(Utf8ToWide(file), t, true, &why);
    if (row.tags.empty()) {
        EXPECT_EQ(written, kTagsNotWritten);
        EXPECT_FALSE(why.empty());
        EXPECT_TRUE(ReadBytes(file) == bytes);
        // What it holds is still read (in a FLAC file, past a block TagLib stops at).
        VXM_MEDIA_TAGS read;
        EXPECT_TRUE(bytes.empty() || ReadMediaTagsFromFile(Utf8ToWide(file), read, L"") == 1);
        return;
    }
    ASSERT_EQ(written, kTagsWritten) << why;
    EXPECT_EQ(vxmtest::MutagenTags(file),
              vxmtest::MutagenLines(row.tags,
                                    {{"title", "Night Caf\xc3\xa9"}, {"artist", "Zo\xc3\xab & The Band"},
                                     {"album", "Live at \xe2\x80\x9cHome\xe2\x80\x9d"},
                                     {"comment", "Recorded in one take"}, {"genre", "Jazz"}, {"year", "2024"},
                                     {"track", "7"}, {"lyrics", "First line\nSecond line \xe2\x80\x93 \xc3\xbc"},
                                     {"cover", vxmtest::Md5OfFile(GetSamples().png)}},
                                    row.kept));
    // The audio, where players seek to (by an MP4 file's fragment index), and its length are as they were.
    EXPECT_EQ(DecodedAudio(file), audio);
    EXPECT_EQ(vxmtest::SeekedAudioMd5(file), seeked);
    EXPECT_EQ(vxmtest::ProbedLength(file), length);
    EXPECT_EQ(vxmtest::FragmentIndex(file), index);
    // Every item that holds none of the fields is as it was (a tag made anew holds no other).
    EXPECT_EQ(vxmtest::OfKindsIn(vxmtest::MutagenItems(file, all), items), items);
}

const std::vector<std::string> kMp3 = {"-c:a", "libmp3lame", "-b:a", "64k"};
const std::vector<std::string> kPcm = {"-c:a", "pcm_s16le"};
// The movie atom before the sound, as for streaming.
const std::vector<std::string> kAacFirst = {"-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart"};
// Fragments of 0.3 s, and an index of them after them.
const std::vector<std::string> kAacFragments = {"-c:a", "aac", "-b:a", "64k", "-movflags", "+frag_keyframe",
                                                "-frag_duration", "300000"};

INSTANTIATE_TEST_SUITE_P(
    Files, TagOtherPrograms,
    ::testing::Values(COtherFile{"v24_with_tyer", "mp3", kMp3, "v24-tyer", {"id3"}},
                      COtherFile{"artist_twice", "mp3", kMp3, "twice-tpe1", {"id3"}},
                      COtherFile{"apev2_beside_id3v2", "mp3", kMp3, "ape-beside-id3", {"ape~", "id3"}},
                      COtherFile{"empty_frame_before_the_composer", "mp3", kMp3, "empty-popm", {"id3"},
                                 {"id3 composer=Composer X", "id3 volume=256/256/256/256"}},
                      COtherFile{"bytes_of_no_frame_before_the_composer", "mp3", kMp3, "junk-frame", {"id3"},
                                 {"id3 composer=Composer X"}},
                      COtherFile{"frame_beyond_its_tag", "mp3", kMp3, "popm-beyond", {}},
                      COtherFile{"two_id3v2_tags", "mp3", kMp3, "two-id3v2", {}},
                      COtherFile{"data_size_zero", "wav", kPcm, "zero-data", {"id3"}},
                      COtherFile{"aiff_cut_short", "aiff", {"-c:a", "pcm_s16be"}, "cut-sound", {}},
                      COtherFile{"wavpack", "wv", {"-c:a", "wavpack"}, "", {"ape"}},
                      COtherFile{"monkeys_audio_with_id3v2", "ape", {}, "id3-before-ape", {"ape", "id3"}},
                      COtherFile{"monkeys_audio_year_and_date", "ape", {}, "ape-year-date", {"ape"}},
                      COtherFile{"musepack_year_and_date", "mpc", {}, "ape-year-date", {"ape"}},
                      COtherFile{"apev2_size_beyond_its_items", "wv", {"-c:a", "wavpack"}, "ape-size-beyond-items", {}},
                      COtherFile{"true_audio_with_apev2", "tta", {"-c:a", "tta"}, "", {"ape~", "id3"}},
                      COtherFile{"opus", "opus", {"-c:a", "libopus", "-b:a", "64k"}, "", {"xiph"}},
                      COtherFile{"mp4_as_ffmpeg_writes_it", "m4a", {"-c:a", "aac", "-b:a", "64k"}, "", {"mp4"}},
                      COtherFile{"mp4_name_with_colon", "m4a", {"-c:a", "aac", "-b:a", "64k"}, "colon-name", {"mp4"},
                                 {"mp4 composer=Composer X"}},
                      COtherFile{"ilst_of_size_0", "m4a", kAacFirst, "atom-ilst-zero", {}},
                      COtherFile{"ilst_past_its_parent", "m4a", kAacFirst, "atom-ilst-past", {}},
                      COtherFile{"ilst_one_byte_more", "m4a", kAacFirst, "atom-ilst-plus1", {}},
                      COtherFile{"meta_of_size_0", "m4a", kAacFirst, "atom-meta-zero", {}},
                      COtherFile{"meta_past_its_parent", "m4a", kAacFirst, "atom-meta-past", {}},
                      COtherFile{"meta_one_byte_more", "m4a", kAacFirst, "atom-meta-plus1", {}},
                      COtherFile{"udta_of_size_0", "m4a", kAacFirst, "atom-udta-zero", {}},
                      COtherFile{"udta_past_its_parent", "m4a", kAacFirst, "atom-udta-past", {}},
                      COtherFile{"udta_one_byte_more", "m4a", kAacFirst, "atom-udta-plus1", {}},
                      COtherFile{"fragments_and_their_index", "m4a", kAacFragments, "", {"mp4"}},
                      COtherFile{"aiff_odd_last_chunk", "aiff", {"-c:a", "pcm_s16be"}, "odd-chunk", {"id3"}},
                      COtherFile{"flac_without_a_comment", "flac", {"-c:a", "flac"}, "no-comment", {"xiph"}},
                      COtherFile{"flac_block_of_no_length", "flac", {"-c:a", "flac"}, "zero-block", {}},
                      COtherFile{"wma_cut_short", "wma", {"-c:a", "wmav2"}, "cut-asf", {"asf"}},
                      COtherFile{"empty_musepack", "mpc", {}, "empty", {}}),
    [](const auto& info) { return std::string(info.param.name); });
