// The registry stand-in: an in-memory tree per root, loaded from and saved to a text file.
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/folders.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kHeader[] = "Vexmora registry 1";
const char kTrailer[] = "end";



bool SameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

struct CNode {
    std::wstring name;
    std::vector<std::unique_ptr<CNode>> children;
    std::vector<std::pair<std::wstring, CRegValue>> values;

    CNode* Child(const std::wstring& n) const
    {
        for (const auto& c : children)
            if (SameName(c->name, n)) return c.get();
        return nullptr;
    }
    CNode* AddChild(const std::wstring& n)
    {
        if (CNode* c = Child(n)) return c;
        children.push_back(std::make_unique<CNode>());
        children.back()->name = n;
        return children.back().get();
    }
    CRegValue* Value(const std::wstring& n)
    {
        for (auto& v : values)
            if (SameName(v.first, n)) return &v.second;
        return nullptr;
    }
    void SetValue(const std::wstring& n, const CRegValue& v)
    {
        if (CRegValue* old = Value(n)) *old = v;
        else values.emplace_back(n, v);
    }
    bool EraseValue(const std::wstring& n)
    {
        auto it = std::find_if(values.begin(), values.end(), [&](const auto& v) { return SameName(v.first, n); });
        if (it == values.end()) return false;
        values.erase(it);
        return true;
    }
    bool EraseChild(const std::wstring& n)
    {
        auto it = std::find_if(children.begin(), children.end(), [&](const auto& c) { return SameName(c->name, n); });
        if (it == children.end()) return false;
        children.erase(it);
        return true;
    }
};

using CPath = std::vector<std::wstring>;

CNode* Find(CNode& root, const CPath& path)
{
    CNode* node = &root;
    for (const auto& n : path) {
        node = node->Child(n);
        if (!node) return nullptr;
    }
    return node;
}

CNode* Make(CNode& root, const CPath& path)
{
    CNode* node = &root;
    for (const auto& n : path) node = node->AddChild(n);
    return node;
}

// Splits on '\'; empty pieces (doubled or trailing separators) are skipped.
bool SplitKeyPath(const std::wstring& text, CPath& out)
{
    out.clear();
    std::wstring piece;
    for (wchar_t c : text) {
        if (c == L'\\') {
            if (!piece.empty()) out.push_back(piece);
            piece.clear();
        } else {
            if (c < 0x20 || c == 0x7F) return false;
            piece += c;
        }
    }
    if (!piece.empty()) out.push_back(piece);
    return true;
}

// One change, kept until it is saved, so it can be applied again on top of
// what another process wrote in between.
struct COp {
    enum Kind { SetValue, DeleteValue, CreateKey, DeleteKey } kind;
    CPath path;
    std::wstring name;
    CRegValue value;

    void Apply(CNode& root) const
    {
        switch (kind) {
        case SetValue:
            Make(root, path)->SetValue(name, value);
            break;
        case DeleteValue:
            if (CNode* n = Find(root, path)) n->EraseValue(name);
            break;
        case CreateKey:
            Make(root, path);
            break;
        case DeleteKey:
            if (path.empty()) {
                root.children.clear();
                root.values.clear();
            } else if (CNode* parent = Find(root, CPath(path.begin(), path.end() - 1))) {
                parent->EraseChild(path.back());
            }
            break;
        }
    }
};

// ---- file text ----------------------------------------------------------

void AppendHex(std::string& out, unsigned char u)
{
    static const char hex[] = "0123456789abcdef";
    out += "\\x";
    out += hex[u >> 4];
    out += hex[u & 15];
}

// A byte of a name that is not UTF-8 (carried as U+DC80..U+DCFF) is written
// as "\xHH", so the file stays UTF-8 and the name comes back unchanged.
bool IsCarriedByte(wchar_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

void AppendEscaped(std::string& out, const std::wstring& text)
{
    std::string utf8;
    for (wchar_t w : text) {
        if (IsCarriedByte(w)) {
            AppendHex(out, static_cast<unsigned char>(w - 0xDC00));
            continue;
        }
        utf8 = WideToUtf8(std::wstring_view(&w, 1));
        for (char c : utf8) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7F)
                AppendHex(out, u);
            else
                out += c;
        }
        }
    }
}

