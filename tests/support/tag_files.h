// Tagged files as other programs leave them, judged by mutagen, the reader
// users trust (tests/support/tag_files.py, run by /usr/bin/python3).
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace vxmtest {

// Changes a file ffmpeg made into one as another program leaves it: "v24-tyer",
// "twice-tpe1", "ape-beside-id3", "empty-popm", "zero-data", "cut-sound",
// "colon-name", "id3-before-ape", "picard-v23", "picard-v24", "flac-picard",
// "ogg-two-pictures", "m4a-itunes", "ape-year-date", "wma-multi",
// "ape-size-beyond-items", "id3v1-only", "empty-popm-first", "empty-tyer-first",
// "popm-beyond", "junk-frame", "two-id3v2", "itunnorm", "zero-block"; "dsf" and
// "dsdiff" make the whole file (tests/support/tag_files.py says what each is).
bool MakeTagFile(const std::string& kind, const std::string& path);

// What mutagen reads: "<tag> <field>=<value>" lines, sorted, each once; tags
// "id3", "id3v1", "ape", "xiph", "mp4", "asf", "aiff" (text chunks); fields
// title, artist, album, year, track (an MP4's "7/12" when it holds a total),
// genre, comment, lyrics, composer, volume (v2.3's RVAD) and cover (the front
// one, as "md5:<hex>").
std::string MutagenTags(const std::string& path);

// The lines MutagenTags gives when each of `tags` holds the fields ("ape~":
// all but the cover and lyrics), and `extra` lines.
std::string MutagenLines(const std::vector<std::string>& tags,
                         const std::vector<std::pair<std::string, std::string>>& fields,
                         const std::vector<std::string>& extra = {});

// Every item of every tag of the file as mutagen reads it, byte for byte
// ("<tag> <key>#<n>=<value>" lines, sorted), but those that hold one of the
// comma-separated row `fields` ("title,cover"): what a save of those fields
// must leave as it was.
std::string MutagenItems(const std::string& path, const std::string& fields = "");

// The lines of `items` (MutagenItems) of the tags, by their first word, that `kinds` has lines of.
std::string OfKindsIn(const std::string& items, const std::string& kinds);

// The name of the atom each entry of an MP4 file's fragment index points at, a line each.
std::string FragmentIndex(const std::string& path);

// The length ffprobe gives the file, in seconds.
std::string ProbedLength(const std::string& path);

// "md5:<hex>" of a file's bytes.
std::string Md5OfFile(const std::string& path);
// The MD5 of the decoded audio, as ffmpeg gives it.
std::string DecodedAudioMd5(const std::string& path);
// The same from 0.5 s on, where ffmpeg seeks to (in an MP4 file, by its fragment index where it has one).
std::string SeekedAudioMd5(const std::string& path);

}  // namespace vxmtest
