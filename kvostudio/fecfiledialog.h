#pragma once
// The open-file dialog that takes many files at once: the desktop's file
// chooser with multiple selection, whose every chosen path comes back
// however many files were chosen. The main window and the playlist use it
// to add music files:
//
//   CFECFileDialog dlg(true, nullptr, nullptr, OFN_ALLOWMULTISELECT, "Music (*.kvo;*.mp3)|*.kvo;*.mp3|", this);
//   if (dlg.DoModal() == IDOK)
//       for (POSITION pos = dlg.GetStartPosition(); pos;)
//           Add(dlg.GetNextPathName(pos));

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window/window.h"

// A place in the chosen names; 0 is none (past the last).
using POSITION = size_t;

// Flags of the dialog (others are accepted and mean nothing here).
enum : uint32_t {
    OFN_OVERWRITEPROMPT = 0x2,
    OFN_HIDEREADONLY = 0x4,
    OFN_ALLOWMULTISELECT = 0x200,
    OFN_FILEMUSTEXIST = 0x1000,
    OFN_EXPLORER = 0x80000,
};

class CFECFileDialog {
public:
    // openFileDialog: true to open, false to save. defaultExtension (without
    // the dot) is added to a saved name that has none. fileName: the name
    // proposed for saving, or a folder to start opening in. filter:
    // "Name|patterns|Name|patterns|". Null texts are empty ones.
    CFECFileDialog(bool openFileDialog, const char* defaultExtension, const char* fileName, uint32_t flags,
                   const char* filter, platform::Window* parent);
    virtual ~CFECFileDialog();

    // IDOK with at least one path chosen, else IDCANCEL. The choice of an
    // earlier run is forgotten first.
    virtual int DoModal();

    // The first chosen path's place; 0 when nothing was chosen.
    POSITION GetStartPosition() const;
    // The full path at pos; pos moves to the next one, or becomes 0 after
    // the last. Each path also goes to the debug output.
    std::string GetNextPathName(POSITION& pos) const;
    // The first chosen path; empty when none.
    std::string GetPathName() const;
    size_t GetCount() const { return m_paths.size(); }

private:
    bool m_open;
    std::string m_defaultExtension;
    std::string m_fileName;
    uint32_t m_flags;
    std::string m_filter;
    platform::Window* m_parent;
    std::vector<std::string> m_paths;
};
