#include "kvostudio/usernotice.h"

#include <atomic>

#include "kvostudio/helpers.h"

namespace {

std::atomic<NoticeShower> g_shower{nullptr};

}  // namespace

void SetNoticeShower(NoticeShower shower)
{
    g_shower.store(shower);
}

void NotifyUser(const std::string& text)
{
    const NoticeShower shower = g_shower.load();
    if (shower == nullptr || !shower(text))
        WriteLog(text.c_str());
}
