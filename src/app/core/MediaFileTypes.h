// Which files the program takes as media, and the filters of its open dialogs.
#pragma once
#include "ui/desktop/IFileChooser.h"

#include <string>
#include <vector>

// The extension (with its dot), lower-cased, is one of the supported
// patterns; a name without an extension is not.
bool IsSupportedMediaFile(const std::wstring& path);
// The supported patterns ("*.wmv" ...), in table order.
const std::vector<std::wstring>& SupportedMediaPatterns();

// Filters of the add-files dialog, the audio and subtitle choosers and the disc-image chooser.
std::vector<CFileFilter> MediaFileFilters();
std::vector<CFileFilter> AudioFileFilters();
std::vector<CFileFilter> SubtitleFileFilters();
std::vector<CFileFilter> DVDImageFileFilters();
