#include "BatchAddScan.h"

#include "MediaFileTypes.h"
#include "platform/filesystems.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace {

namespace fs = std::filesystem;

class CCollector {
public:
    CCollector(CEvent& stop, const ScanStatusFn& status, std::vector<std::wstring>& out)
        : m_stop(stop), m_status(status), m_out(out)
    {
    }

    bool Node(const SFolderPick& node)
    {
        const bool added = node.ticked && !node.path.empty() && Take(PathFromWide(node.path));
        for (const SFolderPick& child : node.children) {
            if (m_stop.Wait(0) == WAIT_OBJECT_0) return false;
            if (!Node(child)) return false;
        }
        if (added && !node.loaded) return Walk(PathFromWide(node.path));
        return true;
    }

private:
    // False when the folder was there already (then nothing below it is walked again).
    bool Take(const fs::path& folder)
    {
        std::error_code ec;
        fs::path canonical = fs::canonical(folder, ec);
        if (ec) canonical = folder.lexically_normal();
        if (!m_seen.insert(canonical.string()).second) return false;
        m_out.push_back(WideFromPath(folder));
        if (m_status) m_status(EScanStep::Collecting, m_out.back());
        return true;
    }

    bool Walk(const fs::path& folder)
    {
        std::error_code ec;
        fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        // An unreadable folder has nothing more to give; the walk goes on.
        if (ec) return true;
        for (const fs::directory_iterator end; it != end; it.increment(ec)) {
            if (m_stop.Wait(0) == WAIT_OBJECT_0) return false;
            if (ec) break;
            const fs::directory_entry& entry = *it;
            std::error_code typeError;
            if (entry.is_symlink(typeError) || !entry.is_directory(typeError)) continue;
            if (IsPseudoFileSystem(WideFromPath(entry.path()))) continue;
            if (Take(entry.path()) && !Walk(entry.path())) return false;
        }
        return true;
    }

    CEvent& m_stop;
    const ScanStatusFn& m_status;
    std::vector<std::wstring>& m_out;
    std::set<std::string> m_seen;
};

}  // namespace

bool CollectCheckedFolders(const std::vector<SFolderPick>& roots, CEvent& stop, const ScanStatusFn& status,
                           std::vector<std::wstring>& folders)
{
    folders.clear();
    CCollector collector(stop, status, folders);
    for (const SFolderPick& root : roots) {
        if (stop.Wait(0) == WAIT_OBJECT_0) return false;
        if (!collector.Node(root)) return false;
    }
    return true;
}

bool AddMediaOfFolders(const std::vector<std::wstring>& folders, CEvent& stop, const ScanStatusFn& status,
                       const std::function<void(const std::wstring&)>& add)
{
    for (const std::wstring& folder : folders) {
        std::error_code ec;
        fs::directory_iterator it(PathFromWide(folder), fs::directory_options::skip_permission_denied, ec);
        if (ec) continue;
        for (const fs::directory_iterator end; it != end; it.increment(ec)) {
            if (stop.Wait(0) == WAIT_OBJECT_0) return false;
            if (ec) break;
            std::error_code typeError;
            if (it->is_directory(typeError)) continue;
            const std::wstring path = WideFromPath(it->path());
            if (!IsSupportedMediaFile(path)) continue;
            if (status) status(EScanStep::Adding, path);
            if (add) add(path);
        }
    }
    return true;
}
