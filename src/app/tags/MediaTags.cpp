#include "MediaTags.h"

#include <fstream>

#include <taglib/fileref.h>
#include <taglib/mp4file.h>
#include <taglib/tfilestream.h>

#include "DsdTags.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "Mp4AtomTree.h"
#include "SoundChunks.h"
#include "TagCheck.h"
#include "TagFileStream.h"
#include "TagFormats.h"
#include "TagSave.h"
#include "TagUnread.h"
#include "platform/filecontent.h"
#include "platform/text.h"

using namespace TagLib;

namespace {

const char* const kLogCategory = "MediaTags";

void WriteCoverFile(const std::wstring& coverOut, const ByteVector& data)
{
    if (coverOut.empty() || data.isEmpty())
        return;
    std::ofstream out(WideToUtf8(coverOut), std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out)
        LogError(kLogCategory, "Cannot write the cover to %s", WideToUtf8(coverOut).c_str());
}

}  // namespace

// ----------------------------------------------------------------- ImageFile

ByteVector ImageFile::ReadAll()
{
    if (!isOpen())
        return ByteVector();
    seek(0);
    return readBlock(static_cast<size_t>(length()));
}

bool ImageFile::IsValid() const
{
    return isOpen() && name() != nullptr;
}

String ImageFile::GetMimeType()
{
    if (isOpen()) {
        seek(0);
        ByteVector head = readBlock(8);
        if (head.startsWith(ByteVector("\x89PNG\r\n\x1a\n", 8)))
            return "image/png";
        if (head.startsWith(ByteVector("\xFF\xD8\xFF", 3)))
            return "image/jpeg";
    }
    const char* fileName = name();
    return String(ImageMimeTypeFromName(fileName ? Utf8ToWide(fileName) : std::wstring()));
}

