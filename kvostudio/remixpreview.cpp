// The re-mix dialog's preview of the finished recording: the listen
// button, the position bar and the time texts.
#include <cmath>
#include <cstdio>

#include "kvostudio/folders.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/remixdlg.h"

using namespace platform;

namespace {

constexpr Rect kTimesRect{101, 137, 349, 154};

// Whole seconds of a length or position; 0 for what is not one.
int WholeSeconds(float seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0f || seconds >= 2147483647.0f)
        return 0;
    return static_cast<int>(seconds);
}

std::string CacheMp3Path()
{
    return GetUserDataFilePath(recfile::kCacheMp3);
}

}  // namespace

std::string CRecordingMoreDlg::FormatMinutesSeconds(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

void CRecordingMoreDlg::ReadLength()
{
    const std::string path = CacheMp3Path();
    CId3tagv2 tag;
    int seconds = 0;
    if (tag.Read(path.c_str()) == 0) {
        Mp3FilePlayer player;
        if (player.Open(path.c_str()))
            seconds = WholeSeconds(player.GetLengthSeconds());
        player.Close();
    } else {
        seconds = static_cast<int>(std::min<uint32_t>(tag.GetDurationSeconds(), 2147483647u));
    }
    m_lengthText = FormatMinutesSeconds(seconds);
}

void CRecordingMoreDlg::SetListenLook(bool playing)
{
    const char* image = playing ? skin::kBtnListenPause : skin::kBtnListen;
    m_listenButton.SetBitmaps(m_listenRect, image, image, image, "");
    InvalidateRect(m_listenRect, false);
}

void CRecordingMoreDlg::StopPreview()
{
    if (!m_preview)
        return;
    m_preview->Stop();
    m_preview.reset();
}

void CRecordingMoreDlg::TogglePreview()
{
    if (!m_preview) {
        m_preview = std::make_unique<Mp3FilePlayer>();
        const std::string path = CacheMp3Path();
        if (m_preview->Open(path.c_str()))
            m_positionBar.SetRange(0, WholeSeconds(m_preview->GetLengthSeconds()));
    }
    if (m_preview->IsPlaying()) {
        StopPreview();
        KillTimer(kPreviewTimer);
        SetListenLook(false);
        return;
    }
    m_preview->SeekSeconds(static_cast<float>(m_positionBar.GetPos()));
    m_preview->Play();
    SetTimer(kPreviewTimer, kPreviewTickMs);
    SetListenLook(true);
}

LRESULT CRecordingMoreDlg::OnTimer(const Message& m)
{
    if (m.wParam != kPreviewTimer)
        return Default();
    if (!m_preview) {
        KillTimer(kPreviewTimer);
        return 0;
    }
    // The end of the bar, or a player that stopped by itself at the end of
    // the file (or never started), ends the preview.
    if (m_positionBar.GetPos() == m_positionBar.GetRangeMax() || !m_preview->IsPlaying()) {
        KillTimer(kPreviewTimer);
        StopPreview();
        m_positionBar.Invalidate(false);
        m_positionBar.SetPos(0);
        SetListenLook(false);
        m_positionText = FormatMinutesSeconds(0);
        InvalidateRect(kTimesRect, false);
        return 0;
    }
    const float position = m_preview->GetPositionSeconds();
    m_positionBar.SetPos(WholeSeconds(position + 0.5f));
    m_positionText = FormatMinutesSeconds(WholeSeconds(position));
    m_lengthText = FormatMinutesSeconds(WholeSeconds(m_preview->GetLengthSeconds()));
    InvalidateRect(kTimesRect, false);
    return 0;
}

LRESULT CRecordingMoreDlg::OnBarReleased(const NMHDR&)
{
    if (m_preview && m_preview->IsPlaying())
        m_preview->SeekSeconds(static_cast<float>(m_positionBar.GetPos()));
    return 0;
}
