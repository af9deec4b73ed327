// The upload list: the icon list box 1634 and, in the same order, the full
// source paths and the entries' records. Every operation keeps the three in
// step; the records live as long as their entries.
#pragma once

#include "engine/CameraModels.h"
#include "engine/UploadJob.h"
#include "widgets/IconListBox.h"

#include <memory>
#include <string>
#include <vector>

class CUploadList {
public:
    CUploadList() = default;
    CUploadList(const CUploadList&) = delete;
    CUploadList& operator=(const CUploadList&) = delete;

    bool Attach(HWND dialog, int id) { return m_box.AttachDlgItem(dialog, id); }
    CIconListBox& Box() { return m_box; }
    HWND GetSafeHwnd() const { return m_box.GetSafeHwnd(); }

    // The display prefixes of the size classes ("[V] ", "[X] ", "[P] ").
    void SetPrefixes(const std::wstring& standard, const std::wstring& fine,
                     const std::wstring& panorama);
    std::wstring PrefixOf(PackedSize size) const;

    size_t Count() const { return m_paths.size(); }
    const std::wstring& Path(size_t index) const { return m_paths[index]; }
    UploadItem& Item(size_t index) const { return *m_items[index]; }
    unsigned Icon(size_t index) const;
    std::vector<int> Selection() const;
    int SelectionCount() const;
    void ClearSelection();

    enum class AddResult { Added, Duplicate, Full, Refused };
    // Appends an entry of `size` for `path`: a path already in the list
    // (same letters, same case) is skipped; more than 1000 entries refuse.
    AddResult Add(const std::wstring& path, PackedSize size);
    void RemoveSelected();
    void RemoveAll();
    // Moves the only selected entry one place up or down and keeps it
    // selected; false when that is not possible.
    bool MoveSelected(bool up);
    // Gives every selected entry of another size `size`, with the prefix of
    // its class; the entries stay selected.
    void SetSizeOfSelected(PackedSize size);
    // Changes the icon of an entry in place, keeping its selection.
    void SetIcon(size_t index, unsigned iconId);
    // Each entry's target size follows a camera change.
    void FollowCamera(int32_t cameraCode);

    // What the upload job reads: the paths and the entries, in list order.
    const std::vector<std::wstring>& Paths() const { return m_paths; }
    std::vector<UploadEntry> Entries() const;

private:
    CIconListBox m_box;
    std::vector<std::wstring> m_paths;
    std::vector<std::unique_ptr<UploadItem>> m_items;
    std::wstring m_prefixes[3];
};
