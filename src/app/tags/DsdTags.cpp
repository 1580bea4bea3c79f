#include "DsdTags.h"

#include <memory>

#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/tfile.h>

#include "TagId3v2.h"

using namespace TagLib;

namespace {

// A DSF or DSDIFF file as TagLib's file layer reads it, with its ID3v2 tag.
class CDsdFile : public File {
public:
    CDsdFile(IOStream* stream, long at) : File(stream), m_tag(std::make_unique<ID3v2::Tag>(this, at)) {}

    ID3v2::Tag* tag() const override { return m_tag.get(); }
    AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }

private:
    std::unique_ptr<ID3v2::Tag> m_tag;
};

// The "ID3 " chunk of a DSDIFF form: chunks of a name and a 64-bit
// big-endian size, each starting on an even byte.
long DsdiffId3v2(IOStream& stream, long length)
{
    for (long chunk = 16; chunk <= length - 12;) {
        stream.seek(chunk);
        const ByteVector header = stream.readBlock(12);
        if (header.startsWith("ID3 ")) return chunk + 12;
        const long long size = header.toLongLong(4U, true);
        // Sizes come from the file: compared so that none can wrap around.
        if (size < 0 || size > length - chunk - 12) return -1;
        chunk += 12 + static_cast<long>(size) + static_cast<long>(size & 1);
    }
    return -1;
}

}  // namespace

long FindDsdId3v2(IOStream& stream)
{
    const long length = stream.length();
    stream.seek(0);
    const ByteVector head = stream.readBlock(28);
    long at = -1;
    if (head.size() == 28 && head.startsWith("DSD ") && head.toLongLong(4U, false) == 28) {
        // DSF: the header names where the tag starts (0: none).
        const long long named = head.toLongLong(20U, false);
        if (named >= 28 && named <= length - 10) at = static_cast<long>(named);
    } else if (head.size() >= 16 && head.startsWith("FRM8") && head.containsAt("DSD ", 12)) {
        at = DsdiffId3v2(stream, length);
    }
    if (at < 0) return -1;
    stream.seek(at);
    return stream.readBlock(3) == ID3v2::Header::fileIdentifier() ? at : -1;
}

bool ReadDsdTags(IOStream& stream, VXM_MEDIA_TAGS& tags, ByteVector* cover)
{
    const long at = FindDsdId3v2(stream);
    if (at < 0) return false;
    CDsdFile file(&stream, at);
    RecoverId3v2Frames(file.tag(), &file, at);
    ReadId3v2Fields(tags, file.tag(), cover);
    return true;
}
