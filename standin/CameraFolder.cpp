#include "standin/CameraFolder.h"

#include "standin/ExifThumbnail.h"
#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"

#include <algorithm>

namespace standin {
namespace {

bool hasExtension(const std::wstring& name, const wchar_t* extension)
{
    const std::size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && dot > 0 &&
           ::CompareStringOrdinal(name.c_str() + dot, -1, extension, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool listCameraFiles(const std::wstring& folder, std::vector<CameraFile>& files)
{
    files.clear();
    if (folder.empty())
        return false;
    const std::wstring base = withBackslash(folder);
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW((base + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty folder
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        CameraFile file;
        file.name = found.cFileName;
        const bool picture = hasExtension(file.name, L".jpg");
        if (!picture && !hasExtension(file.name, L".wav"))
            continue;
        file.size =
            (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        file.state = picture ? ThumbnailState::None : ThumbnailState::Sound;
        files.push_back(std::move(file));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(files.begin(), files.end(), [](const CameraFile& a, const CameraFile& b) {
        return ::CompareStringOrdinal(a.name.c_str(), -1, b.name.c_str(), -1, TRUE) ==
               CSTR_LESS_THAN;
    });
    for (CameraFile& file : files) {
        if (file.state != ThumbnailState::Sound)
            loadThumbnail(base + file.name, file);
    }
    return true;
}

void loadThumbnail(const std::wstring& path, CameraFile& file)
{
    file.thumbnail = RgbPicture();
    file.state = ThumbnailState::Unreadable;
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::uint8_t> data(kThumbnailReadLimit);
    DWORD got = 0;
    const BOOL read = ::ReadFile(handle, data.data(), kThumbnailReadLimit, &got, nullptr);
    ::CloseHandle(handle);
    if (!read)
        return;
    data.resize(got);
    ThumbnailLocation where;
    switch (findExifThumbnail(data.data(), data.size(), where)) {
    case ThumbnailSearch::Found:
        if (decodeThumbnail(data.data() + where.offset, where.length, file.thumbnail))
            file.state = ThumbnailState::Decoded;
        break;
    case ThumbnailSearch::NoExif:
    case ThumbnailSearch::NoThumbnail: file.state = ThumbnailState::None; break;
    case ThumbnailSearch::NotJpeg:
    case ThumbnailSearch::Broken: break;
    }
}

std::wstring cardPictureFolder(const std::wstring& cardRoot)
{
    return withBackslash(cardRoot) + kCardPictureFolder + L"\\";
}

bool createFolders(const std::wstring& path)
{
    std::wstring folder = path;
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    if (folder.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::wstring parent = folderOf(folder);
    if (!parent.empty() && parent.size() < folder.size() && parent.back() != L':')
        createFolders(parent);
    return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace standin