void WriteNode(std::string& out, const CNode& node, const std::wstring& path)
{
    if (!path.empty() || !node.values.empty()) {
        out += "\n[" + WideToUtf8(path) + "]\n";
        for (const auto& [name, value] : node.values) {
            out += '"';
            AppendEscaped(out, name);
            out += "\"=";
            char buffer[16];
            switch (value.type) {
            case REG_SZ:
                out += "sz:\"";
                AppendEscaped(out, value.text);
                out += "\"";
                break;
            case REG_DWORD:
                std::snprintf(buffer, sizeof(buffer), "dword:%08x", static_cast<unsigned>(value.number));
                out += buffer;
                break;
            default:
                out += "hex:";
                for (size_t i = 0; i < value.binary.size(); ++i) {
                    std::snprintf(buffer, sizeof(buffer), i ? ",%02x" : "%02x", value.binary[i]);
                    out += buffer;
                }
                break;
            }
            out += '\n';
        }
    }
    for (const auto& child : node.children)
        WriteNode(out, *child, path.empty() ? child->name : path + L"\\" + child->name);
}

std::string Serialize(const CNode& root)
{
    std::string out = std::string(kHeader) + "\n# Written by Vexmora Professional. Keys in [brackets], values as \"name\"=type:data.\n";
    WriteNode(out, root, L"");
    out += "\n";
    out += kTrailer;
    out += "\n";
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(const std::string& text, size_t& pos, std::wstring& out)
{
    if (pos >= text.size() || text[pos] != '"') return false;
    std::string bytes;  // UTF-8 read since the last carried byte
    std::wstring done;
    auto flush = [&] {
        std::wstring part;
        if (!Utf8ToWideStrict(bytes, part)) return false;
        done += part;
        bytes.clear();
        return true;
    };
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            if (!flush()) return false;
            out = std::move(done);
            return true;
        }
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++pos >= text.size()) return false;
        switch (text[pos]) {
        case '\\': bytes += '\\'; break;
        case '"': bytes += '"'; break;
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case 'x': {
            if (pos + 2 >= text.size()) return false;
            int hi = HexDigit(text[pos + 1]), lo = HexDigit(text[pos + 2]);
            if (hi < 0 || lo < 0) return false;
            const int value = hi * 16 + lo;
            if (value >= 0x80) {
                if (!flush()) return false;
                done += static_cast<wchar_t>(0xDC00 + value);
            } else {
                bytes += static_cast<char>(value);
            }
            pos += 2;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

bool ParseValueLine(const std::string& line, std::wstring& name, CRegValue& value)
{
    size_t pos = 0;
    if (!ParseQuoted(line, pos, name)) return false;
    if (line.compare(pos, 1, "=") != 0) return false;
    ++pos;
    std::string rest = line.substr(pos);
    if (rest.rfind("sz:", 0) == 0) {
        size_t p = 3;
        value.type = REG_SZ;
        return ParseQuoted(rest, p, value.text) && p == rest.size();
    }
    if (rest.rfind("dword:", 0) == 0) {
        std::string digits = rest.substr(6);
        if (digits.size() != 8) return false;
        DWORD n = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return false;
            n = n * 16 + static_cast<DWORD>(d);
        }
        value.type = REG_DWORD;
        value.number = n;
        return true;
    }
    if (rest.rfind("hex:", 0) == 0) {
        value.type = REG_BINARY;
        std::string digits = rest.substr(4);
        if (digits.empty()) return true;
        for (size_t i = 0; i < digits.size(); i += 3) {
            if (i + 2 > digits.size()) return false;
            int hi = HexDigit(digits[i]), lo = HexDigit(digits[i + 1]);
            if (hi < 0 || lo < 0) return false;
            if (i + 2 < digits.size() && digits[i + 2] != ',') return false;
            if (i + 2 == digits.size() - 1) return false;  // trailing comma
            value.binary.push_back(static_cast<BYTE>(hi * 16 + lo));
        }
        return true;
    }
    return false;
}

// The whole file or nothing: any line that does not parse, a missing header
// or a missing last line fails it.
bool Parse(const std::string& text, CNode& root)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) return false;  // cut in the middle of a line
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kTrailer) return false;

    CNode* current = nullptr;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']') return false;
            std::wstring path;
            CPath parts;
            if (!Utf8ToWideStrict(line.substr(1, line.size() - 2), path) || !SplitKeyPath(path, parts)) return false;
            current = Make(root, parts);
            continue;
        }
        if (!current) return false;
        std::wstring name;
        CRegValue value;
        if (!ParseValueLine(line, name, value)) return false;
        current->SetValue(name, value);
    }
    return true;
}

