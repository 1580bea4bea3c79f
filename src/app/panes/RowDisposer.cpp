#include "RowDisposer.h"

#include "Log.h"
#include "ui/UIControl.h"
#include "ui/UIManager.h"
#include "platform/paths.h"

#include <exception>
#include <filesystem>
#include <system_error>

CRowDisposer::~CRowDisposer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

void CRowDisposer::Dispose(CPaintManagerUI* manager, std::vector<CControlUI*> rows, std::vector<std::wstring> files)
{
    CBatch batch;
    batch.files = std::move(files);
    batch.rows.reserve(rows.size());
    for (CControlUI* row : rows) {
        if (!row) continue;
        if (!manager || manager->DetachTree(row)) {
            batch.rows.push_back(row);
        } else if (manager->IsDispatching()) {
            manager->AddDelayedCleanup(row);
        } else {
            delete row;
        }
    }
    if (batch.rows.empty() && batch.files.empty()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_batches.push_back(std::move(batch));
        if (!m_worker.joinable()) m_worker = std::thread([this] { Work(); });
    }
    m_wake.notify_one();
}

void CRowDisposer::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_batches.empty() && !m_busy; });
}

void CRowDisposer::Work()
{
    for (;;) {
        CBatch batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_batches.empty(); });
            // Stopping ends the worker only once every row is destroyed.
            if (m_batches.empty()) return;
            batch = std::move(m_batches.front());
            m_batches.pop_front();
            m_busy = true;
        }
        for (const std::wstring& file : batch.files) {
            std::error_code ec;
            std::filesystem::remove(PathFromWide(file), ec);
        }
        CDetachedDestroyScope detached;
        for (CControlUI* row : batch.rows) {
            try {
                delete row;
            } catch (const std::exception& e) {
                LogError("CRowDisposer", "Destroying a row failed: %s", e.what());
            } catch (...) {
                LogError("CRowDisposer", "Destroying a row failed");
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
}
