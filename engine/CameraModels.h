// Camera models and upload items: the packed picture size every part passes
// around, the four camera models with their per-model constants, the rule by
// which sizes follow a camera change, and the record kept per upload entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Width in the high 16 bits, height in the low 16 bits.
using PackedSize = uint32_t;

constexpr PackedSize packSize(uint32_t width, uint32_t height)
{
    return (width & 0xFFFFu) << 16 | (height & 0xFFFFu);
}
constexpr uint32_t packedWidth(PackedSize size)
{
    return size >> 16;
}
constexpr uint32_t packedHeight(PackedSize size)
{
    return size & 0xFFFFu;
}

// The sizes the system knows.
constexpr PackedSize kSize640x480 = 0x028001E0;
constexpr PackedSize kSize1024x768 = 0x04000300;
constexpr PackedSize kSize1280x960 = 0x050003C0;
constexpr PackedSize kSize1600x1200 = 0x064004B0;
constexpr PackedSize kSize1024x384 = 0x04000180;
constexpr PackedSize kSize1280x480 = 0x050001E0;
constexpr PackedSize kSize1600x600 = 0x06400258;
constexpr PackedSize kSize1920x1440 = 0x078005A0;  // known to the metadata only
constexpr PackedSize kSize1984x1488 = 0x07C005D0;  // known to the metadata only
constexpr PackedSize kSize2048x1536 = 0x08000600;  // known to the metadata only
constexpr PackedSize kThumbnail80x60 = 0x0050003C;
constexpr PackedSize kThumbnail160x120 = 0x00A00078;

// [V] standard, [X] fine, [P] panorama; None for every other size
// (thumbnail sizes included: they are not picture sizes).
enum class SizeClass { None, Standard, Fine, Panorama };

SizeClass sizeClassOf(PackedSize size);

// String id of the display prefix of a class ("[V] ", "[X] ", "[P] "), or 0
// for None. Every prefix is exactly kSizePrefixLength characters.
unsigned sizePrefixId(SizeClass sizeClass);
constexpr size_t kSizePrefixLength = 4;

// How the transfer application is told about the files.
enum class HandOffRoute { SuiteProfile, Registry };

struct CameraModel {
    int32_t code;   // character code: '4', 'R', 'V', 'Z'
    int listIndex;  // row in the camera switch list
    unsigned nameId;
    PackedSize standardSize;
    PackedSize fineSize;
    PackedSize panoramaSize;
    unsigned fineCaptionId;      // caption of the [X] radio
    unsigned panoramaCaptionId;  // caption of the [P] radio
    unsigned listHintId;         // help text of the upload list
    unsigned fineHintId;         // help text of the [X] radio
    unsigned panoramaHintId;     // help text of the [P] radio
    PackedSize thumbnailSize;
    HandOffRoute handOff;
};

constexpr int kCameraModelCount = 4;
constexpr int32_t kDefaultCameraCode = 90;  // set at every start

// Rows in the order of the camera switch list.
const CameraModel* cameraModels();
// The row of a code or list index; null when there is none.
const CameraModel* cameraModelByCode(int32_t code);
const CameraModel* cameraModelByIndex(int index);

// The model's packed size of a class; 0 for None.
PackedSize modelSize(const CameraModel& model, SizeClass sizeClass);

// The size of the same class on the model of `newCode`. Sizes of other
// models' fine and panorama classes are replaced; 640 x 480, sizes already
// of the new model, sizes outside the table and unknown codes stay as they are.
PackedSize FollowCameraSize(PackedSize size, int32_t newCode);

// The upload list: an add is refused only when more than this many entries
// are already there.
constexpr size_t kUploadListLimit = 1000;
inline bool uploadListAccepts(size_t entries)
{
    return entries <= kUploadListLimit;
}

constexpr size_t kSoundPathLength = 260;

// One per upload entry, kept by the main window while the entry exists.
struct UploadItem {
    PackedSize targetSize = 0;
    wchar_t soundPath[kSoundPathLength] = {};  // empty: no sound attached
};
static_assert(sizeof(UploadItem) == sizeof(uint32_t) + kSoundPathLength * sizeof(wchar_t),
              "UploadItem: a packed size and a path of 260 characters");

// Attaches a sound; false (item unchanged) when the path does not fit with
// its terminator.
bool setSoundPath(UploadItem& item, const std::wstring& path);
void clearSoundPath(UploadItem& item);
bool hasSound(const UploadItem& item);

// Icon of the entry: 306 no sound, 307 a sound, 308 a sound while the list is
// greyed during an upload.
unsigned uploadIconId(const UploadItem& item, bool listGreyed);

// Display text of an entry: the prefix of its size class (as loaded from the
// string table; empty when the size is outside the table) followed by the
// source's file name and extension.
std::wstring uploadDisplayText(const std::wstring& prefix, const std::wstring& sourcePath);
