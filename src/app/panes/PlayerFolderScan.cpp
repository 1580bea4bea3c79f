#include "PlayerFolderScan.h"

#include "MediaFileTypes.h"
#include "platform/filesystems.h"
#include "platform/paths.h"

#include <filesystem>
#include <set>

std::vector<std::wstring> ScanFolderForMedia(const std::wstring& folder, const CEvent& stop,
                                             const FolderEnteredFn& entered)
{
    std::set<CFileIdentity> seen;
    std::vector<std::filesystem::path> todo = {PathFromWide(folder)};
    std::vector<std::wstring> found;
    while (!todo.empty() && !stop.IsSet()) {
        const std::filesystem::path dir = todo.back();
        todo.pop_back();
        CFileIdentity identity;
        if (!GetFileIdentity(dir, identity) || !seen.insert(identity).second) continue;
        if (entered) entered(WideFromPath(dir));
        std::error_code error;
        std::vector<std::filesystem::path> subfolders;
        for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end && !stop.IsSet();
             it.increment(error)) {
            std::error_code typeError;
            const std::wstring path = WideFromPath(it->path());
            if (it->is_directory(typeError)) subfolders.push_back(it->path());
            else if (IsSupportedMediaFile(path)) found.push_back(path);
        }
        // The first subfolder is walked next.
        todo.insert(todo.end(), subfolders.rbegin(), subfolders.rend());
    }
    return found;
}
