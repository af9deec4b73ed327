#include "CameraModels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::vector<PackedSize> kFine = {0x04000300, 0x050003C0, 0x064004B0};
const std::vector<PackedSize> kPanorama = {0x04000180, 0x050001E0, 0x06400258};

// --- Packed sizes and classes ---------------------------------------------

TEST(PackedSize, WidthHighHeightLow)
{
    EXPECT_EQ(packSize(640, 480), 0x028001E0u);
    EXPECT_EQ(packSize(640, 480), 41943520u);
    EXPECT_EQ(packedWidth(0x064004B0), 1600u);
    EXPECT_EQ(packedHeight(0x064004B0), 1200u);
    EXPECT_EQ(packSize(80, 60), 5242940u);
    EXPECT_EQ(packSize(0xFFFF, 0xFFFF), 0xFFFFFFFFu);
}

TEST(PackedSize, TableConstantsMatchTheirPixels)
{
    EXPECT_EQ(kSize1024x768, packSize(1024, 768));
    EXPECT_EQ(kSize1280x960, packSize(1280, 960));
    EXPECT_EQ(kSize1600x1200, packSize(1600, 1200));
    EXPECT_EQ(kSize1024x384, packSize(1024, 384));
    EXPECT_EQ(kSize1280x480, packSize(1280, 480));
    EXPECT_EQ(kSize1600x600, packSize(1600, 600));
    EXPECT_EQ(kSize1920x1440, packSize(1920, 1440));
    EXPECT_EQ(kSize1984x1488, packSize(1984, 1488));
    EXPECT_EQ(kSize2048x1536, packSize(2048, 1536));
    EXPECT_EQ(kThumbnail80x60, packSize(80, 60));
    EXPECT_EQ(kThumbnail160x120, packSize(160, 120));
}

TEST(SizeClass, ByTheSizeTable)
{
    EXPECT_EQ(sizeClassOf(0x028001E0), SizeClass::Standard);
    for (PackedSize s : kFine)
        EXPECT_EQ(sizeClassOf(s), SizeClass::Fine) << std::hex << s;
    for (PackedSize s : kPanorama)
        EXPECT_EQ(sizeClassOf(s), SizeClass::Panorama) << std::hex << s;
}

TEST(SizeClass, LargeAndThumbnailSizesHaveNoClass)
{
    for (PackedSize s : {0x078005A0u, 0x07C005D0u, 0x08000600u, 0x0050003Cu, 0x00A00078u, 0u,
                         0x01E00280u /* 480 x 640: turned, not the same size */, 0x032001E0u})
        EXPECT_EQ(sizeClassOf(s), SizeClass::None) << std::hex << s;
}

TEST(SizeClass, PrefixStrings)
{
    EXPECT_EQ(sizePrefixId(SizeClass::Standard), 512u);
    EXPECT_EQ(sizePrefixId(SizeClass::Fine), 513u);
    EXPECT_EQ(sizePrefixId(SizeClass::Panorama), 514u);
    EXPECT_EQ(sizePrefixId(SizeClass::None), 0u);
    EXPECT_EQ(kSizePrefixLength, 4u);
}

// --- Model table ----------------------------------------------------------

TEST(CameraModelTable, FourModelsInListOrder)
{
    const CameraModel* models = cameraModels();
    const int32_t codes[] = {52, 82, 86, 90};
    const char letters[] = {'4', 'R', 'V', 'Z'};
    for (int i = 0; i < kCameraModelCount; ++i) {
        EXPECT_EQ(models[i].code, codes[i]);
        EXPECT_EQ(models[i].code, letters[i]);
        EXPECT_EQ(models[i].listIndex, i);
        EXPECT_EQ(models[i].nameId, 201u + i);
        EXPECT_EQ(cameraModelByIndex(i), &models[i]);
        EXPECT_EQ(cameraModelByCode(codes[i]), &models[i]);
        EXPECT_EQ(models[i].standardSize, 0x028001E0u);
    }
    EXPECT_EQ(kDefaultCameraCode, 90);
}

