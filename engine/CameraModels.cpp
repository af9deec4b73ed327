#include "engine/CameraModels.h"

#include "resources/VxfsendRes.h"

#include <cwchar>

namespace {

const CameraModel kModels[kCameraModelCount] = {
    {52, 0, IDS_CAMERA_KX10, kSize640x480, kSize1024x768, kSize1024x384, IDS_SIZE_X_1024X768,
     IDS_SIZE_P_1024X384, IDS_HINT_UPLOAD_LIST_KX10, IDS_HINT_SIZE_X_KX10, IDS_HINT_SIZE_P_KX10,
     kThumbnail80x60, HandOffRoute::SuiteProfile},
    {82, 1, IDS_CAMERA_KX20, kSize640x480, kSize1280x960, kSize1280x480, IDS_SIZE_X_1280X960,
     IDS_SIZE_P_1280X480, IDS_HINT_UPLOAD_LIST_KX20, IDS_HINT_SIZE_X_KX20, IDS_HINT_SIZE_P_KX20,
     kThumbnail80x60, HandOffRoute::SuiteProfile},
    {86, 2, IDS_CAMERA_KX30Z, kSize640x480, kSize1280x960, kSize1280x480, IDS_SIZE_X_1280X960,
     IDS_SIZE_P_1280X480, IDS_HINT_UPLOAD_LIST_KX20, IDS_HINT_SIZE_X_KX20, IDS_HINT_SIZE_P_KX20,
     kThumbnail160x120, HandOffRoute::SuiteProfile},
    {90, 3, IDS_CAMERA_KXORIN, kSize640x480, kSize1600x1200, kSize1600x600, IDS_SIZE_X_1600X1200,
     IDS_SIZE_P_1600X600, IDS_HINT_UPLOAD_LIST_KXORIN, IDS_HINT_SIZE_X_KXORIN,
     IDS_HINT_SIZE_P_KXORIN, kThumbnail160x120, HandOffRoute::Registry},
};

}  // namespace

SizeClass sizeClassOf(PackedSize size)
{
    switch (size) {
    case kSize640x480: return SizeClass::Standard;
    case kSize1024x768:
    case kSize1280x960:
    case kSize1600x1200: return SizeClass::Fine;
    case kSize1024x384:
    case kSize1280x480:
    case kSize1600x600: return SizeClass::Panorama;
    default: return SizeClass::None;
    }
}

unsigned sizePrefixId(SizeClass sizeClass)
{
    switch (sizeClass) {
    case SizeClass::Standard: return IDS_PREFIX_V;
    case SizeClass::Fine: return IDS_PREFIX_X;
    case SizeClass::Panorama: return IDS_PREFIX_P;
    case SizeClass::None: break;
    }
    return 0;
}

const CameraModel* cameraModels()
{
    return kModels;
}

const CameraModel* cameraModelByCode(int32_t code)
{
    for (const CameraModel& model : kModels)
        if (model.code == code)
            return &model;
    return nullptr;
}

const CameraModel* cameraModelByIndex(int index)
{
    if (index < 0 || index >= kCameraModelCount)
        return nullptr;
    return &kModels[index];
}

PackedSize modelSize(const CameraModel& model, SizeClass sizeClass)
{
    switch (sizeClass) {
    case SizeClass::Standard: return model.standardSize;
    case SizeClass::Fine: return model.fineSize;
    case SizeClass::Panorama: return model.panoramaSize;
    case SizeClass::None: break;
    }
    return 0;
}

PackedSize FollowCameraSize(PackedSize size, int32_t newCode)
{
    const CameraModel* model = cameraModelByCode(newCode);
    if (!model)
        return size;
    const SizeClass sizeClass = sizeClassOf(size);
    if (sizeClass != SizeClass::Fine && sizeClass != SizeClass::Panorama)
        return size;
    return modelSize(*model, sizeClass);
}

bool setSoundPath(UploadItem& item, const std::wstring& path)
{
    // An embedded terminator would silently shorten the path.
    if (path.size() >= kSoundPathLength || path.find(L'\0') != std::wstring::npos)
        return false;
    std::wmemcpy(item.soundPath, path.c_str(), path.size() + 1);
    return true;
}

void clearSoundPath(UploadItem& item)
{
    item.soundPath[0] = L'\0';
}

bool hasSound(const UploadItem& item)
{
    return item.soundPath[0] != L'\0';
}

unsigned uploadIconId(const UploadItem& item, bool listGreyed)
{
    if (!hasSound(item))
        return IDB_SOUND_NONE;
    return listGreyed ? IDB_SOUND_GREYED : IDB_SOUND_ATTACHED;
}

std::wstring uploadDisplayText(const std::wstring& prefix, const std::wstring& sourcePath)
{
    const size_t slash = sourcePath.find_last_of(L"\\/:");
    return prefix + (slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1));
}
