#include "ApeOutputFile.h"

#include "ApeErrors.h"
#include "EngineLog.h"
#include "platform/paths.h"

namespace {

const char kLogCategory[] = "ApeOutputFile";

}  // namespace

int WriteApeOutput(const std::wstring& output, const std::function<int(const std::filesystem::path&)>& write)
{
    if (output.empty())
        return VXM_APE_ERROR_INVALID_OUTPUT;
    const std::filesystem::path target = PathFromWide(output);
    const std::string name = target.string();
    std::filesystem::path temporary = target;
    temporary += ".part";

    const int result = write(temporary);
    std::error_code error;
    if (result == 0) {
        std::filesystem::rename(temporary, target, error);
        if (!error)
            return 0;
        LogMessageA(kLogCategory, "cannot give \"%s\" its final name", name.c_str());
    } else {
        LogMessageA(kLogCategory, "writing \"%s\" ended with %d", name.c_str(), result);
    }
    std::filesystem::remove(temporary, error);
    return result == 0 ? VXM_APE_ERROR_IO_WRITE : result;
}
