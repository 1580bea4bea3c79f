// What of a file's tags TagLib 1.13 does not read by itself, though other
// readers (mutagen, libavformat) do: frames after one it stops at, a second
// ID3v2 tag after the first (which its save blanks), files of a kind it knows
// whose tags it cannot parse. Read here where it can be; a save is refused
// where it cannot, as it would lose what other programs show.
#pragma once
#include <string>

#include <taglib/tfile.h>
#include <taglib/tiostream.h>

// Reads into the ID3v2 tags TagLib opened (MP3, TrueAudio, WAV, AIFF) the
// frames after one it stopped at. `stream` is the file's stream. False when
// a frame other readers take cannot be read here either.
bool RecoverUnreadFrames(TagLib::File* file, TagLib::IOStream& stream);

// Why saving the file's tags would lose or leave stale what other readers
// see in them; empty when TagLib reads them whole.
std::string UnreadTagData(TagLib::File* file, TagLib::IOStream& stream);

// True when the file's name is of a kind TagLib has a class for.
bool TagLibKnowsKind(const std::string& name);