TEST(CameraModelTable, UnknownCodesAndIndexesHaveNoRow)
{
    EXPECT_EQ(cameraModelByCode(0), nullptr);
    EXPECT_EQ(cameraModelByCode('z'), nullptr);
    EXPECT_EQ(cameraModelByCode(-90), nullptr);
    EXPECT_EQ(cameraModelByIndex(-1), nullptr);
    EXPECT_EQ(cameraModelByIndex(4), nullptr);
}

struct ModelRow {
    int32_t code;
    PackedSize fine, panorama;
    unsigned fineCaption, panoramaCaption;
    unsigned listHint, fineHint, panoramaHint;
    PackedSize thumbnail;
    HandOffRoute route;
};

TEST(CameraModelTable, PerModelConstants)
{
    const ModelRow rows[] = {
        {52, 0x04000300, 0x04000180, 252, 253, 712, 722, 723, 0x0050003C, HandOffRoute::SuiteProfile},
        {82, 0x050003C0, 0x050001E0, 254, 255, 739, 738, 740, 0x0050003C, HandOffRoute::SuiteProfile},
        {86, 0x050003C0, 0x050001E0, 254, 255, 739, 738, 740, 0x00A00078, HandOffRoute::SuiteProfile},
        {90, 0x064004B0, 0x06400258, 256, 257, 742, 743, 741, 0x00A00078, HandOffRoute::Registry},
    };
    for (const ModelRow& row : rows) {
        SCOPED_TRACE(row.code);
        const CameraModel* m = cameraModelByCode(row.code);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->fineSize, row.fine);
        EXPECT_EQ(m->panoramaSize, row.panorama);
        EXPECT_EQ(m->fineCaptionId, row.fineCaption);
        EXPECT_EQ(m->panoramaCaptionId, row.panoramaCaption);
        EXPECT_EQ(m->listHintId, row.listHint);
        EXPECT_EQ(m->fineHintId, row.fineHint);
        EXPECT_EQ(m->panoramaHintId, row.panoramaHint);
        EXPECT_EQ(m->thumbnailSize, row.thumbnail);
        EXPECT_EQ(m->handOff, row.route);
        EXPECT_EQ(modelSize(*m, SizeClass::Standard), 0x028001E0u);
        EXPECT_EQ(modelSize(*m, SizeClass::Fine), row.fine);
        EXPECT_EQ(modelSize(*m, SizeClass::Panorama), row.panorama);
        EXPECT_EQ(modelSize(*m, SizeClass::None), 0u);
    }
}

// --- Sizes following a camera change ---------------------------------------

TEST(FollowCameraSize, FromOrinToKx10)
{
    EXPECT_EQ(FollowCameraSize(0x06400258, 52), 0x04000180u);  // 1600 x 600 -> 1024 x 384
    EXPECT_EQ(FollowCameraSize(0x064004B0, 52), 0x04000300u);  // 1600 x 1200 -> 1024 x 768
    EXPECT_EQ(FollowCameraSize(0x028001E0, 52), 0x028001E0u);
}

TEST(FollowCameraSize, EveryCodeByTheTable)
{
    for (int32_t code : {52, 82, 86, 90}) {
        const CameraModel* m = cameraModelByCode(code);
        for (PackedSize s : kFine)
            EXPECT_EQ(FollowCameraSize(s, code), m->fineSize) << code << " " << std::hex << s;
        for (PackedSize s : kPanorama)
            EXPECT_EQ(FollowCameraSize(s, code), m->panoramaSize) << code << " " << std::hex << s;
        EXPECT_EQ(FollowCameraSize(0x028001E0, code), 0x028001E0u);
    }
}

TEST(FollowCameraSize, SwitchingBetweenKx20AndKx30ZChangesNothing)
{
    for (PackedSize s : {0x050003C0u, 0x050001E0u, 0x028001E0u}) {
        EXPECT_EQ(FollowCameraSize(s, 86), s);
        EXPECT_EQ(FollowCameraSize(s, 82), s);
    }
}

