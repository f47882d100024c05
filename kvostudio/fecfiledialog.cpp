#include "kvostudio/fecfiledialog.h"

#include <filesystem>
#include <system_error>

#include "platform/window/debug_output.h"
#include "platform/window/file_dialog.h"

using namespace platform;

namespace {

std::string TextOf(const char* text)
{
    return text ? std::string(text) : std::string();
}

bool HasExtension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

}  // namespace

CFECFileDialog::CFECFileDialog(bool openFileDialog, const char* defaultExtension, const char* fileName,
                               uint32_t flags, const char* filter, Window* parent)
    : m_open(openFileDialog),
      m_defaultExtension(TextOf(defaultExtension)),
      m_fileName(TextOf(fileName)),
      m_flags(flags),
      m_filter(TextOf(filter)),
      m_parent(parent)
{
}

CFECFileDialog::~CFECFileDialog() = default;

int CFECFileDialog::DoModal()
{
    m_paths.clear();
    FileDialogRequest request;
    request.kind = m_open ? FileDialogKind::Open : FileDialogKind::Save;
    request.filters = ParseFileFilterText(m_filter);
    request.multiple = m_open && (m_flags & OFN_ALLOWMULTISELECT) != 0;
    request.confirmOverwrite = !m_open && (m_flags & OFN_OVERWRITEPROMPT) != 0;
    std::error_code error;
    if (m_open && !m_fileName.empty() && std::filesystem::is_directory(m_fileName, error))
        request.initialFolder = m_fileName;
    else if (!m_open)
        request.initialName = m_fileName;
    FileDialogAnswer answer = ShowFileDialog(m_parent, request);
    if (!answer.ok)
        return IDCANCEL;
    m_paths = std::move(answer.paths);
    if (!m_open && !m_defaultExtension.empty())
        for (std::string& path : m_paths)
            if (!HasExtension(path))
                path += "." + m_defaultExtension;
    return IDOK;
}

POSITION CFECFileDialog::GetStartPosition() const
{
    return m_paths.empty() ? 0 : 1;
}

std::string CFECFileDialog::GetNextPathName(POSITION& pos) const
{
    if (pos == 0 || pos > m_paths.size()) {
        pos = 0;
        return {};
    }
    const std::string path = m_paths[pos - 1];
    pos = pos < m_paths.size() ? pos + 1 : 0;
    DebugOutput(path + "\n");
    return path;
}

std::string CFECFileDialog::GetPathName() const
{
    return m_paths.empty() ? std::string() : m_paths.front();
}
