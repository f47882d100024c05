// Adding files: a row at once for each file that may be a song, its file
// read by the list's reader, the row filled in (or taken out again) on the
// UI thread when the reader's answer arrives, and the files of one addition
// that could not be added named in one message when the last is read.
#include <algorithm>
#include <exception>

#include "kvostudio/folders.h"
#include "kvostudio/global.h"
#include "kvostudio/libskin/audiofileinfo.h"
#include "kvostudio/libskin/skinlistctrl.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/userboxes.h"
#include "platform/thread/thread_name.h"
#include "platform/window/debug_output.h"
#include "platform/window/ui_loop.h"

using namespace platform;

struct CSkinListCtrl::FileRead {
    int id = 0;
    bool usable = false;
    std::string label, title, artist, time, lyrics, whyNot;
    int format = 0;
};

void CSkinListCtrl::FreeFileRead(LPARAM lParam)
{
    delete reinterpret_cast<FileRead*>(lParam);
}

bool CSkinListCtrl::AddFile(const std::string& path, int makeCurrent, std::string* whyNot)
{
    std::vector<FileProblem> refused;
    FinishBatch(AddBatch({path}, makeCurrent ? 0 : kNoRow, &refused));
    if (refused.empty())
        return true;
    if (whyNot)
        *whyNot = refused.front().reason;
    return false;
}

bool CSkinListCtrl::AddFileAndRedraw(const std::string& path, int makeCurrent, std::string* whyNot)
{
    const bool added = AddFile(path, makeCurrent, whyNot);
    Invalidate(false);
    return added;
}

void CSkinListCtrl::AddFiles(const std::vector<std::string>& paths)
{
    const int batch = AddBatch(paths, kNoRow, nullptr);
    Invalidate(false);
    FinishBatch(batch);
}

void CSkinListCtrl::AddDroppedFiles(const std::vector<std::string>& paths)
{
    AddFiles(paths);
}

int CSkinListCtrl::AddBatch(const std::vector<std::string>& paths, int makeCurrentId,
                            std::vector<FileProblem>* refusedNow)
{
    const int batchId = m_nNextBatch++;
    Batch& batch = m_batches[batchId];
    for (size_t place = 0; place < paths.size(); ++place) {
        const std::string& path = paths[place];
        std::string problem = ListProblemBeforeReading(path.c_str());
        const int currentBefore = m_nCurrentId;
        const bool current = makeCurrentId != kNoRow && place == size_t(makeCurrentId);
        // Named by its file until the reader has read its tags; the time
        // is shown once known.
        const std::string name = GetFullPathFileName(path.c_str());
        const int row =
            problem.empty() ? InsertFileItem(path, name, name, "", "", "", ListFormatOf(path.c_str()), current ? 1 : 0)
                            : -1;
        if (problem.empty() && row < 0)
            problem = "the play list could not take it";
        if (!problem.empty()) {
            if (refusedNow)
                refusedNow->push_back({path, problem});
            else
                batch.refused.push_back({int(place), {path, problem}});
            continue;
        }
        const int id = ItemAt(row)->nId;
        m_pending[id] = {batchId, int(place), currentBefore};
        ++batch.unread;
        QueueRead(id, path);
    }
    return batchId;
}

void CSkinListCtrl::QueueRead(int id, const std::string& path)
{
    bool start = false;
    {
        std::lock_guard<std::mutex> queue(m_csQueue);
        if (m_stopReading)
            return;
        m_readQueue.push_back({id, path});
        start = !m_readerRunning;
        m_readerRunning = true;
    }
    if (start && !LaunchReader()) {
        // No reader: the files waiting are refused, as the reader's answers
        // would come, rather than left unread for ever.
        std::deque<ReadJob> unread;
        {
            std::lock_guard<std::mutex> queue(m_csQueue);
            unread.swap(m_readQueue);
            m_readerRunning = false;
        }
        for (const ReadJob& job : unread) {
            auto read = std::make_unique<FileRead>();
            read->id = job.id;
            read->whyNot = "the play list could not read it";
            if (platform::PostMessage(GetSafeHwnd(), kMsgFileRead, 0, reinterpret_cast<LPARAM>(read.get()),
                                      &FreeFileRead))
                read.release();
        }
    }
}

bool CSkinListCtrl::StartAddThread()
{
    if (!IsWindow())
        return false;
    {
        std::lock_guard<std::mutex> queue(m_csQueue);
        if (m_stopReading)
            return false;
        if (m_readQueue.empty() || m_readerRunning)
            return true;
        m_readerRunning = true;
    }
    return LaunchReader();
}

bool CSkinListCtrl::LaunchReader()
{
    // The reader before has ended (it found the queue empty) and holds
    // nothing; it is joined before the next starts.
    if (m_reader.joinable())
        m_reader.join();
    try {
        if (IsWindow()) {
            m_reader = std::thread([this, list = GetSafeHwnd()] { ReaderRun(list); });
            return true;
        }
    } catch (const std::exception&) {
        WriteLog("The play list could not start its reader");
    }
    std::lock_guard<std::mutex> queue(m_csQueue);
    m_readerRunning = false;
    return false;
}

