#include "TagFileStream.h"

#include <algorithm>
#include <string_view>

#include "platform/filecontent.h"

using TagLib::ByteVector;

namespace {

std::string_view Bytes(const ByteVector& data)
{
    return std::string_view(data.data(), data.size());
}

}  // namespace

ByteVector CTagFileStream::readBlock(unsigned long length)
{
    // Never more than the file holds, whatever size a damaged header claims.
    const long left = std::max(0L, this->length() - m_position);
    ByteVector block(static_cast<unsigned int>(std::min<unsigned long>(length, static_cast<unsigned long>(left))));
    if (block.isEmpty())
        return block;
    const std::size_t read = m_copy.Read(static_cast<std::uint64_t>(m_position), block.data(), block.size());
    block.resize(static_cast<unsigned int>(read));
    m_position += static_cast<long>(read);
    return block;
}

void CTagFileStream::writeBlock(const ByteVector& data)
{
    const std::uint64_t at = static_cast<std::uint64_t>(m_position);
    // Written over: what was there is gone, what follows stays in place.
    const std::uint64_t over = std::min<std::uint64_t>(data.size(), m_copy.Size() > at ? m_copy.Size() - at : 0);
    Follow(at, over, over);
    m_copy.Write(at, Bytes(data));
    m_position += static_cast<long>(data.size());
}

void CTagFileStream::insert(const ByteVector& data, unsigned long start, unsigned long replace)
{
    const std::uint64_t size = m_copy.Size();
    const std::uint64_t replaced = start >= size ? 0 : std::min<std::uint64_t>(replace, size - start);
    Follow(start, replaced, data.size());
    m_copy.Insert(start, Bytes(data), replace);
    m_position = static_cast<long>(start + data.size());
}

void CTagFileStream::removeBlock(unsigned long start, unsigned long length)
{
    const std::uint64_t size = m_copy.Size();
    Follow(start, start >= size ? 0 : std::min<std::uint64_t>(length, size - start), 0);
    m_copy.Remove(start, length);
    m_position = this->length();
}

bool CTagFileStream::isOpen() const
{
    return m_copy.IsOpen();
}

void CTagFileStream::seek(long offset, Position p)
{
    const long base = p == Beginning ? 0 : (p == Current ? m_position : length());
    m_position = std::max(0L, base + offset);
}

long CTagFileStream::length()
{
    return static_cast<long>(m_copy.Size());
}

void CTagFileStream::truncate(long length)
{
    const std::uint64_t to = static_cast<std::uint64_t>(std::max(0L, length));
    if (to < m_copy.Size()) Follow(to, m_copy.Size() - to, 0);
    m_copy.Truncate(to);
}

void CTagFileStream::Guard(std::uint64_t begin, std::uint64_t end)
{
    m_guardBegin = begin;
    m_guardEnd = std::max(begin, end);
    m_touched = false;
}

void CTagFileStream::Follow(std::uint64_t start, std::uint64_t replace, std::uint64_t inserted)
{
    if (!Guarded() || (replace == 0 && inserted == 0)) return;
    const std::uint64_t stop = start + replace;
    if (start >= m_guardEnd) return;  // after them: nothing moves
    if (replace == 0 ? start <= m_guardBegin : stop <= m_guardBegin) {
        // Before them: they move by what changed in size.
        m_guardBegin = m_guardBegin - replace + inserted;
        m_guardEnd = m_guardEnd - replace + inserted;
        return;
    }
    m_touched = true;
}
