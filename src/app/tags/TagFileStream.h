// TagLib's view of a file being changed through a copy beside it: reads and
// writes go to the copy, the format is known by the file's own name. Every
// failure is kept by the copy, which then refuses to take the file's place.
#pragma once
#include <cstdint>
#include <string>

#include <taglib/tiostream.h>

class CFileEditCopy;

class CTagFileStream : public TagLib::IOStream {
public:
    CTagFileStream(CFileEditCopy& copy, std::string name) : m_copy(copy), m_name(std::move(name)) {}

    TagLib::FileName name() const override { return m_name.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0, unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return false; }
    bool isOpen() const override;
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return m_position; }
    long length() override;
    void truncate(long length) override;

    // Follows the bytes [begin, end) through every change made: they move
    // with what is put in or taken out before them, and any change that
    // reaches into them is kept (Guarded, Touched).
    void Guard(std::uint64_t begin, std::uint64_t end);
    bool Guarded() const { return m_guardEnd > m_guardBegin; }
    std::uint64_t GuardBegin() const { return m_guardBegin; }
    std::uint64_t GuardEnd() const { return m_guardEnd; }
    bool Touched() const { return m_touched; }

private:
    // The bytes [start, start + replace) become `inserted` bytes.
    void Follow(std::uint64_t start, std::uint64_t replace, std::uint64_t inserted);

    CFileEditCopy& m_copy;
    std::string m_name;
    long m_position = 0;
    std::uint64_t m_guardBegin = 0;
    std::uint64_t m_guardEnd = 0;
    bool m_touched = false;
};
