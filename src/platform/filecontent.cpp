#include "platform/filecontent.h"

#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Bytes moved at once: the copy's whole cost in memory.
constexpr std::size_t kChunk = std::size_t{1} << 20;

// Closes a descriptor once.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// "<folder>/.<name>.XXXXXX": hidden, beside the file, on its file system. A
// long name is cut (at a letter's start) so the copy's name stays allowed.
std::string CopyTemplate(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t room = NAME_MAX - std::strlen("..XXXXXX");
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return folder + "." + name + ".XXXXXX";
}

// Flushes the folder so the rename itself survives a crash.
void SyncFolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
}

std::string SizeText(std::uint64_t bytes)
{
    char text[32];
    if (bytes < (std::uint64_t{1} << 20))
        std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>((bytes + 1023) >> 10));
    else if (bytes < (std::uint64_t{1} << 30))
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
    else
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / (1 << 30));
    return text;
}

// copy_file_range is refused between some file systems and by old kernels:
// the bytes then go through memory.
bool CopyRangeUnsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

}  // namespace

CFileEditCopy::~CFileEditCopy()
{
    if (m_source >= 0) ::close(m_source);
    if (m_copy >= 0) ::close(m_copy);
    if (!m_committed && !m_copyName.empty()) ::unlink(m_copyName.c_str());
}

bool CFileEditCopy::Fail(int error, const std::string& detail)
{
    if (m_why.empty()) {
        m_why = error ? std::string(std::strerror(error)) : detail;
        if (error && !detail.empty()) m_why += " (" + detail + ")";
    }
    return false;
}

bool CFileEditCopy::Open(const std::wstring& path)
{
    if (m_source >= 0 || IsOpen() || Failed() || m_committed) return Fail(0, "the file is already open");
    // Through a link, the file it names is changed, not the link.
    m_name = WideToUtf8(path);
    if (char* real = ::realpath(m_name.c_str(), nullptr)) {
        m_name = real;
        std::free(real);
    }
    m_source = ::open(m_name.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_source < 0) return Fail(errno);
    struct stat st {};
    if (::fstat(m_source, &st) != 0) return Fail(errno);
    if (!S_ISREG(st.st_mode)) return Fail(0, "not a regular file");
    m_original.device = st.st_dev;
    m_original.inode = st.st_ino;
    m_original.size = static_cast<std::uint64_t>(st.st_size);
    m_original.blocks = static_cast<std::uint64_t>(st.st_blocks);
    m_original.accessed[0] = st.st_atim.tv_sec;
    m_original.accessed[1] = st.st_atim.tv_nsec;
    m_original.modified[0] = st.st_mtim.tv_sec;
    m_original.modified[1] = st.st_mtim.tv_nsec;
    m_original.mode = st.st_mode & 07777;
    m_original.owner = st.st_uid;
    m_original.group = st.st_gid;
    return true;
}

