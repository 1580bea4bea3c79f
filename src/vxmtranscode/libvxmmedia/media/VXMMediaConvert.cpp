// Conversion operations of the file media object.
#include "ConvertDriver.h"
#include "VXMMediaImpl.h"

namespace {

VXM_CONVERT_TARGET TargetOf(CVXMMediaImpl& media)
{
    return {static_cast<IVXMMedia*>(&media), static_cast<CVXMMediaBase*>(&media), &media.m_nPositionOffset};
}

}  // namespace

void CVXMMediaImpl::StartConvert(IProfile* profile, HWND hNotify, int flag)
{
    ConvertStart(TargetOf(*this), profile, hNotify, flag);
}

void CVXMMediaImpl::PauseConvert()
{
    ConvertPause(*this);
}

void CVXMMediaImpl::ResumeConvert()
{
    ConvertResume(*this);
}

void CVXMMediaImpl::StopConvert()
{
    ConvertStop(*this);
}

int CVXMMediaImpl::GetConvertState()
{
    return ConvertState(*this);
}

float CVXMMediaImpl::GetConvertPosition()
{
    return ConvertPosition(*this, m_nPositionOffset);
}

void CVXMMediaImpl::ReportProgress(int who)
{
    ConvertReportProgress(TargetOf(*this), who);
}

std::uint64_t CVXMMediaImpl::EstimateOutputSize(IProfile* profile)
{
    return ConvertEstimateOutputSize(TargetOf(*this), profile);
}
