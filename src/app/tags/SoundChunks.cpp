#include "SoundChunks.h"

#include <functional>

using TagLib::ByteVector;

namespace {

struct CChunkForm {
    bool found = false;
    bool bigEndian = false;  // AIFF
    const char* soundId = nullptr;
    std::uint64_t end = 0;
};

CChunkForm FormOf(TagLib::IOStream& stream)
{
    stream.seek(0);
    const ByteVector head = stream.readBlock(12);
    CChunkForm form;
    if (head.size() < 12) return form;
    if (head.startsWith("RIFF") && head.containsAt("WAVE", 8)) {
        form = {true, false, "data"};
    } else if (head.startsWith("FORM") && (head.containsAt("AIFF", 8) || head.containsAt("AIFC", 8))) {
        form = {true, true, "SSND"};
    }
    form.end = 8 + std::uint64_t{head.toUInt(4U, form.bigEndian)};
    return form;
}

bool IsChunkId(const ByteVector& id)
{
    if (id.size() != 4) return false;
    for (char c : id)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) return false;
    return true;
}

// Calls `visit` with each chunk's id, its header's offset and its size,
// until it returns false or the chunks end.
void WalkChunks(TagLib::IOStream& stream, const CChunkForm& form,
                const std::function<bool(const ByteVector&, std::uint64_t, std::uint32_t)>& visit)
{
    const std::uint64_t length = static_cast<std::uint64_t>(stream.length());
    std::uint64_t at = 12;
    while (at + 8 <= length) {
        stream.seek(static_cast<long>(at));
        const ByteVector header = stream.readBlock(8);
        if (header.size() < 8 || !IsChunkId(header.mid(0, 4))) return;
        const std::uint32_t size = header.toUInt(4U, form.bigEndian);
        if (!visit(header.mid(0, 4), at, size)) return;
        at += 8 + std::uint64_t{size} + (size & 1);
    }
}

}  // namespace

CSoundSpan FindSoundSpan(TagLib::IOStream& stream)
{
    CSoundSpan span;
    const CChunkForm form = FormOf(stream);
    if (!form.found) return span;
    const std::uint64_t length = static_cast<std::uint64_t>(stream.length());
    WalkChunks(stream, form, [&](const ByteVector& id, std::uint64_t at, std::uint32_t size) {
        if (id != form.soundId) return true;
        span.found = true;
        span.formEnd = form.end;
        span.sizeField = at + 4;
        span.begin = at + 8;
        span.end = span.begin + size;
        // Players take an unstated length to the end of the file.
        span.openEnded = !form.bigEndian && (size == 0 || size == 0xFFFFFFFFu || span.end > length);
        if (span.openEnded || span.end > length) span.end = length;
        return false;
    });
    return span;
}

bool CloseSoundSpan(TagLib::IOStream& stream, const CSoundSpan& span)
{
    if (!span.found || !span.openEnded) return true;
    const std::uint64_t size = span.end - span.begin;
    if (size >= 0xFFFFFFFFu) return false;
    stream.seek(static_cast<long>(span.sizeField));
    stream.writeBlock(ByteVector::fromUInt(static_cast<unsigned int>(size), false));
    stream.seek(static_cast<long>(span.sizeField));
    return stream.readBlock(4) == ByteVector::fromUInt(static_cast<unsigned int>(size), false);
}

long FindId3v2Chunk(TagLib::IOStream& stream)
{
    const CChunkForm form = FormOf(stream);
    long found = -1;
    if (!form.found) return found;
    WalkChunks(stream, form, [&](const ByteVector& id, std::uint64_t at, std::uint32_t) {
        if (id != "ID3 " && id != "id3 ") return true;
        found = static_cast<long>(at + 8);
        return false;
    });
    return found;
}

CRiffForm ReadRiffForm(TagLib::IOStream& stream)
{
    CRiffForm riff;
    const CChunkForm form = FormOf(stream);
    if (!form.found) return riff;
    riff.found = true;
    riff.bigEndian = form.bigEndian;
    WalkChunks(stream, form, [&](const ByteVector& id, std::uint64_t at, std::uint32_t size) {
        riff.chunks.push_back({id, at, size});
        return true;
    });
    return riff;
}
