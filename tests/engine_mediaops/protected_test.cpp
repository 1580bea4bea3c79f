// The protected-content test on hand-made MP4 byte files.
#include "MediaRunners.h"
#include "VXMMediaImpl.h"
#include "mediaops_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

using namespace mediaopstest;

namespace {

using Bytes = std::string;

Bytes Be32(std::uint32_t v)
{
    return Bytes{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

Bytes Atom(const char* type, const Bytes& body)
{
    return Be32(static_cast<std::uint32_t>(8 + body.size())) + type + body;
}

Bytes Ftyp()
{
    return Atom("ftyp", "M4V " + Be32(0) + "isom");
}

// moov/udta/meta (full atom: 4 zero bytes first)/ilst with the given items.
Bytes Moov(const Bytes& items)
{
    return Atom("moov", Atom("udta", Atom("meta", Be32(0) + Atom("hdlr", Bytes(25, '\0')) + Atom("ilst", items))));
}

class Protected : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes)
    {
        const std::string path = m_dir.File("f" + std::to_string(m_count++) + ".m4v");
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    int Ask(const Bytes& bytes) { return ReadMp4ProtectedFlag(W(Write(bytes))); }

    vxmtest::CTempDir m_dir;
    int m_count = 0;
};

TEST_F(Protected, PurchaseIdBesideStikIsProtected)
{
    EXPECT_EQ(Ask(Ftyp() + Moov(Atom("stik", Bytes(9, '\1')) + Atom("apID", Bytes(12, 'a')))), 1);
    // The id may come before the kind.
    EXPECT_EQ(Ask(Ftyp() + Moov(Atom("apID", Bytes(12, 'a')) + Atom("stik", Bytes(9, '\1')))), 1);
}

TEST_F(Protected, PlainFilesAreNot)
{
    EXPECT_EQ(Ask(Ftyp() + Moov(Atom("stik", Bytes(9, '\1')))), 0);
    EXPECT_EQ(Ask(Ftyp() + Moov(Atom("apID", Bytes(12, 'a')))), 0);
    EXPECT_EQ(Ask(Ftyp() + Moov(Atom("stik", Bytes(9, '\1')) + Atom("apID", ""))), 0);  // empty id
    EXPECT_EQ(Ask(Atom("free", "x") + Ftyp() + Moov(Atom("stik", "x") + Atom("apID", "abcd"))), 0);
    EXPECT_EQ(Ask("RIFF1234AVI LIST"), 0);
    EXPECT_EQ(Ask(""), 0);
    EXPECT_EQ(ReadMp4ProtectedFlag(W(vxmtest::GetTestMedia().mp4)), 0);
}

TEST_F(Protected, BrokenSizesEndTheWalk)
{
    const Bytes items = Atom("stik", "x") + Atom("apID", "abcd");
    // Sizes 1 to 7 cannot hold a header.
    for (std::uint32_t size = 1; size < 8; ++size)
        EXPECT_EQ(Ask(Ftyp() + Be32(size) + "junk" + Moov(items)), 0) << size;
    // Zero-sized words are stepped over.
    EXPECT_EQ(Ask(Ftyp() + Be32(0) + Moov(items)), 1);
    EXPECT_EQ(Ask(Ftyp() + Bytes(64, '\0')), 0);
    // A size past the end of the file.
    EXPECT_EQ(Ask(Ftyp() + Be32(0x7fffffff) + "moov" + items), 0);
    Bytes longIlst = Ftyp() + Moov(items);
    longIlst.resize(longIlst.size() - 3);  // the last atom is cut short
    EXPECT_EQ(Ask(longIlst), 0);
    EXPECT_EQ(Ask(Be32(0xffffffff) + "ftyp"), 0);
    EXPECT_EQ(Ask(Be32(8) + "ftyp"), 0);
}

TEST_F(Protected, TheAnswerIsKept)
{
    const std::string path = Write(Ftyp() + Moov(Atom("stik", "x")));
    CVXMMediaImpl media;
    media.SetSourcePath(W(path));
    EXPECT_EQ(media.IsProtected(), 0);
    std::ofstream(path, std::ios::binary) << Ftyp() + Moov(Atom("stik", "x") + Atom("apID", "abcd"));
    EXPECT_EQ(media.IsProtected(), 0);  // stored, the file is not read again
    CVXMMediaImpl other;
    other.SetSourcePath(W(path));
    EXPECT_EQ(other.IsProtected(), 1);
}

TEST_F(Protected, UnreadableFileIsAskedAgainLater)
{
    const std::string path = m_dir.File("later.m4v");
    CVXMMediaImpl media;
    media.SetSourcePath(W(path));
    EXPECT_EQ(media.IsProtected(), 0);
    EXPECT_EQ(media.m_nProtected, -1);
    std::ofstream(path, std::ios::binary) << Ftyp() + Moov(Atom("stik", "x") + Atom("apID", "abcd"));
    EXPECT_EQ(media.IsProtected(), 1);
}

}  // namespace
