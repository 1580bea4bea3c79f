// A file changed through a copy: the file is copied beside itself under a
// hidden name, the copy is edited in place, and it takes the file's place
// (with its mode, owner and times) only when committed whole. Until then, and
// after any failure (no right to write, a full disk), the file stays as it
// was and the copy is removed. Memory use does not grow with the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CFileEditCopy {
public:
    CFileEditCopy() = default;
    ~CFileEditCopy();  // removes a copy that was not committed
    CFileEditCopy(const CFileEditCopy&) = delete;
    CFileEditCopy& operator=(const CFileEditCopy&) = delete;

    // Opens the file (through a link, the file it names) to be copied. False
    // when it cannot be read or is not a regular file.
    bool Open(const std::wstring& path);
    // Makes the copy. False when the file may not be changed (read-only) or
    // there is no room beside it for its blocks (holes stay holes).
    bool MakeCopy();

    // The copy's bytes. The first failure is kept (Failed, Why); later calls
    // then do nothing and Commit refuses.
    std::size_t Read(std::uint64_t offset, char* buffer, std::size_t size);
    void Write(std::uint64_t offset, std::string_view data);
    // Puts `data` in place of the `replace` bytes at `offset`, moving what follows.
    void Insert(std::uint64_t offset, std::string_view data, std::uint64_t replace);
    void Remove(std::uint64_t offset, std::uint64_t length);
    void Truncate(std::uint64_t length);
    std::uint64_t Size() const { return m_size; }

    bool IsOpen() const { return m_copy >= 0; }  // the copy is there
    bool Failed() const { return !m_why.empty(); }
    // The first failure in a few words.
    const std::string& Why() const { return m_why; }

    // The copy, synced and given the file's mode, owner and times, replaces
    // the file. False (the file unchanged) after any failure, or when the
    // file was changed by someone else meanwhile.
    bool Commit();

private:
    bool Fail(int error, const std::string& detail = std::string());
    void Move(std::uint64_t from, std::uint64_t to, std::uint64_t length);
    bool CopyContent(int source);

    // What the file was when copied: given to the copy, and compared before
    // the copy takes its place.
    struct COriginal {
        std::uint64_t device = 0, inode = 0, size = 0, blocks = 0;
        std::int64_t accessed[2] = {0, 0}, modified[2] = {0, 0};  // seconds, nanoseconds
        unsigned mode = 0, owner = 0, group = 0;
    };

    std::string m_name;      // the file (links followed)
    std::string m_copyName;  // the copy beside it
    COriginal m_original;
    int m_source = -1;
    int m_copy = -1;
    std::uint64_t m_size = 0;
    bool m_committed = false;
    std::string m_why;
};
