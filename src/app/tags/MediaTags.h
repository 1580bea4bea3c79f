// Reading and writing the audio tags of a music row (title, artist, album,
// comment, genre, year, track, lyrics and cover picture) with TagLib.
#pragma once
#include <string>

#include <taglib/tbytevector.h>
#include <taglib/tfile.h>

class IVXMMedia;

// The tag fields a music row carries. Year and track are decimal text.
struct VXM_MEDIA_TAGS {
    std::wstring title;
    std::wstring artist;
    std::wstring album;
    std::wstring comment;
    std::wstring genre;
    std::wstring year;
    std::wstring track;
    std::wstring cover;   // picture file (PNG or JPEG) to write as the front cover
    std::wstring lyrics;
};

// A picture file read whole through TagLib's file layer.
class ImageFile : public TagLib::File {
public:
    explicit ImageFile(TagLib::FileName file) : TagLib::File(file) {}

    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }

    TagLib::ByteVector ReadAll();
    bool IsValid() const;
    // "image/png" or "image/jpeg" from the picture's signature, else from the
    // name (".png", ".jpg", ".jpeg" in any case); empty for anything else.
    TagLib::String GetMimeType();
};

// MIME type by the name alone, as ImageFile falls back to.
std::string ImageMimeTypeFromName(const std::wstring& path);

// Results of the writers.
constexpr int kTagsWritten = 1;
constexpr int kTagsFormatUnknown = 0;  // no writer knows the file: it is unchanged
constexpr int kTagsNotWritten = -1;    // the file could not be written: it is unchanged

// Every field of the row, for the writers' `fields`.
constexpr unsigned kAllTagFields = ~0u;

// Writes the fields into the file. The cover goes into MP4 files only when
// `mp4Cover` is set. Only the `fields` (bits of the row's fields, TagItems.h:
// those the user changed) whose values differ from those the file holds are
// written: the others keep what the file holds, whatever the row shows (a
// value it took from the probe), every other tag item stays byte for byte,
// and a file that holds the values already is left untouched. The file is changed as a
// whole: a copy beside it takes its place only when complete and read back
// (the new values, the same audio, every other tag item kept, as the format
// stores them). A file whose tags TagLib cannot read whole is not written.
// An empty file is not written. A failure leaves the file as it was; `why`
// says what went wrong, and `whyText`, when the file or the copy was
// refused, names the language text that tells the user (else it is emptied).
int WriteMediaTagsToFile(const std::wstring& path, const VXM_MEDIA_TAGS& tags, bool mp4Cover,
                         std::string* why = nullptr, std::string* whyText = nullptr,
                         unsigned fields = kAllTagFields);
// Reads the fields from the file (with the frames TagLib stops short of, the
// ID3v2 tag of DSF and DSDIFF files, and the comment of a FLAC file whose
// blocks TagLib stops at); 1 when its format was handled,
// else 0 (the fields are then unchanged). A front cover found is written to
// `coverOut` when that is not empty.
int ReadMediaTagsFromFile(const std::wstring& path, VXM_MEDIA_TAGS& tags, const std::wstring& coverOut);

// The row's forms: write into the media's source (toSource nonzero) or
// output file; read from its source, the cover into its thumbnail file.
int WriteMediaTags(IVXMMedia* media, const VXM_MEDIA_TAGS& tags, int toSource, int mp4Cover,
                   std::string* why = nullptr);
int ReadMediaTags(IVXMMedia* media, VXM_MEDIA_TAGS& tags);
