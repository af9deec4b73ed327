// The camera files of a folder, as the transfer window lists them, and the
// copy onto the stand-in memory card (Win32).
#pragma once
#include "standin/ThumbnailDecoder.h"

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

enum class ThumbnailState {
    Sound,       // a .wav file: no picture
    Decoded,     // the Exif thumbnail, decoded
    None,        // a picture without an Exif thumbnail
    Unreadable,  // a thumbnail is announced but broken, or the file cannot be read
};

struct CameraFile {
    std::wstring name;
    unsigned long long size = 0;
    ThumbnailState state = ThumbnailState::None;
    RgbPicture thumbnail;
};

// Only this much of a picture is read for its thumbnail: the Exif segment
// sits at the start and is at most 64 KB.
constexpr DWORD kThumbnailReadLimit = 256 * 1024;

// The *.jpg and *.wav files of `folder`, by name; false when the folder
// cannot be listed.
bool listCameraFiles(const std::wstring& folder, std::vector<CameraFile>& files);

// Reads the thumbnail of one picture file.
void loadThumbnail(const std::wstring& path, CameraFile& file);

// "<card root>\DCIM\100ORVEN\".
std::wstring cardPictureFolder(const std::wstring& cardRoot);

// Creates a folder with its missing parents.
bool createFolders(const std::wstring& path);

}  // namespace standin
