#include "ui/UploadList.h"

#include "resources/VxfsendRes.h"

#include <algorithm>

void CUploadList::SetPrefixes(const std::wstring& standard, const std::wstring& fine,
                              const std::wstring& panorama)
{
    m_prefixes[0] = standard;
    m_prefixes[1] = fine;
    m_prefixes[2] = panorama;
}

std::wstring CUploadList::PrefixOf(PackedSize size) const
{
    switch (sizeClassOf(size)) {
    case SizeClass::Standard: return m_prefixes[0];
    case SizeClass::Fine: return m_prefixes[1];
    case SizeClass::Panorama: return m_prefixes[2];
    case SizeClass::None: break;
    }
    return std::wstring();
}

unsigned CUploadList::Icon(size_t index) const
{
    std::wstring text;
    int icon = 0;
    void* data = nullptr;
    m_box.GetItem(static_cast<int>(index), text, icon, data);
    return static_cast<unsigned>(icon);
}

std::vector<int> CUploadList::Selection() const
{
    std::vector<int> selected(static_cast<size_t>(std::max(0, SelectionCount())));
    if (!selected.empty())
        ::SendMessageW(m_box.GetSafeHwnd(), LB_GETSELITEMS, selected.size(),
                       reinterpret_cast<LPARAM>(selected.data()));
    return selected;
}

int CUploadList::SelectionCount() const
{
    const LRESULT count = ::SendMessageW(m_box.GetSafeHwnd(), LB_GETSELCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

void CUploadList::ClearSelection()
{
    ::SendMessageW(m_box.GetSafeHwnd(), LB_SETSEL, FALSE, -1);
}

CUploadList::AddResult CUploadList::Add(const std::wstring& path, PackedSize size)
{
    if (std::find(m_paths.begin(), m_paths.end(), path) != m_paths.end())
        return AddResult::Duplicate;
    if (!uploadListAccepts(m_paths.size()))
        return AddResult::Full;
    auto item = std::make_unique<UploadItem>();
    item->targetSize = size;
    if (m_box.AddItem(uploadDisplayText(PrefixOf(size), path), IDB_SOUND_NONE, item.get()) < 0)
        return AddResult::Refused;
    m_paths.push_back(path);
    m_items.push_back(std::move(item));
    return AddResult::Added;
}

void CUploadList::RemoveSelected()
{
    const std::vector<int> selected = Selection();
    for (auto index = selected.rbegin(); index != selected.rend(); ++index) {
        const size_t i = static_cast<size_t>(*index);
        if (i >= m_paths.size())
            continue;
        m_box.DeleteItem(*index);
        m_paths.erase(m_paths.begin() + *index);
        m_items.erase(m_items.begin() + *index);
    }
}

void CUploadList::RemoveAll()
{
    m_box.ResetContent();
    m_paths.clear();
    m_items.clear();
}

bool CUploadList::MoveSelected(bool up)
{
    const std::vector<int> selected = Selection();
    if (selected.size() != 1)
        return false;
    const size_t from = static_cast<size_t>(selected.front());
    if (from >= m_paths.size() || m_paths[from].empty())
        return false;
    if (up ? from == 0 : from + 1 >= m_paths.size())
        return false;
    const size_t to = up ? from - 1 : from + 1;

    std::wstring text;
    int icon = 0;
    void* data = nullptr;
    m_box.GetItem(static_cast<int>(from), text, icon, data);
    m_box.DeleteItem(static_cast<int>(from));
    if (m_box.InsertItem(static_cast<int>(to), text, icon, data) < 0) {
        // The list refused the entry: put it back where it was.
        m_box.InsertItem(static_cast<int>(from), text, icon, data);
        return false;
    }
    std::swap(m_paths[from], m_paths[to]);
    std::swap(m_items[from], m_items[to]);
    ::SendMessageW(m_box.GetSafeHwnd(), LB_SETSEL, TRUE, static_cast<LPARAM>(to));
    return true;
}

void CUploadList::SetSizeOfSelected(PackedSize size)
{
    for (int index : Selection()) {
        const size_t i = static_cast<size_t>(index);
        if (i >= m_items.size() || m_items[i]->targetSize == size)
            continue;
        m_items[i]->targetSize = size;
        m_box.SetItemText(index, uploadDisplayText(PrefixOf(size), m_paths[i]));
    }
}

void CUploadList::SetIcon(size_t index, unsigned iconId)
{
    if (Icon(index) != iconId)
        m_box.SetItemIcon(static_cast<int>(index), static_cast<int>(iconId));
}

void CUploadList::FollowCamera(int32_t cameraCode)
{
    for (auto& item : m_items)
        item->targetSize = FollowCameraSize(item->targetSize, cameraCode);
}

std::vector<UploadEntry> CUploadList::Entries() const
{
    std::vector<UploadEntry> entries;
    entries.reserve(m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i)
        entries.push_back(UploadEntry{Icon(i), *m_items[i]});
    return entries;
}
