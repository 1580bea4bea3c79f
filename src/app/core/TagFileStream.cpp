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
    m_copy.Write(static_cast<std::uint64_t>(m_position), Bytes(data));
    m_position += static_cast<long>(data.size());
}

void CTagFileStream::insert(const ByteVector& data, unsigned long start, unsigned long replace)
{
    m_copy.Insert(start, Bytes(data), replace);
    m_position = static_cast<long>(start + data.size());
}

void CTagFileStream::removeBlock(unsigned long start, unsigned long length)
{
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
    m_copy.Truncate(static_cast<std::uint64_t>(std::max(0L, length)));
}
