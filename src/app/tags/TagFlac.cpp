#include "TagFlac.h"

#include <algorithm>
#include <memory>

#include <taglib/flacpicture.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/vorbisfile.h>

#include "TagXiph.h"

using namespace TagLib;

namespace {

enum EBlockType : unsigned { kStreamInfo = 0, kPadding = 1, kComment = 4, kPicture = 6 };
const unsigned kLastBlock = 0x80;
const unsigned kMaxBlock = 0xFFFFFF;
// The padding a grown set of blocks gets, so that the next save fits in it.
const unsigned kNewPadding = 4096;

struct CFlacBlock {
    unsigned type = 0;
    ByteVector data;
};

struct CFlacBlocks {
    bool readable = false;
    long start = 0;       // the first block, after "fLaC"
    unsigned length = 0;  // the bytes of every block, headers included
    std::vector<CFlacBlock> blocks;
};

CFlacBlocks ReadBlocks(IOStream& stream)
{
    CFlacBlocks read;
    stream.seek(0);
    const ByteVector head = stream.readBlock(10);
    // Rippers may put an ID3v2 tag in front.
    long at = 0;
    if (head.size() == 10 && head.startsWith("ID3"))
        at = 10 + static_cast<long>(ID3v2::SynchData::toUInt(head.mid(6, 4))) + ((head[5] & 0x10) ? 10 : 0);
    stream.seek(at);
    if (stream.readBlock(4) != "fLaC") return read;
    read.start = at + 4;
    bool last = false;
    for (at = read.start; !last;) {
        stream.seek(at);
        const ByteVector header = stream.readBlock(4);
        if (header.size() != 4) return read;
        last = (header[0] & kLastBlock) != 0;
        const unsigned size = header.toUInt(0U) & kMaxBlock;
        const ByteVector data = stream.readBlock(size);
        if (data.size() != size) return read;
        read.blocks.push_back({static_cast<unsigned>(header[0] & 0x7F), data});
        at += 4 + static_cast<long>(size);
    }
    read.length = static_cast<unsigned>(at - read.start);
    read.readable = !read.blocks.empty() && read.blocks.front().type == kStreamInfo;
    return read;
}

unsigned PictureField(const ByteVector& block)
{
    const unsigned type = block.size() >= 4 ? block.toUInt(0U) : 0;
    return type == FLAC::Picture::FrontCover || type == FLAC::Picture::Other ? kTagCover : 0;
}

ByteVector Block(unsigned type, const ByteVector& data, bool last)
{
    ByteVector block = ByteVector::fromUInt(data.size());
    block[0] = static_cast<char>(type | (last ? kLastBlock : 0));
    block.append(data);
    return block;
}

// An Ogg file's comment packet: its number, and the bytes before the comment
// in it (the packet's own header).
struct COggPacket {
    int number = -1;
    unsigned prefix = 0;
    ByteVector data;
};

COggPacket FindCommentPacket(Ogg::File* file)
{
    COggPacket packet;
    if (dynamic_cast<Ogg::Vorbis::File*>(file) || dynamic_cast<Ogg::Opus::File*>(file) ||
        dynamic_cast<Ogg::Speex::File*>(file)) {
        packet.data = file->packet(1);
        packet.prefix = packet.data.startsWith("\x03vorbis") ? 7 : packet.data.startsWith("OpusTags") ? 8 : 0;
        if (dynamic_cast<Ogg::Speex::File*>(file) || packet.prefix) packet.number = 1;
        return packet;
    }
    // Ogg FLAC: the metadata blocks follow the stream's first packet, one a packet.
    for (int number = 1; dynamic_cast<Ogg::FLAC::File*>(file) && number < 64; ++number) {
        const ByteVector data = file->packet(static_cast<unsigned>(number));
        if (data.isEmpty()) break;
        if ((data[0] & 0x7F) == kComment) return {number, 4, data};
        if (data[0] & kLastBlock) break;
    }
    return packet;
}

}  // namespace

