// Dropped files: queued on the UI thread, read on an add thread, inserted
// on the UI thread when their row arrives; the files it could not add are
// named in one message when its run is over.
#include <exception>

#include "kvostudio/global.h"
#include "kvostudio/libskin/audiofileinfo.h"
#include "kvostudio/libskin/skinlistctrl.h"
#include "kvostudio/userboxes.h"
#include "platform/window/ui_loop.h"

using namespace platform;

namespace {

// A file read on the add thread; the window frees it.
struct ReadFile {
    std::string path, label, title, artist, time, lyrics;
    int format = 0;
};

void FreeReadFile(LPARAM lParam)
{
    delete reinterpret_cast<ReadFile*>(lParam);
}

void FreeProblems(LPARAM lParam)
{
    delete reinterpret_cast<std::vector<FileProblem>*>(lParam);
}

}  // namespace

void CSkinListCtrl::AddDroppedFiles(const std::vector<std::string>& paths)
{
    // Each path under the queue lock; a running add thread holds it until
    // it has read its whole queue.
    for (const std::string& path : paths) {
        std::lock_guard<std::mutex> queue(m_csQueue);
        m_dropQueue.push_back(path);
    }
    StartAddThread();
}

bool CSkinListCtrl::StartAddThread()
{
    ReapAddThreads();
    if (!IsWindow() || m_stopAdding)
        return false;
    auto slot = std::make_unique<AddThread>();
    AddThread* raw = slot.get();
    const WindowHandle list = GetSafeHwnd();
    try {
        slot->thread = std::thread([this, raw, list] {
            AddThreadRun(list);
            raw->done = true;
        });
    } catch (const std::exception&) {
        WriteLog("The play list could not start its add thread");
        return false;
    }
    m_addThreads.push_back(std::move(slot));
    return true;
}

void CSkinListCtrl::AddThreadRun(WindowHandle list)
{
    SetThreadName("PlayList Add Thread");
    std::lock_guard<std::mutex> queue(m_csQueue);
    auto refused = std::make_unique<std::vector<FileProblem>>();
    for (const std::string& path : m_dropQueue) {
        if (m_stopAdding)
            break;
        auto file = std::make_unique<ReadFile>();
        file->path = path;
        {
            std::lock_guard<std::mutex> rows(m_csRows);
            std::string whyNot;
            if (!GetAudioFileInfo(path.c_str(), file->label, file->title, file->artist, file->time, file->lyrics,
                                  file->format, &whyNot)) {
                refused->push_back({path, whyNot});
                continue;
            }
        }
        if (platform::PostMessage(list, kMsgFileRead, 0, reinterpret_cast<LPARAM>(file.get()), &FreeReadFile))
            file.release();
    }
    m_dropQueue.clear();
    // After the rows, so that the list is complete when the message shows.
    if (!refused->empty() && !m_stopAdding &&
        platform::PostMessage(list, kMsgFilesRefused, 0, reinterpret_cast<LPARAM>(refused.get()), &FreeProblems))
        refused.release();
}

void CSkinListCtrl::ReapAddThreads()
{
    for (auto it = m_addThreads.begin(); it != m_addThreads.end();) {
        if ((*it)->done) {
            (*it)->thread.join();
            it = m_addThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void CSkinListCtrl::JoinAddThreads()
{
    for (auto& slot : m_addThreads)
        if (slot->thread.joinable())
            slot->thread.join();
    m_addThreads.clear();
}

LRESULT CSkinListCtrl::OnFilesRefused(const Message& m)
{
    std::unique_ptr<std::vector<FileProblem>> refused(reinterpret_cast<std::vector<FileProblem>*>(m.lParam));
    if (refused)
        ShowFileProblems(GetTopLevel(), *refused);
    return 0;
}

LRESULT CSkinListCtrl::OnFileRead(const Message& m)
{
    std::unique_ptr<ReadFile> file(reinterpret_cast<ReadFile*>(m.lParam));
    if (!file)
        return 0;
    const int row =
        InsertFileItem(file->path, file->label, file->title, file->artist, file->time, file->lyrics, file->format, 0);
    if (row >= 0)
        SetItemText(row, 1, file->time);
    Invalidate(false);
    return 0;
}
