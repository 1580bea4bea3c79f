// The chunks of WAV and AIFF files as players read them: where the sound
// lies and where an ID3v2 chunk is. Read through TagLib's stream, so the
// same code looks at a file and at the copy being changed.
#pragma once
#include <cstdint>
#include <vector>

#include <taglib/tiostream.h>

struct CSoundSpan {
    bool found = false;
    bool openEnded = false;       // a WAV data chunk of size 0, all ones or beyond the end
    std::uint64_t sizeField = 0;  // where the chunk's size is written
    std::uint64_t begin = 0;      // the sound bytes as players take them
    std::uint64_t end = 0;
    std::uint64_t formEnd = 0;    // where the RIFF or FORM chunk says the file ends
};

// The sound of a WAV ("data") or AIFF ("SSND") file; not found for other files.
// An open-ended data chunk reaches to the end of the file, as players take it.
CSoundSpan FindSoundSpan(TagLib::IOStream& stream);

// Writes the size an open-ended data chunk has (the rest of the file) into
// it, so that a chunk put after it is not taken for sound. False when the
// size cannot be stated (4 GiB or more) or the write failed.
bool CloseSoundSpan(TagLib::IOStream& stream, const CSoundSpan& span);

// Where the ID3v2 chunk of a WAV or AIFF file starts (its tag's first byte); -1 when none.
long FindId3v2Chunk(TagLib::IOStream& stream);

// The chunks at the top of a WAV (RIFF) or AIFF (FORM) file.
struct CRiffChunk {
    TagLib::ByteVector id;
    std::uint64_t at = 0;  // its header
    std::uint32_t size = 0;
};
struct CRiffForm {
    bool found = false;
    bool bigEndian = false;  // AIFF
    std::vector<CRiffChunk> chunks;
};
CRiffForm ReadRiffForm(TagLib::IOStream& stream);
