#include "BurnWorker.h"

#include "BurnerTools.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool WriteText(const std::wstring& path, const std::wstring& text)
{
    std::ofstream out(PathFromWide(path), std::ios::binary | std::ios::trunc);
    out << WideToUtf8(text);
    return static_cast<bool>(out);
}

// The last percentage a line shows ("12.5%", "(99.1%)"); -1 when none.
double PercentIn(const std::wstring& line)
{
    double found = -1;
    for (size_t at = line.find(L'%'); at != std::wstring::npos; at = line.find(L'%', at + 1)) {
        size_t start = at;
        while (start > 0 && (std::iswdigit(line[start - 1]) || line[start - 1] == L'.')) --start;
        if (start < at) found = std::wcstod(line.substr(start, at - start).c_str(), nullptr);
    }
    return found;
}

// dvdauthor's "STAT: VOBU 123 at 45MB, 1 PGCs": megabytes written; -1 when none.
double AuthoredMB(const std::wstring& line)
{
    const size_t at = line.find(L" at ");
    if (line.find(L"STAT: VOBU") == std::wstring::npos || at == std::wstring::npos) return -1;
    return std::wcstod(line.c_str() + at + 4, nullptr);
}

// The image's name while it is written: "<name>.part" beside it, the name
// cut on a character boundary so that the whole fits in 255 bytes.
std::wstring PartialImagePath(const std::wstring& image)
{
    const size_t slash = image.rfind(L'/');
    const size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    return image.substr(0, start) + CutUtf8Bytes(std::wstring_view(image).substr(start), 255 - 5) + L".part";
}

std::wstring ToolName(const std::wstring& path) { return WideFromPath(PathFromWide(path).filename()); }

}  // namespace

CBurnWorker::~CBurnWorker()
{
    Stop();
    Join();
}

void CBurnWorker::Start(SBurnJob job, std::vector<SMenuButton> buttons, ReportFn report, DoneFn done)
{
    m_job = std::move(job);
    m_buttons = std::move(buttons);
    m_report = std::move(report);
    m_thread = std::thread([this, done = std::move(done)] {
        SBurnResult result;
        std::string what;
        if (!RunCatching([&] { result = Run(); }, what)) {
            // No half image is left under any name.
            std::error_code ec;
            if (m_job.device.empty()) fs::remove(PathFromWide(PartialImagePath(m_job.imagePath)), ec);
            result = {-1, Utf8ToWide(what)};
        }
        m_finished.Set();
        if (done) done(result);
    });
}

void CBurnWorker::Stop() { m_stop.Set(); }

void CBurnWorker::Join()
{
    if (m_thread.joinable()) m_thread.join();
}

SBurnResult CBurnWorker::Run()
{
    std::error_code ec;
    fs::create_directories(PathFromWide(m_job.tempFolder), ec);
    fs::remove_all(PathFromWide(DvdFolder(m_job)), ec);
    m_inputMB = 1;
    for (const VXM_BURN_FILE& f : m_job.files) m_inputMB += static_cast<double>(fs::file_size(PathFromWide(f.path), ec)) / 1048576.0;

    const bool toImageFile = m_job.device.empty();
    const bool menu = m_job.withMenu() && !m_buttons.empty();
    if (menu) {
        const std::wstring encoder = FindBurnTool(EBurnTool::Encoder);
        const std::wstring spumux = FindBurnTool(EBurnTool::Subpicture);
        if (encoder.empty() || spumux.empty()) return {-1, L"ffmpeg / spumux: not found"};
        SBurnResult r = RunTool(MenuVideoArgs(encoder, m_job), EBurnStage::Menu, 0, 4);
        if (r.code != 1) return r;
        if (!WriteText(SpumuxPlanPath(m_job), SpumuxPlan(m_job, m_buttons))) return {-1, SpumuxPlanPath(m_job)};
        r = RunFiltered(SpumuxArgs(spumux, m_job), MenuVideo(m_job), MenuWithButtons(m_job));
        if (r.code != 1) return r;
    }

    const std::wstring author = FindBurnTool(EBurnTool::Author);
    if (author.empty()) return {-1, L"dvdauthor: not found"};
    if (!WriteText(AuthorPlanPath(m_job), DvdAuthorPlan(m_job, menu ? m_buttons : std::vector<SMenuButton>{})))
        return {-1, AuthorPlanPath(m_job)};
    const int authored = toImageFile ? 70 : 45;
    SBurnResult r = RunTool(DvdAuthorArgs(author, m_job), EBurnStage::Authoring, 5, authored,
                            {std::wstring(L"VIDEO_FORMAT=") + (m_job.ntsc ? L"NTSC" : L"PAL")});
    if (r.code != 1) return r;

    bool xorriso = false;
    const std::wstring maker = FindBurnTool(EBurnTool::ImageMaker, &xorriso);
    if (maker.empty()) return {-1, L"genisoimage: not found"};
    // An image file appears under its name only when it is whole.
    const std::wstring image = toImageFile ? PartialImagePath(m_job.imagePath) : ImageOf(m_job);
    r = RunTool(ImageArgs(maker, xorriso, m_job, image), EBurnStage::Image, authored, toImageFile ? 99 : 60);
    if (r.code != 1) {
        fs::remove(PathFromWide(image), ec);
        return r;
    }
    if (toImageFile) {
        fs::rename(PathFromWide(image), PathFromWide(m_job.imagePath), ec);
        if (ec) {
            fs::remove(PathFromWide(image), ec);
            return {-1, m_job.imagePath + L": " + Utf8ToWide(ec.message())};
        }
    } else {
        const std::wstring writer = FindBurnTool(EBurnTool::DiscWriter, &xorriso);
        if (writer.empty()) return {-1, L"growisofs: not found"};
        r = RunTool(WriteArgs(writer, xorriso, m_job), EBurnStage::Writing, 60, 99);
        if (r.code != 1) return r;
    }
    if (m_report) m_report(SBurnReport{EBurnStage::Done, 100, {}});
    return {1, {}};
}

