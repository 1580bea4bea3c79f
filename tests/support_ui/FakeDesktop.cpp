#include "FakeDesktop.h"

namespace {
std::wstring Join(const std::vector<std::wstring>& items)
{
    std::wstring out;
    for (const auto& s : items) out += (out.empty() ? L"" : L";") + s;
    return out;
}
std::wstring Filters(const std::vector<CFileFilter>& filters)
{
    std::vector<std::wstring> parts;
    for (const auto& f : filters) parts.push_back(f.name + L"=" + Join(f.patterns));
    return Join(parts);
}
}  // namespace

int CFakeMessageBox::Show(HWND, const std::wstring& text, const std::wstring& caption, UINT type)
{
    m_log.Add(L"MessageBox.Show: " + caption + L"|" + text + L"|" + std::to_wstring(type));
    if (answers.empty()) return static_cast<int>(IDOK);
    int a = answers.front();
    answers.pop_front();
    return a;
}

std::vector<std::wstring> CFakeFileChooser::OpenFiles(const CFileRequest& request)
{
    requests.push_back(request);
    m_log.Add(L"Files.Open: " + request.title + L"|" + request.folder + L"|" + Filters(request.filters) +
              (request.multiSelect ? L"|multi" : L"|single"));
    return openAnswer;
}

std::wstring CFakeFileChooser::SaveFile(const CFileRequest& request)
{
    requests.push_back(request);
    m_log.Add(L"Files.Save: " + request.title + L"|" + request.folder + L"|" + request.fileName + L"|" + Filters(request.filters));
    return saveAnswer;
}

std::wstring CFakeFileChooser::ChooseFolder(HWND, const std::wstring& title, const std::wstring& start)
{
    m_log.Add(L"Files.Folder: " + title + L"|" + start);
    return folderAnswer;
}

bool CFakeColourChooser::Choose(HWND, DWORD initial, DWORD& chosen)
{
    m_log.Add(L"Colours.Choose: " + std::to_wstring(initial));
    if (answer) chosen = colour;
    return answer;
}

bool CFakeColourChooser::ChooseWithTransparency(HWND, DWORD initial, const std::wstring& transparencyLabel, DWORD& chosen)
{
    m_log.Add(L"Colours.ChooseWithTransparency: " + std::to_wstring(initial) + L" " + transparencyLabel);
    if (answer) chosen = colour;
    return answer;
}

bool CFakeShell::Open(const std::wstring& target)
{
    m_log.Add(L"Shell.Open: " + target);
    return answer;
}

bool CFakeShell::ShowInFolder(const std::wstring& path)
{
    m_log.Add(L"Shell.ShowInFolder: " + path);
    return answer;
}

std::wstring CFakeClipboard::GetText() const
{
    const_cast<CFakeDesktopLog&>(m_log).Add(L"Clipboard.GetText");
    return m_text;
}

void CFakeClipboard::SetText(const std::wstring& text)
{
    m_log.Add(L"Clipboard.SetText: " + text);
    m_text = text;
    m_files.clear();
    Changed();
}

std::vector<std::wstring> CFakeClipboard::GetFiles() const
{
    const_cast<CFakeDesktopLog&>(m_log).Add(L"Clipboard.GetFiles");
    return m_files;
}

void CFakeClipboard::SetFiles(const std::vector<std::wstring>& files)
{
    m_log.Add(L"Clipboard.SetFiles: " + Join(files));
    m_files = files;
    m_text.clear();
    Changed();
}

int CFakeClipboard::Subscribe(std::function<void()> onChange)
{
    m_log.Add(L"Clipboard.Subscribe");
    int token = m_nextToken++;
    m_subscribers[token] = std::move(onChange);
    return token;
}

void CFakeClipboard::Unsubscribe(int token)
{
    m_log.Add(L"Clipboard.Unsubscribe");
    m_subscribers.erase(token);
}

void CFakeClipboard::ExternalChange(const std::wstring& text, const std::vector<std::wstring>& files)
{
    m_text = text;
    m_files = files;
    Changed();
}

void CFakeClipboard::Changed()
{
    auto copy = m_subscribers;
    for (auto& entry : copy)
        if (m_subscribers.count(entry.first) && entry.second) entry.second();
}

std::vector<COpticalDrive> CFakeOpticalDrives::List()
{
    m_log.Add(L"Drives.List");
    return drives;
}

bool CFakeOpticalDrives::IsOpticalPath(const std::wstring& path)
{
    m_log.Add(L"Drives.IsOpticalPath: " + path);
    for (const auto& d : drives)
        if (!d.mountPoint.empty() && path.compare(0, d.mountPoint.size(), d.mountPoint) == 0) return true;
    return false;
}

EDiscState CFakeOpticalDrives::GetState(const std::wstring& device)
{
    m_log.Add(L"Drives.GetState: " + device);
    auto it = states.find(device);
    return it == states.end() ? EDiscState::Unknown : it->second;
}

bool CFakeOpticalDrives::GetVolumeLabel(const std::wstring& device, std::wstring& label)
{
    auto it = labels.find(device);
    if (it == labels.end()) return IOpticalDrives::GetVolumeLabel(device, label);
    label = it->second;
    return true;
}

bool CFakeOpticalDrives::Eject(const std::wstring& device)
{
    m_log.Add(L"Drives.Eject: " + device);
    auto it = states.find(device);
    if (it == states.end()) return false;
    it->second = EDiscState::TrayOpen;
    return true;
}

bool CFakeOpticalDrives::Load(const std::wstring& device)
{
    m_log.Add(L"Drives.Load: " + device);
    auto it = states.find(device);
    if (it == states.end()) return false;
    it->second = EDiscState::NotReady;
    return true;
}

int CFakeOpticalDrives::Subscribe(std::function<void(EDeviceNotice, const COpticalDrive&)> onNotice)
{
    m_log.Add(L"Drives.Subscribe");
    int token = m_nextToken++;
    m_subscribers[token] = std::move(onNotice);
    return token;
}

void CFakeOpticalDrives::Unsubscribe(int token)
{
    m_log.Add(L"Drives.Unsubscribe");
    m_subscribers.erase(token);
}

void CFakeOpticalDrives::Notice(EDeviceNotice notice, const std::wstring& device)
{
    COpticalDrive drive{device, {}};
    for (const auto& d : drives)
        if (d.device == device) drive = d;
    states[device] = notice == EDeviceNotice::Arrival ? EDiscState::DiscPresent : EDiscState::NoDisc;
    auto copy = m_subscribers;
    for (auto& entry : copy)
        if (m_subscribers.count(entry.first) && entry.second) entry.second(notice, drive);
}

bool CFakeOnlineState::IsOnline()
{
    m_log.Add(L"Online.IsOnline");
    return online;
}

std::vector<CScreenInfo> CFakeScreens::List()
{
    m_log.Add(L"Screens.List");
    return screens;
}

bool CFakeShutdown::PowerOff(std::wstring& error)
{
    m_log.Add(L"Shutdown.PowerOff");
    if (!answer) error = refusal;
    return answer;
}

CFakeDesktop::CFakeDesktop()
{
    CDesktopServices table{&messageBox, &files, &colours, &shell, &clipboard, &drives, &online, &screens, &shutdown};
    SetDesktopServices(&table);
}

CFakeDesktop::~CFakeDesktop() { SetDesktopServices(nullptr); }
