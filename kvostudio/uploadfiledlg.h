#pragma once
// File pickers shown ahead of an upload; the main window starts the upload
// engine only after one of them closes with a file. CTransferMobileDlg
// takes a .kvo container for the phone, CUccUploadDlg an MP3 recording for
// the user's UCC files. A file is checked when it is chosen (size at most 20 MiB; for UCC
// a tagged file must carry its recording number) and shown; the upload
// button ends the dialog with IDOK once a file was accepted, and the owner
// reads GetFilePath(). A refused file leaves the earlier choice as it was.

#include <cstdint>
#include <string>

#include "kvostudio/libskin/imagebutton.h"
#include "platform/draw/bitmap.h"
#include "platform/window/dialog.h"
#include "platform/window/push_button.h"
#include "platform/window/static_text.h"

// What the two dialogs share: the frame, the path field and Browse button,
// the file checks and the upload button.
class CUploadFileDlg : public platform::Dialog {
public:
    static constexpr int kPathField = 1010;
    static constexpr int kBrowseButton = 1020;
    static constexpr int kDownButton = 2030;
    // The largest file accepted, in bytes (20 MiB).
    static constexpr uint64_t kMaxFileSize = 20971520;
    static constexpr platform::Size kWindowSize{393, 350};

    ~CUploadFileDlg() override;

    // The accepted file; empty until one was accepted.
    const std::string& GetFilePath() const { return m_filePath; }
    std::string GetShownPath() const { return m_pathField.GetWindowText(); }

    // Asks for a file with the dialog's filter and takes it when it passes
    // the checks.
    void OnBrowse();
    // The checks of a chosen file; true when it became the dialog's file.
    bool TakeFile(const std::string& path);

    const platform::MessageMap* GetMessageMap() const override;

protected:
    CUploadFileDlg(platform::UINT templateId, platform::Window* parent, const char* filter, unsigned textId);

    // The tag check of the dialog's kind; true when the file may go on.
    virtual bool CheckTag(const std::string& path);

    bool OnInitDialog() override;
    void OnOK() override;
    void DrawFrame(platform::DC& dc);

private:
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    std::string m_filePath;
    CImageButton m_closeButton;
    CImageButton m_downButton;
    CImageButton m_uploadButton;
    platform::Bitmap m_top;
    platform::StaticText m_pathField;
    platform::PushButton m_browse;
    const char* m_filter;
    unsigned m_textId;
};

// A .kvo container for the phone.
class CTransferMobileDlg : public CUploadFileDlg {
public:
    enum { IDD = 168 };
    explicit CTransferMobileDlg(platform::Window* parent = nullptr);
};

// An MP3 recording for the UCC files: a file with an ID3v2 tag must carry a
// recording number other than 0 in its user text (TXXX).
class CUccUploadDlg : public CUploadFileDlg {
public:
    enum { IDD = 174 };
    explicit CUccUploadDlg(platform::Window* parent = nullptr);

protected:
    bool CheckTag(const std::string& path) override;
};
