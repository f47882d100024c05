#include "kvostudio/uploadfiledlg.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "kvostudio/libskin/id3tagv2.h"
#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/skinframe.h"
#include "platform/filemap/regular_file.h"
#include "platform/window/file_dialog.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr Rect kTextRect{16, 40, 374, 226};
constexpr unsigned kTooLargeText = 114;
constexpr unsigned kMobileText = 115;
constexpr unsigned kUccText = 132;
constexpr char kKvoFilter[] = "Music (*.kvo) | *.kvo|";
constexpr char kMp3Filter[] = "Music (*.mp3) | *.mp3|";
constexpr char kNotRecordedText[] = "Not Recorded File...";
constexpr char kNotRecordedCaption[] = "Error";

// The size of a regular file that opens for reading; false for anything
// else (a folder, a device, a file that cannot be read).
bool ReadableFileSize(const std::string& path, uint64_t& size)
{
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular || st.st_size < 0)
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

}  // namespace

CUploadFileDlg::CUploadFileDlg(UINT templateId, Window* parent, const char* filter, unsigned textId)
    : Dialog(templateId, parent), m_filter(filter), m_textId(textId)
{
}

CUploadFileDlg::~CUploadFileDlg() = default;

const MessageMap* CUploadFileDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::OnCommand(kBrowseButton, &CUploadFileDlg::OnBrowse),
        M::On(WM_PAINT, &CUploadFileDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CUploadFileDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CUploadFileDlg::OnLButtonDown),
    });
    return &map;
}

bool CUploadFileDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(skinframe::kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    SetBackgroundColour(skinframe::kFill);
    skinframe::CreateCaptionButtons(*this, m_closeButton, m_downButton, kDownButton);
    m_top = LoadSkinBitmap(skin::kCaptionStrip);
    if (!m_top.IsNull())
        m_uploadButton.Create({150, 285, 257, 314}, this, IDOK, skin::kBtnUpload, skin::kBtnUpload,
                              skin::kBtnUpload, "");
    const std::string face = skinframe::FontFace();
    m_pathField.Create("", WS_VISIBLE, RectOfSize(16, 244, 290, 22), this, kPathField, StaticText::kSunken);
    m_pathField.SetFontFace(face);
    m_browse.Create("Browse...", WS_VISIBLE, RectOfSize(312, 244, 65, 22), this, kBrowseButton);
    m_browse.SetFontFace(face);
    return true;
}

bool CUploadFileDlg::CheckTag(const std::string&)
{
    return true;
}

bool CUploadFileDlg::TakeFile(const std::string& path)
{
    if (!CheckTag(path))
        return false;
    uint64_t size = 0;
    if (!ReadableFileSize(path, size))
        return false;
    if (size > kMaxFileSize) {
        MessageBox(this, LoadStringTableEntry(kTooLargeText), skinframe::kTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    m_filePath = path;
    m_pathField.SetText(path);
    return true;
}

void CUploadFileDlg::OnBrowse()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.filters = ParseFileFilterText(m_filter);
    const FileDialogAnswer answer = ShowFileDialog(this, request);
    if (answer.ok)
        TakeFile(answer.paths.front());
}

void CUploadFileDlg::OnOK()
{
    if (m_filePath.empty())
        return;
    EndDialog(IDOK);
}

void CUploadFileDlg::DrawFrame(DC& dc)
{
    skinframe::DrawFrame(dc, *this, m_top);
}

LRESULT CUploadFileDlg::OnLButtonDown(const Message& m)
{
    skinframe::DragByCaption(*this, PointFromLParam(m.lParam));
    return 0;
}

LRESULT CUploadFileDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CUploadFileDlg::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    DrawFrame(dc);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(m_textId), kTextRect, skinframe::kBodyText, -12, 400,
                          DT_LEFT | DT_WORDBREAK);
    return 0;
}

CTransferMobileDlg::CTransferMobileDlg(Window* parent) : CUploadFileDlg(IDD, parent, kKvoFilter, kMobileText) {}

CUccUploadDlg::CUccUploadDlg(Window* parent) : CUploadFileDlg(IDD, parent, kMp3Filter, kUccText) {}

bool CUccUploadDlg::CheckTag(const std::string& path)
{
    CId3tagv2 tag;
    // A file without an ID3v2 tag goes on; the upload itself finds out
    // whether it names a song.
    if (tag.Read(path.c_str()) != 0)
        return true;
    if (std::atol(tag.GetUserText().c_str()) != 0)
        return true;
    MessageBox(this, kNotRecordedText, kNotRecordedCaption, MB_OK);
    return false;
}