void CSkinListCtrl::ReaderRun(WindowHandle list)
{
    SetThreadName("PlayList Reader");
    for (;;) {
        ReadJob job;
        {
            std::lock_guard<std::mutex> queue(m_csQueue);
            if (m_stopReading || m_readQueue.empty()) {
                m_readerRunning = false;
                return;
            }
            job = std::move(m_readQueue.front());
            m_readQueue.pop_front();
        }
        auto read = std::make_unique<FileRead>();
        read->id = job.id;
        read->usable = GetAudioFileInfo(job.path.c_str(), read->label, read->title, read->artist, read->time,
                                         read->lyrics, read->format, &read->whyNot) != 0;
        if (platform::PostMessage(list, kMsgFileRead, 0, reinterpret_cast<LPARAM>(read.get()), &FreeFileRead))
            read.release();
    }
}

void CSkinListCtrl::StopReader()
{
    {
        std::lock_guard<std::mutex> queue(m_csQueue);
        m_stopReading = true;
        m_readQueue.clear();
    }
    if (m_reader.joinable())
        m_reader.join();
}

void CSkinListCtrl::JoinAddThreads()
{
    // The reader ends by itself once nothing waits for it.
    if (m_reader.joinable())
        m_reader.join();
}

bool CSkinListCtrl::IsBeingRead(int row) const
{
    const PlayListItem* item = ItemAt(row);
    return item && m_pending.count(item->nId) != 0;
}

bool CSkinListCtrl::PlayWhenRead()
{
    const int row = GetCurrentRow();
    const int plays = row >= 0 ? row : 0;
    if (!IsBeingRead(plays)) {
        m_nPlayWhenRead = kNoRow;
        return false;
    }
    m_nPlayWhenRead = ItemAt(plays)->nId;
    return true;
}

int CSkinListCtrl::RowOfId(int id) const
{
    for (int row = 0; row < GetItemCount(); ++row)
        if (const PlayListItem* item = ItemAt(row); item && item->nId == id)
            return row;
    return -1;
}

LRESULT CSkinListCtrl::OnFileRead(const Message& m)
{
    std::unique_ptr<FileRead> read(reinterpret_cast<FileRead*>(m.lParam));
    if (read)
        TakeRead(*read);
    return 0;
}

void CSkinListCtrl::TakeRead(const FileRead& read)
{
    const auto found = m_pending.find(read.id);
    if (found == m_pending.end())
        return;
    const PendingRead pending = found->second;
    m_pending.erase(found);
    const int row = RowOfId(read.id);
    if (!read.usable) {
        // A row the user removed meanwhile is not named either: it is gone
        // as the user wished.
        if (row >= 0) {
            m_batches[pending.batch].refused.push_back(
                {pending.place, {ItemAt(row)->strPath, read.whyNot}});
            RemoveRefusedRow(read.id, pending);
        }
    } else if (row >= 0) {
        PlayListItem* item = ItemAt(row);
        item->strLabel = read.label;
        item->strTitle = read.title;
        item->strArtist = read.artist;
        item->strLyrics = read.lyrics;
        item->nFormat = read.format;
        SetItemText(row, 1, read.time);
        Invalidate(false);
        DebugOutput("play list: " + item->strPath + " read, " + read.time + "\n");
    }
    const bool play = read.id == m_nPlayWhenRead;
    if (play)
        m_nPlayWhenRead = kNoRow;
    if (play && row >= 0 && read.usable)
        SendToParent(ID_CMD_PLAY, row);
    auto batch = m_batches.find(pending.batch);
    if (batch != m_batches.end() && --batch->second.unread <= 0)
        FinishBatch(pending.batch);
}

void CSkinListCtrl::RemoveRefusedRow(int id, const PendingRead& pending)
{
    const int row = RowOfId(id);
    if (row < 0)
        return;
    const bool wasCurrent = m_nCurrentId == id;
    DeleteItemAt(row);
    Invalidate(false);
    if (!wasCurrent)
        return;
    // As if the file had never been added: the row current before it is
    // current again. The first row ever was current only by being first;
    // then the first row after it, or the next to come, takes its place.
    m_nCurrentId = pending.currentBefore;
    if (m_nCurrentId == id) {
        const PlayListItem* first = ItemAt(0);
        m_nCurrentId = first ? first->nId : m_nNextId;
    }
    m_nOrderPos = 0;
}

void CSkinListCtrl::FinishBatch(int batchId)
{
    auto found = m_batches.find(batchId);
    if (found == m_batches.end() || found->second.unread > 0)
        return;
    std::vector<std::pair<int, FileProblem>> refused = std::move(found->second.refused);
    m_batches.erase(found);
    std::stable_sort(refused.begin(), refused.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FileProblem> problems;
    for (auto& entry : refused)
        problems.push_back(std::move(entry.second));
    ShowFileProblems(GetTopLevel(), problems);
}
