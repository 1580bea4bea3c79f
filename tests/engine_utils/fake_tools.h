// A folder of stand-in executables, made the only place tools are looked up
// while the object lives.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>

#include "VXMUtils.h"
#include "support/test_media.h"

class CFakeToolFolder {
public:
    CFakeToolFolder()
    {
        for (const char* name : {"ffmpeg", "mp4creator", "mp4box", "flvbind", "tsmuxer", "qt-faststart"}) {
            const std::string path = m_dir.File(name);
            std::ofstream(path) << "#!/bin/sh\nexit 0\n";
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        }
        SetToolSearchPathForTesting({Folder()});
    }
    ~CFakeToolFolder() { SetToolSearchPathForTesting({}); }
    CFakeToolFolder(const CFakeToolFolder&) = delete;
    CFakeToolFolder& operator=(const CFakeToolFolder&) = delete;

    std::wstring Folder() const { return Utf8ToWide(m_dir.Path()); }
    std::wstring Tool(const std::wstring& name) const { return Folder() + L"/" + name; }

private:
    vxmtest::CTempDir m_dir;
};