SBurnResult CBurnWorker::RunTool(const std::vector<std::wstring>& args, EBurnStage stage, int from, int to,
                                  const std::vector<std::wstring>& environment)
{
    if (m_stop.IsSet()) return {0, {}};
    CChildProcess child;
    CChildOptions options;
    options.stderrMode = EChildStream::ToStdout;
    options.extraEnvironment = environment;
    if (m_report) m_report(SBurnReport{stage, from, {}});
    if (!child.Start(args, options)) return {-1, ToolName(args[0]) + L": " + Utf8ToWide(child.LastError())};
    std::string pending;
    std::wstring last;
    std::vector<std::wstring> tail;  // the last lines, for the error text
    char buffer[4096];
    for (;;) {
        if (m_stop.IsSet()) {
            child.Terminate();
            if (!child.Wait(3000)) child.Kill();
            child.Wait(CChildProcess::INFINITE_WAIT);
            return {0, {}};
        }
        const long n = child.ReadStdout(buffer, sizeof buffer, 200);
        if (n == CHILD_READ_TIMEOUT) continue;
        if (n <= 0) break;
        pending.append(buffer, static_cast<size_t>(n));
        // Tools end progress lines with "\r" as often as with "\n".
        size_t end;
        while ((end = pending.find_first_of("\r\n")) != std::string::npos) {
            const std::wstring line = Utf8ToWide(pending.substr(0, end));
            pending.erase(0, end + 1);
            if (line.empty()) continue;
            tail.push_back(line);
            if (tail.size() > 6) tail.erase(tail.begin());
            double share = PercentIn(line) / 100.0;
            if (stage == EBurnStage::Authoring) share = AuthoredMB(line) / m_inputMB;
            if (share >= 0 && m_report) {
                const int percent = from + static_cast<int>((to - from) * std::min(share, 1.0));
                m_report(SBurnReport{stage, percent, line});
            }
            last = line;
        }
    }
    int code = -1;
    child.Wait(CChildProcess::INFINITE_WAIT, &code);
    if (m_stop.IsSet()) return {0, {}};
    if (code == 0) return {1, {}};
    std::wstring error = ToolName(args[0]) + L" (" + std::to_wstring(code) + L")";
    for (const std::wstring& line : tail) error += L"\n" + line;
    return {-1, error};
}

SBurnResult CBurnWorker::RunFiltered(const std::vector<std::wstring>& args, const std::wstring& input,
                                     const std::wstring& output)
{
    if (m_stop.IsSet()) return {0, {}};
    CChildProcess child;
    CChildOptions options;
    options.stdinMode = EChildStream::Pipe;
    options.stderrMode = EChildStream::Null;
    if (!child.Start(args, options)) return {-1, ToolName(args[0]) + L": " + Utf8ToWide(child.LastError())};
    // The input goes in on a feeder while the output is read here.
    std::string feedFailure;
    std::thread feeder([&child, &input, &feedFailure] {
        RunCatching(
            [&] {
                std::ifstream in(PathFromWide(input), std::ios::binary);
                char block[65536];
                while (in.read(block, sizeof block) || in.gcount() > 0)
                    if (child.WriteStdin(block, static_cast<size_t>(in.gcount())) < 0) break;
            },
            feedFailure);
        child.CloseStdin();  // the tool ends on the end of its input
    });
    std::ofstream out(PathFromWide(output), std::ios::binary | std::ios::trunc);
    char buffer[65536];
    bool stopped = false;
    for (;;) {
        if (m_stop.IsSet() && !stopped) {
            stopped = true;
            child.Kill();
        }
        const long n = child.ReadStdout(buffer, sizeof buffer, 200);
        if (n == CHILD_READ_TIMEOUT) continue;
        if (n <= 0) break;
        out.write(buffer, n);
    }
    feeder.join();
    int code = -1;
    child.Wait(CChildProcess::INFINITE_WAIT, &code);
    out.close();
    if (stopped) return {0, {}};
    if (!feedFailure.empty()) return {-1, ToolName(args[0]) + L": " + Utf8ToWide(feedFailure)};
    if (code != 0 || !out) return {-1, ToolName(args[0]) + L" (" + std::to_wstring(code) + L")"};
    return {1, {}};
}
