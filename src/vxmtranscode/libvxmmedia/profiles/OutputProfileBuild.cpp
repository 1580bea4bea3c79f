// Job building of a profile. The builders are not part of this library yet:
// both entries report failure and add no step, so no conversion can start
// with a queue that claims to be complete.
#include "OutputProfile.h"

#include "EngineLog.h"

int COutputProfile::BuildCommands(CVXMMediaBase* media, const std::wstring& outputFolder,
                                  std::vector<std::wstring>& outputs, std::vector<std::wstring>& videoStreams,
                                  std::vector<std::wstring>& audioStreams,
                                  std::vector<std::unique_ptr<VXM_JOB_COMMAND>>& queue, CVXMMediaBase* parent)
{
    LogMessageA("COutputProfile::BuildCommands", "job building is not available for profile %d", m_nId);
    return -1;
}

int COutputProfile::BuildJoinCommands(CVXMMediaBase* media, const std::wstring& joinedOutput,
                                      std::vector<std::unique_ptr<VXM_JOB_COMMAND>>& queue,
                                      std::vector<std::wstring>& parts)
{
    LogMessageA("COutputProfile::BuildJoinCommands", "job building is not available for profile %d", m_nId);
    return -1;
}
