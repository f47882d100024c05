#pragma once
// The list of containers waiting on the service for download from the
// phone, in the dark list palette: one row per file ("subject - artist"),
// one selected row, and a close mark at each row's right end that asks the
// parent to drop the row (kMsgRowClose, lParam = row). It stands in for
// the skinned download list until that control is in place.

#include <string>
#include <vector>

#include "kvostudio/webservice.h"
#include "platform/window/window.h"

class PhoneFileList : public platform::Window {
public:
    static constexpr platform::UINT kMsgRowClose = platform::WM_APP + 1100;
    static constexpr int kRowHeight = 20;
    static constexpr int kCloseWidth = 16;

    bool Create(const platform::Rect& rect, platform::Window* parent, int id);

    void AddItem(const DownItem& item);
    void DeleteItemAt(int row);
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    const DownItem& GetItem(int row) const { return items_.at(static_cast<size_t>(row)); }
    // The row holding that FID, -1 when none does.
    int FindFid(const std::string& fid) const;
    // -1 when no row is selected.
    int GetSelectedRow() const { return selected_; }
    void SetSelectedRow(int row);

    const platform::MessageMap* GetMessageMap() const override;

private:
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);

    std::vector<DownItem> items_;
    int selected_ = -1;
};