CTagBlocks FlacBlocks(IOStream& stream)
{
    CTagBlocks found;
    const CFlacBlocks read = ReadBlocks(stream);
    CTagBlock blocks{"FLAC", {}};
    for (const CFlacBlock& block : read.blocks) {
        if (block.type == kComment && found.empty())
            found.push_back({"Xiph", XiphItems(ReadXiphComment(block.data, 0))});
        else if (block.type != kPadding)
            blocks.items.push_back({"block " + std::to_string(block.type), block.data,
                                    block.type == kPicture ? PictureField(block.data) : 0u});
    }
    found.push_back(blocks);
    return found;
}

bool ReadFlacTagBlocks(IOStream& stream, ByteVector& comment, std::vector<ByteVector>& pictures)
{
    const CFlacBlocks read = ReadBlocks(stream);
    auto found = std::find_if(read.blocks.begin(), read.blocks.end(),
                              [](const CFlacBlock& block) { return block.type == kComment; });
    if (!read.readable || found == read.blocks.end()) return false;
    comment = found->data;
    pictures.clear();
    for (const CFlacBlock& block : read.blocks)
        if (block.type == kPicture) pictures.push_back(block.data);
    return true;
}

bool WriteFlacBlocks(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    const CFlacBlocks read = ReadBlocks(stream);
    if (!read.readable) return false;
    std::vector<CFlacBlock> blocks;
    bool comment = false;
    long picture = -1;  // where the new cover goes: in place of the first it replaces
    for (const CFlacBlock& block : read.blocks) {
        if (block.type == kPadding) continue;
        if (block.type == kComment && !comment) {
            comment = true;
            const CXiphComment held = ReadXiphComment(block.data, 0);
            if (!held.readable) return false;
            blocks.push_back({kComment, RenderXiphComment(held, tags, edited, cover, false)});
            continue;
        }
        if (block.type == kPicture && (edited & kTagCover) && cover.valid && PictureField(block.data)) {
            if (picture < 0) picture = static_cast<long>(blocks.size());
            continue;
        }
        blocks.push_back(block);
    }
    // A comment made anew holds every field, so that it reads back as the row.
    if (!comment && (edited & ~kTagCover))
        blocks.insert(blocks.begin() + 1, {kComment, RenderXiphComment(CXiphComment(), tags,
                                                                       edited | FilledTagFields(tags), cover, false)});
    if ((edited & kTagCover) && cover.valid)
        blocks.insert(picture < 0 ? blocks.end() : blocks.begin() + picture, {kPicture, CoverPictureBlock(cover)});
    unsigned length = 0;
    for (const CFlacBlock& block : blocks) {
        if (block.data.size() > kMaxBlock) return false;
        length += 4 + block.data.size();
    }
    // The padding takes up the difference, so that the audio stays where it was.
    unsigned padding = kNewPadding;
    if (length + 4 <= read.length) padding = read.length - length - 4;
    if (length == read.length) padding = 0;
    if (padding || length != read.length) blocks.push_back({kPadding, ByteVector(padding, '\0')});
    ByteVector data;
    for (size_t i = 0; i < blocks.size(); ++i) data.append(Block(blocks[i].type, blocks[i].data, i + 1 == blocks.size()));
    stream.insert(data, static_cast<unsigned long>(read.start), read.length);
    return true;
}

CTagItems OggCommentItems(Ogg::File* file)
{
    const COggPacket packet = FindCommentPacket(file);
    return packet.number < 0 ? CTagItems() : XiphItems(ReadXiphComment(packet.data, packet.prefix));
}

bool WriteOggComment(Ogg::File* file, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    const COggPacket packet = FindCommentPacket(file);
    if (packet.number < 0) return false;
    const CXiphComment held = ReadXiphComment(packet.data, packet.prefix);
    if (!held.readable) return false;
    const ByteVector comment = RenderXiphComment(held, tags, edited, cover, true);
    ByteVector data = packet.data.mid(0, packet.prefix);
    if (packet.prefix == 4) {  // an Ogg FLAC block header: its type, then the comment's size
        if (comment.size() > kMaxBlock) return false;
        const ByteVector size = ByteVector::fromUInt(comment.size());
        for (unsigned i = 1; i < 4; ++i) data[i] = size[i];
    }
    data.append(comment);
    // What follows the comment (Vorbis' framing bit, Opus' padding) stays.
    data.append(packet.data.mid(held.end));
    file->setPacket(static_cast<unsigned>(packet.number), data);
    return file->Ogg::File::save();
}