std::string ImageMimeTypeFromName(const std::wstring& path)
{
    std::wstring upper = ToUpperW(path);
    auto endsWith = [&](const wchar_t* suffix) {
        std::wstring s(suffix);
        return upper.size() >= s.size() && upper.compare(upper.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(L".PNG"))
        return "image/png";
    if (endsWith(L".JPG") || endsWith(L".JPEG"))
        return "image/jpeg";
    return std::string();
}

// ----------------------------------------------------------------- entry points

namespace {

// The language texts that tell the user why a checked copy was refused.
const char* const kTextNotReadBack = "ID_STRING_TAGS_NOT_READ_BACK";
const char* const kTextAudioChanged = "ID_STRING_TAGS_AUDIO_WOULD_CHANGE";
const char* const kTextItemsLost = "ID_STRING_TAGS_OTHERS_WOULD_GO";
const char* const kTextUnreadable = "ID_STRING_TAGS_UNREADABLE";

// What the first pass over the copy found and did, for the check that reads it back.
struct CWriteRecord {
    int written = kTagsFormatUnknown;
    bool sound = false;  // WAV or AIFF: where the sound bytes must be afterwards
    std::uint64_t soundBegin = 0;
    std::uint64_t soundEnd = 0;
    bool soundTouched = false;
    bool soundInForm = false;  // the RIFF or FORM size took the sound in
    bool unkept = false;       // the tags could not be written back whole
    bool mp4 = false;
    std::string pointed;       // MP4: the bytes its tables point at
    CTagFileFacts before;
};

// The values the save writes: the row's `fields`, the file's own values for
// the others; and in `edited`, the fields whose values differ from those the
// file holds: the save changes these and leaves everything else as it is.
VXM_MEDIA_TAGS WantedFields(File* file, const VXM_MEDIA_TAGS& tags, unsigned fields, bool mp4Cover,
                            const CTagCover& cover, unsigned& edited)
{
    VXM_MEDIA_TAGS held;
    ByteVector heldCover;
    ReadTagsFrom(file, held, &heldCover);
    VXM_MEDIA_TAGS wanted = tags;
    KeepTagFields(wanted, held, fields);
    edited = DifferentFields(wanted, held);
    if (cover.valid && StoresCover(file, mp4Cover) && cover.data != heldCover) edited |= kTagCover;
    return wanted;
}

// Changes the tags of the copy; the first failure in `why`.
CWriteRecord ChangeCopy(CFileEditCopy& copy, const std::string& name, const VXM_MEDIA_TAGS& tags, unsigned edited,
                        const CTagCover& cover, std::string& why)
{
    CWriteRecord record;
    CTagFileStream stream(copy, name);
    // A data chunk of no stated length is given the length players take,
    // so that the ID3 chunk put after it is not taken for sound.
    const CSoundSpan sound = FindSoundSpan(stream);
    if (sound.found && !CloseSoundSpan(stream, sound)) {
        why = "the length of its audio data is not stated, and cannot be (4 GB or more)";
        record.written = kTagsNotWritten;
        return record;
    }
    if (sound.found) stream.Guard(sound.begin, sound.end);
    stream.seek(0);  // some of TagLib's readers start where the stream stands
    FileRef ref(&stream, true);
    if (ref.isNull() || !ref.tag()) return record;
    if (dynamic_cast<MP4::File*>(ref.file())) {
        record.mp4 = true;
        record.pointed = Mp4PointedBytes(stream, ReadMp4Tree(stream).pointers);
    }
    record.before = TakeTagFileFacts(ref.file(), stream);
    record.written = WriteTagsInto(ref.file(), stream, tags, edited, cover, why);
    record.unkept = record.written < 0;
    record.sound = sound.found;
    record.soundInForm = sound.formEnd >= sound.end;
    record.soundBegin = stream.GuardBegin();
    record.soundEnd = stream.GuardEnd();
    record.soundTouched = stream.Touched();
    return record;
}

// Reads the changed copy back; empty when it holds the new tags and
// everything else it held, else what is wrong (and the language text in `text`).
std::string CheckCopy(CFileEditCopy& copy, const std::string& name, const VXM_MEDIA_TAGS& tags, unsigned edited,
                      const CTagCover& cover, const CWriteRecord& record, const char*& text)
{
    CTagFileStream stream(copy, name);
    text = kTextAudioChanged;
    if (record.sound) {
        const CSoundSpan now = FindSoundSpan(stream);
        if (record.soundTouched || !now.found || now.openEnded || now.begin != record.soundBegin ||
            now.end != record.soundEnd || (record.soundInForm && now.formEnd < now.end))
            return "its audio data would change";
    }
    if (record.mp4) {
        // Every atom still reads whole, and every table points at the bytes it did.
        const CMp4Tree tree = ReadMp4Tree(stream);
        text = kTextNotReadBack;
        if (!tree.fault.empty()) return "in the written copy, " + tree.fault;
        text = kTextAudioChanged;
        if (Mp4PointedBytes(stream, tree.pointers) != record.pointed)
            return "its tables would no longer point at its audio";
    }
    stream.seek(0);
    FileRef ref(&stream, true);
    VXM_MEDIA_TAGS read;
    ByteVector readCover;
    text = kTextNotReadBack;
    if (ref.isNull() || !ref.tag() || !ReadTagsFrom(ref.file(), read, &readCover))
        return "the written copy cannot be read back";
    const CTagFileFacts after = TakeTagFileFacts(ref.file(), stream);
    text = kTextAudioChanged;
    if (std::string change = AudioChange(record.before, after); !change.empty()) return change;
    text = kTextItemsLost;
    if (std::string lost = LostItems(record.before, after, edited, FilledTagFields(tags)); !lost.empty())
        return "the tag library would not keep what the file holds in " + lost;
    text = kTextNotReadBack;
    unsigned wrong = DifferentFields(tags, read);
    if ((edited & kTagCover) && readCover != cover.data) wrong |= kTagCover;
    if (wrong) return "the " + TagFieldNames(wrong) + " did not read back as written";
    text = nullptr;
    return copy.Failed() ? copy.Why() : std::string();
}

}  // namespace

int WriteMediaTagsToFile(const std::wstring& path, const VXM_MEDIA_TAGS& tags, bool mp4Cover, std::string* why,
                         std::string* whyText, unsigned fields)
{
    const std::string name = WideToUtf8(path);
    auto fail = [&](const std::string& what, const char* text) {
        LogError(kLogCategory, "Cannot write tags into %s: %s", name.c_str(), what.c_str());
        if (why)
            *why = what;
        if (whyText)
            *whyText = text ? text : "";
        return kTagsNotWritten;
    };
    CFileEditCopy copy;
    if (!copy.Open(path))
        return fail(copy.Why(), nullptr);
    const CTagCover cover = LoadTagCover(tags.cover);
    // A file no writer knows (a video in another container) is not copied
    // for nothing, nor is one that holds the values already; one whose tags
    // TagLib cannot read whole is not written at all.
    unsigned edited = 0;
    VXM_MEDIA_TAGS wanted;
    {
        FileStream stream(name.c_str(), true);
        if (stream.isOpen() && stream.length() == 0) return fail("the file is empty", nullptr);
        FileRef probe(&stream, false);
        if (probe.isNull() || !probe.tag())
            return TagLibKnowsKind(name) ? fail("the tag library cannot read its tags", kTextUnreadable)
                                         : kTagsFormatUnknown;
        if (const std::string unread = UnreadTagData(probe.file(), stream); !unread.empty())
            return fail(unread, kTextUnreadable);
        // An MP4 file whose atoms TagLib reads otherwise than they are laid out is not written.
        if (dynamic_cast<MP4::File*>(probe.file()))
            if (const std::string fault = ReadMp4Tree(stream).fault; !fault.empty()) return fail(fault, nullptr);
        wanted = WantedFields(probe.file(), tags, fields, mp4Cover, cover, edited);
    }
    if (edited == 0)
        return kTagsWritten;
    // TagLib changes a copy beside the file, which takes the file's place
    // only when whole and read back: a save that fails half-way, or that
    // TagLib calls done while the values or the audio did not come out
    // right, never reaches the file.
    if (!copy.MakeCopy())
        return fail(copy.Why(), nullptr);
    std::string problem;
    const CWriteRecord record = ChangeCopy(copy, name, wanted, edited, cover, problem);
    if (copy.Failed())
        return fail(copy.Why(), nullptr);
    if (record.written == kTagsFormatUnknown)
        return kTagsFormatUnknown;
    if (record.written < 0)
        return fail(problem, record.unkept ? kTextItemsLost : nullptr);
    const char* text = nullptr;
    problem = CheckCopy(copy, name, wanted, edited, cover, record, text);
    if (!problem.empty())
        return fail(problem, text);
    if (!copy.Commit())
        return fail(copy.Why(), nullptr);
    return kTagsWritten;
}

int ReadMediaTagsFromFile(const std::wstring& path, VXM_MEDIA_TAGS& tags, const std::wstring& coverOut)
{
    const std::string name = WideToUtf8(path);
    FileStream stream(name.c_str(), true);
    if (!stream.isOpen())
        return 0;
    FileRef ref(&stream, true);
    ByteVector cover;
    ByteVector* wanted = coverOut.empty() ? nullptr : &cover;
    if (ref.isNull() || !ref.tag()) {
        if (!ReadDsdTags(stream, tags, wanted) && !ReadFlacBlockTags(stream, tags, wanted))
            return 0;
    } else {
        RecoverUnreadFrames(ref.file(), stream);
        if (!ReadTagsFrom(ref.file(), tags, wanted))
            return 0;
    }
    WriteCoverFile(coverOut, cover);
    return 1;
}

int WriteMediaTags(IVXMMedia* media, const VXM_MEDIA_TAGS& tags, int toSource, int mp4Cover, std::string* why)
{
    if (!media)
        return kTagsFormatUnknown;
    return WriteMediaTagsToFile(toSource ? media->GetSourcePath() : media->GetOutputPath(), tags, mp4Cover != 0, why);
}

int ReadMediaTags(IVXMMedia* media, VXM_MEDIA_TAGS& tags)
{
    if (!media)
        return 0;
    return ReadMediaTagsFromFile(media->GetSourcePath(), tags, media->GetThumbnailPath());
}
