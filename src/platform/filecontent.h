// A file changed through a copy: the changes are kept as a list of the
// file's stretches and the bytes written between them, and the copy, beside
// the file under a hidden name, is written from that list once, when
// committed (each byte once, however far a change moved it). It then takes
// the file's place (with its mode, owner and times). Until then, and after
// any failure (no right to write, a full disk), the file stays as it was and
// the copy is removed. Memory use grows with what was written, not with the
// file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    // The bytes written into the copy file so far.
    std::uint64_t Written() const { return m_written; }

    bool IsOpen() const { return m_copy >= 0; }  // the copy is there
    bool Failed() const { return !m_why.empty(); }
    // The first failure in a few words.
    const std::string& Why() const { return m_why; }

    // The copy, synced and given the file's mode, owner and times, replaces
    // the file. False (the file unchanged) after any failure, or when the
    // file was changed by someone else meanwhile.
    bool Commit();

private:
    // A stretch of the copy: bytes of the file, bytes written, or zeros.
    enum class EFrom : char { kFile, kWritten, kZeros };
    struct CPiece {
        std::uint64_t length = 0;
        std::uint64_t at = 0;  // in the file, or in the bytes written
        EFrom from = EFrom::kZeros;
    };

    bool Fail(int error, const std::string& detail = std::string());
    std::size_t ReadFrom(int fd, std::uint64_t offset, char* buffer, std::size_t size);
    bool WriteCopy(std::uint64_t offset, std::string_view data);
    // Copies `length` bytes of the file from `from` to `to` in the copy (holes stay holes).
    bool CopyRange(std::uint64_t from, std::uint64_t to, std::uint64_t length);
    // False (and failed) when the file is no longer as it was copied.
    bool Unchanged();
    // The piece that holds `offset` (the end: past the last), and where it starts.
    std::size_t Find(std::uint64_t offset, std::uint64_t& start);
    // The index of the piece that starts at `offset`, splitting the one that holds it.
    std::size_t SplitAt(std::uint64_t offset);
    // The `length` bytes at `offset` become `piece` (none when it is empty).
    void Replace(std::uint64_t offset, std::uint64_t length, const CPiece& piece);
    // The piece of `data`, kept with the bytes written.
    CPiece Kept(std::string_view data);

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
    std::vector<CPiece> m_pieces;  // the copy, in order
    std::string m_bytes;           // the bytes written, as the pieces take them
    // The piece last found and where it starts: edits near the last are found at once.
    std::size_t m_hint = 0;
    std::uint64_t m_hintStart = 0;
    std::uint64_t m_size = 0;
    std::uint64_t m_written = 0;
    bool m_committed = false;
    std::string m_why;
};
