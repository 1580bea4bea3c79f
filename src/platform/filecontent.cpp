#include "platform/filecontent.h"

#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Say(std::string* why, const std::string& text)
{
    if (why) *why = text;
}

std::string ErrorText(int error) { return std::strerror(error); }

// Closes a descriptor once.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Close(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    // The close's own result: a write may fail only there (network file systems).
    bool Close()
    {
        if (m_fd < 0) return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view content, int& error)
{
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// "<folder>/.<name>.XXXXXX": hidden, beside the file, on its file system.
std::string CopyTemplate(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
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

}  // namespace

bool ReadFileContent(const std::wstring& path, std::size_t maxBytes, const std::function<char*(std::size_t)>& place,
                     std::string* why)
{
    const std::string name = WideToUtf8(path);
    CFd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        Say(why, ErrorText(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        Say(why, "not a regular file");
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        Say(why, "the file is too large");
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    char* buffer = place(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd.Get(), buffer + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Say(why, n < 0 ? ErrorText(errno) : "the file became shorter while it was read");
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReplaceFileContent(const std::wstring& path, std::string_view content, std::string* why)
{
    // Through a link, the file it names is replaced, not the link.
    std::string name = WideToUtf8(path);
    if (char* real = ::realpath(name.c_str(), nullptr)) {
        name = real;
        std::free(real);
    }
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        Say(why, ErrorText(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Say(why, "not a regular file");
        return false;
    }
    // A file nobody may write is left alone, whoever asks.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(name.c_str(), W_OK) != 0) {
        Say(why, ErrorText(EACCES) + " (the file is read-only)");
        return false;
    }

    std::string copyName = CopyTemplate(name);
    std::vector<char> buffer(copyName.begin(), copyName.end());
    buffer.push_back('\0');
    CFd copy(::mkostemp(buffer.data(), O_CLOEXEC));
    if (copy.Get() < 0) {
        Say(why, ErrorText(errno));
        return false;
    }
    copyName = buffer.data();
    int error = 0;
    bool ok = WriteAll(copy.Get(), content, error);
    if (ok && ::fsync(copy.Get()) != 0) {
        error = errno;
        ok = false;
    }
    if (ok) {
        // The file's own mode, owner (where allowed) and times.
        if (::fchmod(copy.Get(), st.st_mode & 07777) != 0) {
            error = errno;
            ok = false;
        }
        if (ok && ::fchown(copy.Get(), st.st_uid, st.st_gid) != 0 && errno != EPERM) {
            error = errno;
            ok = false;
        }
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (ok && ::futimens(copy.Get(), times) != 0) {
            error = errno;
            ok = false;
        }
    }
    if (!copy.Close() && ok) {
        error = errno;
        ok = false;
    }
    if (ok && ::rename(copyName.c_str(), name.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(copyName.c_str());
        Say(why, ErrorText(error));
        return false;
    }
    SyncFolderOf(name);
    return true;
}
