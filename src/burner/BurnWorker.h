// The burn itself, on its own thread: the menu's video and subpicture,
// DVD-Video authoring, the ISO image, and the disc write or the image file.
// Each step is a tool run from an argument list; a stop ends the running
// tool and no further step starts.
#pragma once
#include "BurnCommands.h"
#include "platform/events.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

enum class EBurnStage { Menu, Authoring, Image, Writing, Done };

struct SBurnReport {
    EBurnStage stage = EBurnStage::Menu;
    int percent = 0;          // of the whole burn
    std::wstring line;        // the tool's last line
};

// 1 made, 0 stopped, -1 failed (with the reason).
struct SBurnResult {
    int code = -1;
    std::wstring error;
};

class CBurnWorker {
public:
    using ReportFn = std::function<void(const SBurnReport&)>;
    using DoneFn = std::function<void(const SBurnResult&)>;
    CBurnWorker() = default;
    ~CBurnWorker();  // stops and joins
    CBurnWorker(const CBurnWorker&) = delete;
    CBurnWorker& operator=(const CBurnWorker&) = delete;

    // Both callbacks run on the worker thread; `done` runs last, once.
    void Start(SBurnJob job, std::vector<SMenuButton> buttons, ReportFn report, DoneFn done);
    void Stop();
    void Join();
    bool IsRunning() const { return m_thread.joinable() && !m_finished.IsSet(); }

private:
    SBurnResult Run();
    // Runs one tool; its percent maps into [from, to] of the whole burn.
    SBurnResult RunTool(const std::vector<std::wstring>& args, EBurnStage stage, int from, int to,
                        const std::vector<std::wstring>& environment = {});
    SBurnResult RunFiltered(const std::vector<std::wstring>& args, const std::wstring& input, const std::wstring& output);

    SBurnJob m_job;
    std::vector<SMenuButton> m_buttons;
    ReportFn m_report;
    CEvent m_stop{true, false};
    CEvent m_finished{true, false};
    std::thread m_thread;
    double m_inputMB = 1;
};