bool CFileEditCopy::MakeCopy()
{
    if (m_source < 0 || IsOpen() || Failed()) return Fail(0, "the file is not open");
    // A file nobody may write is left alone, whoever asks.
    if ((m_original.mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(m_name.c_str(), W_OK) != 0)
        return Fail(EACCES, "the file is read-only");
    // The copy takes as much room as the file's own blocks: when that is not
    // free, nothing is written at all.
    const std::uint64_t needed = std::min<std::uint64_t>(m_original.size, m_original.blocks * 512);
    struct statvfs room {};
    if (::fstatvfs(m_source, &room) == 0) {
        const std::uint64_t available = std::uint64_t(room.f_bavail) * room.f_frsize;
        if (needed > available)
            return Fail(ENOSPC, "a copy of " + SizeText(needed) + " is needed, " + SizeText(available) + " are free");
    }

    std::string copyName = CopyTemplate(m_name);
    std::vector<char> buffer(copyName.begin(), copyName.end());
    buffer.push_back('\0');
    m_copy = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (m_copy < 0) return Fail(errno);
    m_copyName = buffer.data();
    // The copy is written when committed; until then it is the file's bytes and the changes.
    m_size = m_original.size;
    if (m_size) m_pieces.push_back({m_size, 0, EFrom::kFile});
    return true;
}

bool CFileEditCopy::CopyRange(std::uint64_t from, std::uint64_t to, std::uint64_t length)
{
    const off_t end = static_cast<off_t>(from + length);
    const off_t shift = static_cast<off_t>(to) - static_cast<off_t>(from);
    std::vector<char> buffer;
    bool noHoles = false;        // the file system keeps no map of its holes
    bool throughMemory = false;  // copy_file_range refused
    off_t at = static_cast<off_t>(from);
    while (at < end) {
        off_t start = noHoles ? at : ::lseek(m_source, at, SEEK_DATA);
        if (start < 0) {
            if (errno == ENXIO) break;  // a hole up to the end
            if (errno != EINVAL && errno != EOPNOTSUPP) return Fail(errno);
            noHoles = true;
            start = at;
        }
        if (start >= end) break;
        off_t stop = noHoles ? end : ::lseek(m_source, start, SEEK_HOLE);
        if (stop < 0) return Fail(errno);
        stop = std::min(stop, end);
        while (start < stop) {
            const std::size_t want = static_cast<std::size_t>(std::min<off_t>(stop - start, off_t{1} << 30));
            ssize_t n = -1;
            bool direct = false;
            if (!throughMemory) {
                off_t in = start, out = start + shift;
                n = ::copy_file_range(m_source, &in, m_copy, &out, want, 0);
                direct = n > 0;
                if (n < 0 && CopyRangeUnsupported(errno)) throughMemory = true;
            }
            if (throughMemory) {
                buffer.resize(kChunk);
                n = ::pread(m_source, buffer.data(), std::min(want, kChunk), start);
                if (n > 0 && !WriteCopy(static_cast<std::uint64_t>(start + shift),
                                        std::string_view(buffer.data(), static_cast<std::size_t>(n))))
                    return false;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Fail(errno);
            if (n == 0) return Fail(0, "the file became shorter while it was copied");
            if (direct) m_written += static_cast<std::uint64_t>(n);
            start += n;
        }
        at = stop;
    }
    return true;
}

std::size_t CFileEditCopy::Find(std::uint64_t offset, std::uint64_t& start)
{
    std::size_t i = std::min(m_hint, m_pieces.size());
    start = i == m_hint ? m_hintStart : 0;
    if (i != m_hint) i = 0;
    while (i > 0 && offset < start) start -= m_pieces[--i].length;
    while (i < m_pieces.size() && offset >= start + m_pieces[i].length) start += m_pieces[i++].length;
    m_hint = i;
    m_hintStart = start;
    return i;
}

std::size_t CFileEditCopy::SplitAt(std::uint64_t offset)
{
    std::uint64_t start = 0;
    const std::size_t i = Find(offset, start);
    if (i == m_pieces.size() || offset == start) return i;
    CPiece rest = m_pieces[i];
    const std::uint64_t head = offset - start;
    m_pieces[i].length = head;
    rest.length -= head;
    if (rest.from != EFrom::kZeros) rest.at += head;
    m_pieces.insert(m_pieces.begin() + static_cast<std::ptrdiff_t>(i) + 1, rest);
    m_hint = i + 1;
    m_hintStart = offset;
    return i + 1;
}

void CFileEditCopy::Replace(std::uint64_t offset, std::uint64_t length, const CPiece& piece)
{
    const std::size_t first = SplitAt(offset);
    const std::size_t last = SplitAt(offset + length);
    auto at = m_pieces.erase(m_pieces.begin() + static_cast<std::ptrdiff_t>(first),
                             m_pieces.begin() + static_cast<std::ptrdiff_t>(last));
    // Bytes written after those written just before them extend their piece.
    CPiece* before = first > 0 ? &m_pieces[first - 1] : nullptr;
    if (before && piece.from == EFrom::kWritten && before->from == EFrom::kWritten &&
        before->at + before->length == piece.at) {
        before->length += piece.length;
        m_hint = first - 1;
        m_hintStart = offset - (before->length - piece.length);
    } else {
        if (piece.length) m_pieces.insert(at, piece);
        m_hint = first;
        m_hintStart = offset;
    }
    m_size = m_size - length + piece.length;
}

CFileEditCopy::CPiece CFileEditCopy::Kept(std::string_view data)
{
    const CPiece piece{data.size(), m_bytes.size(), EFrom::kWritten};
    m_bytes.append(data);
    return piece;
}

std::size_t CFileEditCopy::ReadFrom(int fd, std::uint64_t offset, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(errno);
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t CFileEditCopy::Read(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (!IsOpen() || Failed() || offset >= m_size) return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_size - offset));
    std::uint64_t start = 0;
    std::size_t done = 0;
    for (std::size_t i = Find(offset, start); done < size && i < m_pieces.size(); start += m_pieces[i++].length) {
        const CPiece& piece = m_pieces[i];
        const std::uint64_t into = offset + done - start;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, piece.length - into));
        if (piece.from == EFrom::kFile) {
            if (ReadFrom(m_source, piece.at + into, buffer + done, n) != n) {
                Fail(0, "the file became shorter while it was changed");
                break;
            }
        } else if (piece.from == EFrom::kWritten) {
            std::memcpy(buffer + done, m_bytes.data() + piece.at + into, n);
        } else {
            std::memset(buffer + done, 0, n);
        }
        done += n;
    }
    return done;
}