// ---- the store ------------------------------------------------------------

RegistryReportHook g_reportHook = nullptr;

void Report(const std::wstring& text)
{
    if (g_reportHook) g_reportHook(text);
    else std::fprintf(stderr, "registry: %s\n", WideToUtf8(text).c_str());
}

std::string ErrnoText() { return std::strerror(errno); }

struct CStamp {
    bool exists = false;
    long long mtimeNs = 0;
    long long size = 0;
    long long inode = 0;
    bool operator==(const CStamp&) const = default;
};

CStamp StampOf(const std::string& path)
{
    struct stat st{};
    CStamp s;
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.size = st.st_size;
    s.inode = static_cast<long long>(st.st_ino);
    return s;
}

bool ReadFileText(const std::string& path, std::string& text, bool& exists)
{
    text.clear();
    exists = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    exists = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty()) return true;
    struct stat st{};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Holds the lock file of a registry file while it lives.
class CFileLock {
public:
    explicit CFileLock(const std::string& path)
    {
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~CFileLock()
    {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Temporary files of saves that never finished (the program was killed
// between writing and renaming): "<file>.XXXXXX" beside the file. Run with
// the file's lock held, so no other save is under way.
void RemoveStaleTemporaries(const std::string& path)
{
    const std::string folder = FolderOf(path);
    const size_t slash = path.find_last_of('/');
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (!std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
            continue;
        ::unlink((folder + "/" + name).c_str());
    }
    ::closedir(dir);
}

bool WriteAtomically(const std::string& path, const std::string& text, std::string& error)
{
    std::string folder = FolderOf(path);
    std::string temp = path + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create " + temp + ": " + ErrnoText();
        return false;
    }
    bool ok = ::fchmod(fd, 0600) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    if (!ok) error = "cannot write " + temp + ": " + ErrnoText();
    ::close(fd);
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + ErrnoText();
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

struct CRoot {
    CRoot(HKEY h, bool ro) : handle(h), readOnly(ro) {}
    HKEY handle;
    bool readOnly;
    CStamp damagedStamp;  // the damaged file already reported
    std::string overridePath;
    bool loaded = false;
    CStamp stamp;
    CNode tree;
    std::vector<COp> pending;

    std::string Path() const
    {
        if (!overridePath.empty()) return overridePath;
        const std::string base = "/Kestrane/Vexmora Professional/";
        if (handle == HKEY_CURRENT_USER) return WideToUtf8(GetUserConfigFolder()) + base + "registry.txt";
        if (handle == HKEY_LOCAL_MACHINE) return "/etc/xdg" + base + "machine.txt";
        return "/etc/xdg" + base + "classes.txt";
    }

    // Reads the file into `into`; a file that does not parse gives an empty tree.
    void ReadInto(CNode& into, const std::string& path)
    {
        into = CNode();
        std::string text;
        bool exists = false;
        if (!ReadFileText(path, text, exists)) {
            Report(L"cannot read the settings file " + std::wstring(path.begin(), path.end()) + L"; starting empty");
            return;
        }
        if (!exists) return;
        if (!Parse(text, into)) {
            into = CNode();
            CStamp now = StampOf(path);
            if (now == damagedStamp) return;
            damagedStamp = now;
            std::wstring wpath;
            Utf8ToWideStrict(path, wpath);
            Report(L"the settings file " + wpath + L" is damaged; starting empty");
        }
    }

    // Loads on first use, and again when another process changed the file
    // while nothing of ours waits to be saved.
    void Refresh()
    {
        std::string path = Path();
        CStamp now = StampOf(path);
        if (loaded && (!pending.empty() || now == stamp)) return;
        ReadInto(tree, path);
        stamp = now;
        loaded = true;
    }

    LONG Save()
    {
        if (pending.empty()) return ERROR_SUCCESS;
        std::string path = Path();
        std::string error;
        if (!MakeFolders(FolderOf(path))) {
            Report(L"cannot create the settings folder for " + std::wstring(path.begin(), path.end()));
            return ERROR_WRITE_FAULT;
        }
        CFileLock lock(path);
        if (!lock.Held()) {
            Report(L"cannot lock the settings file " + std::wstring(path.begin(), path.end()));
            return ERROR_WRITE_FAULT;
        }
        RemoveStaleTemporaries(path);
        CNode fresh;
        ReadInto(fresh, path);
        for (const auto& op : pending) op.Apply(fresh);
        if (!WriteAtomically(path, Serialize(fresh), error)) {
            std::wstring werror;
            Utf8ToWideStrict(error, werror);
            Report(werror);
            return ERROR_WRITE_FAULT;
        }
        pending.clear();
        tree = std::move(fresh);
        stamp = StampOf(path);
        loaded = true;
        return ERROR_SUCCESS;
    }
};

}  // namespace

struct VxmRegKey {
    HKEY root;
    CPath path;
    REGSAM access;
    bool changed = false;
};

namespace {

// What an open key or root handle stands for.
struct CResolvedKey {
    CRoot* root = nullptr;
    CPath path;
    REGSAM access = 0;
    VxmRegKey* handle = nullptr;  // null for a root
};

class CStore {
public:
    std::mutex mutex;
    CRoot roots[3] = {{HKEY_CLASSES_ROOT, true}, {HKEY_CURRENT_USER, false}, {HKEY_LOCAL_MACHINE, true}};
    std::set<VxmRegKey*> open;

    ~CStore()
    {
        // Changes of keys that were never closed are not lost at exit. The
        // hook's receiver may be gone by now: reports go to standard error.
        g_reportHook = nullptr;
        for (auto& r : roots) r.Save();
        for (VxmRegKey* k : open) delete k;
    }

    CRoot* RootOf(HKEY handle)
    {
        for (auto& r : roots)
            if (r.handle == handle) return &r;
        return nullptr;
    }

    // A root or an open key: its root, its path and its access.
    bool Resolve(HKEY key, CResolvedKey& out)
    {
        out = CResolvedKey();
        if (CRoot* r = RootOf(key)) {
            out.root = r;
            out.access = r->readOnly ? KEY_READ : KEY_ALL_ACCESS;
            return true;
        }
        if (!key || !open.count(key)) return false;
        out.handle = key;
        out.root = RootOf(key->root);
        out.path = key->path;
        out.access = key->access;
        return out.root != nullptr;
    }
};

CStore& Store()
{
    static CStore store;
    return store;
}

bool Writes(REGSAM access) { return (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x00010000)) != 0; }

}  // namespace

DWORD CRegValue::Size() const
{
    switch (type) {
    case REG_SZ: return static_cast<DWORD>((text.size() + 1) * 2);
    case REG_DWORD: return 4;
    default: return static_cast<DWORD>(binary.size());
    }
}

CRegValue CRegValue::String(const std::wstring& t)
{
    CRegValue v;
    v.type = REG_SZ;
    v.text = t;
    return v;
}

CRegValue CRegValue::Dword(DWORD n)
{
    CRegValue v;
    v.type = REG_DWORD;
    v.number = n;
    return v;
}

CRegValue CRegValue::Binary(const void* data, size_t size)
{
    CRegValue v;
    v.type = REG_BINARY;
    if (data && size) v.binary.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    return v;
}

// Locks the store and resolves `key` (a root or an open key).
template <class Fn>
static LONG WithResolvedKey(HKEY key, Fn&& fn)
{
    CStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    CResolvedKey k;
    if (!store.Resolve(key, k)) return ERROR_INVALID_HANDLE;
    return fn(store, k);
}

// As WithResolvedKey for `parent`, and splits `subKey` into `sub`; the caller
// appends `sub` to the resolved path after its own checks.
template <class Fn>
static LONG WithSubKey(HKEY parent, const std::wstring& subKey, Fn&& fn)
{
    return WithResolvedKey(parent, [&](CStore& store, CResolvedKey& k) -> LONG {
        CPath sub;
        if (!SplitKeyPath(subKey, sub)) return ERROR_INVALID_PARAMETER;
        return fn(store, k, sub);
    });
}

static LONG OpenOrCreate(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result, bool create,
                         DWORD* disposition)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    return WithSubKey(parent, subKey, [&](CStore& store, CResolvedKey& k, const CPath& sub) -> LONG {
        CRoot* root = k.root;
        CPath& path = k.path;
        if (root->readOnly && (create || Writes(access))) return ERROR_ACCESS_DENIED;
        if (create && !(k.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        root->Refresh();
        if (k.handle && !Find(root->tree, path)) return ERROR_KEY_DELETED;
        path.insert(path.end(), sub.begin(), sub.end());
        bool exists = Find(root->tree, path) != nullptr;
        bool changed = false;
        if (!exists) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            COp op{COp::CreateKey, path, {}, {}};
            op.Apply(root->tree);
            root->pending.push_back(std::move(op));
            changed = true;
        }
        if (disposition) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
        auto* key = new VxmRegKey{root->handle, path, access, changed};
        store.open.insert(key);
        *result = key;
        return ERROR_SUCCESS;
    });
}

LONG RegOpenKeyEx(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result)
{
    return OpenOrCreate(parent, subKey, access, result, false, nullptr);
}

LONG RegCreateKeyEx(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result, DWORD* disposition)
{
    return OpenOrCreate(parent, subKey, access, result, true, disposition);
}

LONG RegCloseKey(HKEY key)
{
    CStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    if (CRoot* r = store.RootOf(key)) return r->Save();
    if (!key || !store.open.count(key)) return ERROR_INVALID_HANDLE;
    store.open.erase(key);
    LONG status = key->changed ? store.RootOf(key->root)->Save() : ERROR_SUCCESS;
    delete key;
    return status;
}

LONG RegFlushKey(HKEY key)
{
    return WithResolvedKey(key, [](CStore&, CResolvedKey& k) -> LONG {
        LONG status = k.root->Save();
        if (status == ERROR_SUCCESS && k.handle) k.handle->changed = false;
        return status;
    });
}

LONG RegDeleteKey(HKEY parent, const std::wstring& subKey)
{
    return WithSubKey(parent, subKey, [](CStore&, CResolvedKey& k, const CPath& sub) -> LONG {
        CRoot* root = k.root;
        CPath& path = k.path;
        if (root->readOnly) return ERROR_ACCESS_DENIED;
        root->Refresh();
        path.insert(path.end(), sub.begin(), sub.end());
        if (path.empty()) return ERROR_ACCESS_DENIED;  // a root is never deleted
        CNode* node = Find(root->tree, path);
        if (!node) return ERROR_FILE_NOT_FOUND;
        if (!node->children.empty()) return ERROR_ACCESS_DENIED;
        COp op{COp::DeleteKey, path, {}, {}};
        op.Apply(root->tree);
        root->pending.push_back(std::move(op));
        return root->Save();
    });
}

// Locks the store and finds the node of `key`, which must grant `needed`
// (and be writable when `write`); `missing` answers a root path that is gone.
template <class Fn>
static LONG WithKeyNode(HKEY key, REGSAM needed, bool write, LONG missing, Fn&& fn)
{
    return WithResolvedKey(key, [&](CStore&, CResolvedKey& k) -> LONG {
        if ((write && k.root->readOnly) || !(k.access & needed)) return ERROR_ACCESS_DENIED;
        k.root->Refresh();
        CNode* node = Find(k.root->tree, k.path);
        if (!node) return k.handle ? ERROR_KEY_DELETED : missing;
        return fn(k, *node);
    });
}

LONG RegQueryValueEx(HKEY key, const std::wstring& name, CRegValue* value)
{
    return WithKeyNode(key, KEY_QUERY_VALUE, false, ERROR_FILE_NOT_FOUND, [&](CResolvedKey&, CNode& node) -> LONG {
        CRegValue* found = node.Value(name);
        if (!found) return ERROR_FILE_NOT_FOUND;
        if (value) *value = *found;
        return ERROR_SUCCESS;
    });
}

static LONG ChangeValue(HKEY key, const std::wstring& name, const CRegValue* value)
{
    return WithKeyNode(key, KEY_SET_VALUE, true, ERROR_FILE_NOT_FOUND, [&](CResolvedKey& k, CNode& node) -> LONG {
        if (!value && !node.Value(name)) return ERROR_FILE_NOT_FOUND;
        if (value && value->type != REG_SZ && value->type != REG_DWORD && value->type != REG_BINARY)
            return ERROR_INVALID_PARAMETER;
        COp op{value ? COp::SetValue : COp::DeleteValue, k.path, name, value ? *value : CRegValue()};
        op.Apply(k.root->tree);
        k.root->pending.push_back(std::move(op));
        if (k.handle) k.handle->changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueEx(HKEY key, const std::wstring& name, const CRegValue& value)
{
    return ChangeValue(key, name, &value);
}

LONG RegDeleteValue(HKEY key, const std::wstring& name)
{
    return ChangeValue(key, name, nullptr);
}

LONG RegEnumKey(HKEY key, DWORD index, std::wstring* name)
{
    return WithKeyNode(key, KEY_ENUMERATE_SUB_KEYS, false, ERROR_NO_MORE_ITEMS, [&](CResolvedKey&, CNode& node) -> LONG {
        if (index >= node.children.size()) return ERROR_NO_MORE_ITEMS;
        if (name) *name = node.children[index]->name;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValue(HKEY key, DWORD index, std::wstring* name, CRegValue* value)
{
    return WithKeyNode(key, KEY_QUERY_VALUE, false, ERROR_NO_MORE_ITEMS, [&](CResolvedKey&, CNode& node) -> LONG {
        if (index >= node.values.size()) return ERROR_NO_MORE_ITEMS;
        if (name) *name = node.values[index].first;
        if (value) *value = node.values[index].second;
        return ERROR_SUCCESS;
    });
}

void SetRegistryFile(HKEY rootKey, const std::wstring& path)
{
    CStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    CRoot* root = store.RootOf(rootKey);
    if (!root) return;
    root->Save();
    root->overridePath = WideToUtf8(path);
    root->loaded = false;
    root->pending.clear();
    root->tree = CNode();
}

std::wstring GetRegistryFile(HKEY rootKey)
{
    CStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    CRoot* root = store.RootOf(rootKey);
    if (!root) return {};
    std::wstring out;
    Utf8ToWideStrict(root->Path(), out);
    return out;
}

void SetRegistryReportHook(RegistryReportHook hook)
{
    std::lock_guard<std::mutex> lock(Store().mutex);
    g_reportHook = hook;
}
