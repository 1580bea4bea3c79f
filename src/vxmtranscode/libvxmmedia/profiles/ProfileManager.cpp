// The profile manager: owner of the catalogue and of the engine settings.
#include "ProfileManager.h"

#include <filesystem>
#include <system_error>

#include "EngineGlobals.h"
#include "EngineHooks.h"
#include "EngineLog.h"
#include "VXMMediaExports.h"
#include "VXMUtils.h"
#include "platform/paths.h"

namespace {

const char* const kLogCategory = "CProfileManager";

std::wstring DefaultOutputFolder()
{
    const std::wstring videos = GetUserVideosFolder();
    if (!videos.empty())
        return videos + (videos.back() == L'/' ? L"" : L"/") + L"Vexmora Professional";
    return GetProgramFolder() + L"/output";
}

// Scale and position arrive as doubles and are kept as whole numbers,
// truncated toward zero.
int Truncate(double value)
{
    if (!(value > -2147483648.0 && value < 2147483648.0))
        return 0;
    return static_cast<int>(value);
}

}  // namespace

CProfileManager::CProfileManager(std::wstring outputFolder)
{
    m_settings.strOutputFolder = outputFolder.empty() ? DefaultOutputFolder() : std::move(outputFolder);
    m_settings.strSnapshotFolder = m_settings.strOutputFolder + L"/Snapshot";
    m_settings.subtitle.strFontFile = GetDefaultSubtitleFontFile();
    m_settings.strTempFolder = m_settings.strOutputFolder + L"/Temp";
    if (!CreateFolderTree(m_settings.strTempFolder))
        LogMessageW(kLogCategory, L"cannot create the folder %s", m_settings.strTempFolder.c_str());
}

CProfileManager::~CProfileManager()
{
    ClearCatalogue();
    // The temp folder holds only the engine's intermediate files.
    if (!m_settings.strTempFolder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(PathFromWide(m_settings.strTempFolder), ec);
        if (ec)
            LogMessageW(kLogCategory, L"cannot remove the folder %s", m_settings.strTempFolder.c_str());
    }
    if (g_pProfileManager == this)
        g_pProfileManager = nullptr;
}

void CProfileManager::Release()
{
    delete this;
}

void CProfileManager::ClearCatalogue()
{
    m_pCurrentProfile = nullptr;
    m_nCurrentProfile = 0;
    m_nCurrentGroup = 0;
    m_lstProfiles.clear();
    m_lstGroups.clear();
    m_lstCategories.clear();
}

bool CProfileManager::LoadProfiles(const std::wstring& path)
{
    // Objects already handed out stay valid: a catalogue is read once.
    if (!m_lstProfiles.empty() || !m_lstGroups.empty() || !m_lstCategories.empty()) {
        LogMessageW(kLogCategory, L"profiles are loaded already; %s is not read again", path.c_str());
        return true;
    }
    if (!LoadProfileCatalogue(path, m_lstProfiles, m_lstGroups, m_lstCategories)) {
        ClearCatalogue();
        return false;
    }
    return true;
}

int CProfileManager::FindProfileIndexByName(const std::wstring& name) const
{
    for (std::size_t i = 0; i < m_lstProfiles.size(); ++i)
        if (m_lstProfiles[i]->m_strName == name)
            return static_cast<int>(i);
    return 0;
}

IProfile* CProfileManager::GetProfile(int index) const
{
    return CatalogueEntryAt(m_lstProfiles, index);
}

IProfile* CProfileManager::FindProfileByName(const std::wstring& name) const
{
    const int code = LookupProfileCode(name);
    for (const auto& profile : m_lstProfiles)
        if (profile->m_nProfileCode == code)
            return profile.get();
    return nullptr;
}

IProfile* CProfileManager::FindProfileById(int id) const
{
    return CatalogueEntryWithId(m_lstProfiles, id);
}

void CProfileManager::SetCurrentProfile(IProfile* profile)
{
    if (!profile) {
        m_pCurrentProfile = nullptr;
        m_nCurrentProfile = 0;
        return;
    }
    for (std::size_t i = 0; i < m_lstProfiles.size(); ++i) {
        if (m_lstProfiles[i].get() == profile) {
            m_pCurrentProfile = profile;
            m_nCurrentProfile = static_cast<int>(i);
            return;
        }
    }
}

IProfileGroup* CProfileManager::GetGroup(int index) const
{
    return CatalogueEntryAt(m_lstGroups, index);
}

IProfileGroup* CProfileManager::FindGroupByName(const std::wstring& name) const
{
    return CatalogueEntryAt(m_lstGroups, FindEntryIndexByName(m_lstGroups, name));
}

IProfileGroup* CProfileManager::FindGroupById(int id) const
{
    return CatalogueEntryWithId(m_lstGroups, id);
}

IProfileGroup* CProfileManager::GetCurrentGroup() const
{
    if (m_lstGroups.empty())
        return nullptr;
    if (m_nCurrentGroup < 0 || m_nCurrentGroup >= GetGroupCount())
        return m_lstGroups.front().get();
    return m_lstGroups[static_cast<std::size_t>(m_nCurrentGroup)].get();
}

void CProfileManager::SetCurrentGroupByName(const std::wstring& name)
{
    for (std::size_t i = m_lstGroups.size(); i-- > 0;) {
        if (m_lstGroups[i]->m_strName == name) {
            m_nCurrentGroup = static_cast<int>(i);
            return;
        }
    }
}

IProfileCategory* CProfileManager::GetCategory(int index) const
{
    return CatalogueEntryAt(m_lstCategories, index);
}

IProfileCategory* CProfileManager::FindCategoryById(int id) const
{
    return CatalogueEntryWithId(m_lstCategories, id);
}

int CProfileManager::FindCategoryIndexByName(const std::wstring& name) const
{
    return FindEntryIndexByName(m_lstCategories, name);
}

void CProfileManager::SetUseNVidiaCUDA(int use)
{
    m_settings.UseNVidiaCUDA = IsCUDASupported() ? use : 0;
}

void CProfileManager::SetSubScale(double percent)
{
    m_settings.subtitle.nScale = Truncate(percent);
}

void CProfileManager::SetSubPosition(double position)
{
    m_settings.subtitle.nPosition = Truncate(position);
}

CProfileManager* GetProfileManager()
{
    return dynamic_cast<CProfileManager*>(g_pProfileManager);
}

const VXM_ENGINE_SETTINGS* GetEngineSettings()
{
    const CProfileManager* manager = GetProfileManager();
    return manager ? &manager->GetSettings() : nullptr;
}

// Engine hooks defined by this part.
IProfileManager* NewProfileManager()
{
    return new CProfileManager();
}

int IsUseSrcFileTimeSet()
{
    const VXM_ENGINE_SETTINGS* settings = GetEngineSettings();
    return settings ? settings->IsUseSrcFileTime : 0;
}