TEST(FollowCameraSize, ClassNeverChanges)
{
    for (int32_t code : {52, 82, 86, 90}) {
        for (PackedSize s : kFine)
            EXPECT_EQ(sizeClassOf(FollowCameraSize(s, code)), SizeClass::Fine);
        for (PackedSize s : kPanorama)
            EXPECT_EQ(sizeClassOf(FollowCameraSize(s, code)), SizeClass::Panorama);
    }
}

TEST(FollowCameraSize, SizesOutsideTheTableAndUnknownCodesStay)
{
    for (PackedSize s : {0x032001E0u, 0x078005A0u, 0x0050003Cu, 0u, 0xFFFFFFFFu})
        for (int32_t code : {52, 82, 86, 90})
            EXPECT_EQ(FollowCameraSize(s, code), s);
    EXPECT_EQ(FollowCameraSize(0x064004B0, 0), 0x064004B0u);
    EXPECT_EQ(FollowCameraSize(0x064004B0, 'A'), 0x064004B0u);
}

// --- Upload items ---------------------------------------------------------

TEST(UploadItemTest, NewItemHasNoSound)
{
    UploadItem item;
    EXPECT_EQ(item.targetSize, 0u);
    EXPECT_FALSE(hasSound(item));
    EXPECT_EQ(uploadIconId(item, false), 306u);
    EXPECT_EQ(uploadIconId(item, true), 306u);
}

TEST(UploadItemTest, IconShowsASoundExactlyWhenAPathIsSet)
{
    UploadItem item;
    ASSERT_TRUE(setSoundPath(item, L"C:\\Sounds\\a.wav"));
    EXPECT_TRUE(hasSound(item));
    EXPECT_EQ(std::wstring(item.soundPath), L"C:\\Sounds\\a.wav");
    EXPECT_EQ(uploadIconId(item, false), 307u);
    EXPECT_EQ(uploadIconId(item, true), 308u);
    clearSoundPath(item);
    EXPECT_FALSE(hasSound(item));
    EXPECT_EQ(uploadIconId(item, false), 306u);
}

TEST(UploadItemTest, SoundPathOfTooManyCharactersIsRefusedAndNothingChanges)
{
    UploadItem item;
    ASSERT_TRUE(setSoundPath(item, L"C:\\old.wav"));
    EXPECT_FALSE(setSoundPath(item, std::wstring(260, L'x')));
    EXPECT_FALSE(setSoundPath(item, std::wstring(4096, L'x')));
    EXPECT_EQ(std::wstring(item.soundPath), L"C:\\old.wav");
    // 259 characters and the terminator fill the field exactly.
    const std::wstring longest(259, L'y');
    ASSERT_TRUE(setSoundPath(item, longest));
    EXPECT_EQ(std::wstring(item.soundPath), longest);
}

TEST(UploadItemTest, EmbeddedTerminatorIsRefused)
{
    UploadItem item;
    EXPECT_FALSE(setSoundPath(item, std::wstring(L"C:\\a\0b.wav", 10)));
    EXPECT_FALSE(hasSound(item));
}

TEST(UploadItemTest, SizeFollowsTheCharacterType)
{
    EXPECT_EQ(sizeof(UploadItem), 4 + 260 * sizeof(wchar_t));
#ifdef _WIN32
    EXPECT_EQ(sizeof(UploadItem), 524u);
#endif
}

TEST(UploadItemTest, DisplayTextIsPrefixAndFileName)
{
    EXPECT_EQ(uploadDisplayText(L"[X] ", L"C:\\Pictures\\trip\\IMG_0001.JPG"), L"[X] IMG_0001.JPG");
    EXPECT_EQ(uploadDisplayText(L"", L"C:\\a.bmp"), L"a.bmp");
    EXPECT_EQ(uploadDisplayText(L"[V] ", L"D:photo.jpg"), L"[V] photo.jpg");
}

TEST(UploadItemTest, ListTakesAnEntryUntilMoreThanAThousandAreThere)
{
    EXPECT_TRUE(uploadListAccepts(0));
    EXPECT_TRUE(uploadListAccepts(1000));  // the 1001st entry is still taken
    EXPECT_FALSE(uploadListAccepts(1001));
}

}  // namespace
