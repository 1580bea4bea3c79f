#include "Mp4OffsetTables.h"

#include <taglib/mp4atom.h>
#include <taglib/tfile.h>

bool Mp4OffsetTablesFit(TagLib::File* file)
{
    TagLib::MP4::Atoms atoms(file);
    TagLib::MP4::Atom* moov = atoms.find("moov");
    if (!moov)
        return true;
    // As TagLib reads them: the count 12 bytes into the atom, the entries after it.
    const struct {
        const char* name;
        long long entrySize;
    } tables[] = {{"stco", 4}, {"co64", 8}};
    for (const auto& table : tables) {
        for (TagLib::MP4::Atom* atom : moov->findall(table.name, true)) {
            file->seek(atom->offset + 12);
            const TagLib::ByteVector count = file->readBlock(4);
            if (count.size() != 4 || 4 + count.toUInt() * table.entrySize > atom->length - 12LL)
                return false;
        }
    }
    return true;
}