bool CFileEditCopy::WriteCopy(std::uint64_t offset, std::string_view data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(m_copy, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    m_written += data.size();
    return true;
}

void CFileEditCopy::Write(std::uint64_t offset, std::string_view data)
{
    if (!IsOpen() || Failed() || data.empty()) return;
    if (offset > m_size) Replace(m_size, 0, {offset - m_size, 0, EFrom::kZeros});
    Replace(offset, std::min<std::uint64_t>(data.size(), m_size - offset), Kept(data));
}

void CFileEditCopy::Insert(std::uint64_t offset, std::string_view data, std::uint64_t replace)
{
    if (!IsOpen() || Failed()) return;
    if (offset >= m_size) {
        Write(offset, data);
        return;
    }
    Replace(offset, std::min(replace, m_size - offset), data.empty() ? CPiece() : Kept(data));
}

void CFileEditCopy::Remove(std::uint64_t offset, std::uint64_t length)
{
    if (!IsOpen() || Failed() || offset >= m_size) return;
    Replace(offset, std::min(length, m_size - offset), CPiece());
}

void CFileEditCopy::Truncate(std::uint64_t length)
{
    if (!IsOpen() || Failed()) return;
    if (length < m_size) Replace(length, m_size - length, CPiece());
    else if (length > m_size) Replace(m_size, 0, {length - m_size, 0, EFrom::kZeros});
}

bool CFileEditCopy::Unchanged()
{
    struct stat now {};
    if (::stat(m_name.c_str(), &now) != 0) return Fail(errno);
    if (std::uint64_t(now.st_dev) != m_original.device || std::uint64_t(now.st_ino) != m_original.inode ||
        std::uint64_t(now.st_size) != m_original.size || now.st_mtim.tv_sec != m_original.modified[0] ||
        now.st_mtim.tv_nsec != m_original.modified[1])
        return Fail(0, "the file was changed by another program meanwhile");
    return true;
}

bool CFileEditCopy::Commit()
{
    if (!IsOpen() || Failed()) return Fail(0, "there is no copy to put in place");
    // The copy is written, piece by piece, from a file that is still as it was copied.
    if (!Unchanged()) return false;
    auto put = [this](const CPiece& piece, std::uint64_t at) {
        if (piece.from == EFrom::kFile) return CopyRange(piece.at, at, piece.length);
        if (piece.from == EFrom::kZeros) return true;  // a hole
        return WriteCopy(at, std::string_view(m_bytes).substr(static_cast<std::size_t>(piece.at),
                                                              static_cast<std::size_t>(piece.length)));
    };
    std::uint64_t at = 0;
    for (const CPiece& piece : m_pieces) {
        if (!put(piece, at)) return false;
        at += piece.length;
    }
    // Zeros and holes at the end stay holes.
    if (::ftruncate(m_copy, static_cast<off_t>(m_size)) != 0) return Fail(errno);
    // The owner first: changing it may clear set-id bits that the mode then restores.
    if (::fchown(m_copy, m_original.owner, m_original.group) != 0 && errno != EPERM) return Fail(errno);
    if (::fchmod(m_copy, static_cast<mode_t>(m_original.mode)) != 0) return Fail(errno);
    const struct timespec times[2] = {{m_original.accessed[0], m_original.accessed[1]},
                                      {m_original.modified[0], m_original.modified[1]}};
    if (::futimens(m_copy, times) != 0) return Fail(errno);
    if (::fsync(m_copy) != 0) return Fail(errno);
    // A file someone else changed meanwhile is not replaced by the older content.
    if (!Unchanged()) return false;
    const int copy = m_copy;
    m_copy = -1;
    // A write may fail only at the close (network file systems).
    if (::close(copy) != 0) return Fail(errno);
    if (::rename(m_copyName.c_str(), m_name.c_str()) != 0) return Fail(errno);
    m_committed = true;
    SyncFolderOf(m_name);
    return true;
}
