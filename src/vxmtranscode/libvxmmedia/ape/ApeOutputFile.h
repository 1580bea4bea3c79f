// Output of the APE file functions: written under a temporary name beside
// the target and renamed when complete, so that a failed, stopped or
// refused run leaves no partial file behind.
#pragma once
#include <filesystem>
#include <functional>
#include <string>

// Runs `write` on the temporary name; when it returns 0 the file takes the
// name `output` (VXM_APE_ERROR_IO_WRITE when that fails). Otherwise the
// temporary file is removed and write's code returned.
int WriteApeOutput(const std::wstring& output, const std::function<int(const std::filesystem::path&)>& write);
