// Tagged files as other programs leave them, judged by mutagen, the reader
// users trust (tests/support/tag_files.py, run by /usr/bin/python3).
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace vxmtest {

// Changes a file ffmpeg made into one as another program leaves it: "v24-tyer",
// "twice-tpe1", "ape-beside-id3", "empty-popm", "zero-data", "cut-sound",
// "colon-name", "id3-before-ape", "empty-popm-first", "empty-tyer-first",
// "popm-beyond", "junk-frame", "two-id3v2", "itunnorm", "zero-block"; "dsf" and
// "dsdiff" make the whole file.
bool MakeTagFile(const std::string& kind, const std::string& path);

// What mutagen reads: "<tag> <field>=<value>" lines, sorted; tags "id3",
// "ape", "xiph", "mp4"; fields title, artist, album, year, track, genre,
// comment, lyrics, composer, volume (v2.3's RVAD) and cover (as "md5:<hex>").
std::string MutagenTags(const std::string& path);

// Every item mutagen reads, one line each, sorted: the fields a save writes
// by their text, any other item whole (an ID3v2 frame with its encoding).
std::string MutagenItems(const std::string& path);

// The lines MutagenTags gives when each of `tags` holds the fields ("ape~":
// all but the cover and lyrics), and `extra` lines.
std::string MutagenLines(const std::vector<std::string>& tags,
                         const std::vector<std::pair<std::string, std::string>>& fields,
                         const std::vector<std::string>& extra = {});

// "md5:<hex>" of a file's bytes.
std::string Md5OfFile(const std::string& path);
// The MD5 of the decoded audio, as ffmpeg gives it.
std::string DecodedAudioMd5(const std::string& path);

}  // namespace vxmtest
