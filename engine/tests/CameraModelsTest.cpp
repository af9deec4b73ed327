#include "engine/CameraModels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PackedSize, WidthHighHeightLowAndTheSizeTableClasses)
{
    EXPECT_EQ(packSize(640, 480), 0x028001E0u);
    EXPECT_EQ(packedWidth(0x064004B0), 1600u);
    EXPECT_EQ(packedHeight(0x064004B0), 1200u);
    EXPECT_EQ(packSize(0xFFFF, 0xFFFF), 0xFFFFFFFFu);
    const struct {
        PackedSize size;
        SizeClass sizeClass;
        unsigned prefixId;
    } cases[] = {
        {0x028001E0, SizeClass::Standard, 512},
        {0x04000300, SizeClass::Fine, 513},
        {0x050003C0, SizeClass::Fine, 513},
        {0x064004B0, SizeClass::Fine, 513},
        {0x04000180, SizeClass::Panorama, 514},
        {0x050001E0, SizeClass::Panorama, 514},
        {0x06400258, SizeClass::Panorama, 514},
        // Large sizes, thumbnails, nothing, a turned picture, an odd size: no class.
        {0x078005A0, SizeClass::None, 0},
        {0x08000600, SizeClass::None, 0},
        {0x0050003C, SizeClass::None, 0},
        {0x00A00078, SizeClass::None, 0},
        {0, SizeClass::None, 0},
        {0x01E00280, SizeClass::None, 0},
        {0x032001E0, SizeClass::None, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.size);
        EXPECT_EQ(sizeClassOf(c.size), c.sizeClass);
        EXPECT_EQ(sizePrefixId(sizeClassOf(c.size)), c.prefixId);
    }
}

// --- Model table and the sizes that follow a camera change ---------------------

TEST(CameraModelTable, RowsInListOrderAndSizesFollowingACameraChange)
{
    const struct {
        int32_t code;
        PackedSize fine, panorama;
        unsigned fineCaption, panoramaCaption, listHint, fineHint, panoramaHint;
        PackedSize thumbnail;
        HandOffRoute route;
    } rows[] = {
        {52, 0x04000300, 0x04000180, 252, 253, 712, 722, 723, 0x0050003C,
         HandOffRoute::SuiteProfile},
        {82, 0x050003C0, 0x050001E0, 254, 255, 739, 738, 740, 0x0050003C,
         HandOffRoute::SuiteProfile},
        {86, 0x050003C0, 0x050001E0, 254, 255, 739, 738, 740, 0x00A00078,
         HandOffRoute::SuiteProfile},
        {90, 0x064004B0, 0x06400258, 256, 257, 742, 743, 741, 0x00A00078, HandOffRoute::Registry},
    };
    EXPECT_EQ(kDefaultCameraCode, 90);
    for (int i = 0; i < kCameraModelCount; ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE(row.code);
        const CameraModel* m = cameraModelByIndex(i);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(cameraModelByCode(row.code), m);
        EXPECT_EQ(m->listIndex, i);
        EXPECT_EQ(m->nameId, 201u + static_cast<unsigned>(i));
        EXPECT_EQ(std::vector<unsigned>({m->fineCaptionId, m->panoramaCaptionId, m->listHintId,
                                         m->fineHintId, m->panoramaHintId}),
                  std::vector<unsigned>({row.fineCaption, row.panoramaCaption, row.listHint,
                                         row.fineHint, row.panoramaHint}));
        EXPECT_EQ(m->thumbnailSize, row.thumbnail);
        EXPECT_EQ(m->handOff, row.route);
        EXPECT_EQ(modelSize(*m, SizeClass::Standard), 0x028001E0u);
        EXPECT_EQ(modelSize(*m, SizeClass::None), 0u);
        // Any fine or panorama size becomes this model's; the class never changes.
        for (const auto& from : rows) {
            EXPECT_EQ(FollowCameraSize(from.fine, row.code), row.fine) << std::hex << from.fine;
            EXPECT_EQ(FollowCameraSize(from.panorama, row.code), row.panorama)
                << std::hex << from.panorama;
        }
        for (PackedSize s : {0x028001E0u, 0x032001E0u, 0x078005A0u, 0x0050003Cu, 0u, 0xFFFFFFFFu})
            EXPECT_EQ(FollowCameraSize(s, row.code), s) << std::hex << s;
    }
    for (int32_t code : {0, int32_t{'z'}, -90, int32_t{'A'}}) {
        EXPECT_EQ(cameraModelByCode(code), nullptr) << code;
        EXPECT_EQ(FollowCameraSize(0x064004B0, code), 0x064004B0u) << code;
    }
    EXPECT_EQ(cameraModelByIndex(-1), nullptr);
    EXPECT_EQ(cameraModelByIndex(kCameraModelCount), nullptr);
}

// --- Upload items ----------------------------------------------------------------

TEST(UploadItemTest, IconShowsASoundExactlyWhenAPathIsSet)
{
    UploadItem item;
    EXPECT_EQ(item.targetSize, 0u);
    EXPECT_EQ(uploadIconId(item, true), 306u);
    ASSERT_TRUE(setSoundPath(item, L"C:\\Sounds\\a.wav"));
    EXPECT_TRUE(hasSound(item));
    EXPECT_EQ(uploadIconId(item, false), 307u);
    EXPECT_EQ(uploadIconId(item, true), 308u);
    clearSoundPath(item);
    EXPECT_FALSE(hasSound(item));
    EXPECT_EQ(uploadIconId(item, false), 306u);
}

TEST(UploadItemTest, SoundPathsThatDoNotFitAreRefusedAndNothingChanges)
{
    UploadItem item;
    ASSERT_TRUE(setSoundPath(item, L"C:\\old.wav"));
    EXPECT_FALSE(setSoundPath(item, std::wstring(260, L'x')));
    EXPECT_FALSE(setSoundPath(item, std::wstring(4096, L'x')));
    EXPECT_FALSE(setSoundPath(item, std::wstring(L"C:\\a\0b.wav", 10)));
    EXPECT_EQ(std::wstring(item.soundPath), L"C:\\old.wav");
    // 259 characters and the terminator fill the field exactly.
    ASSERT_TRUE(setSoundPath(item, std::wstring(259, L'y')));
    EXPECT_EQ(std::wstring(item.soundPath), std::wstring(259, L'y'));
}

TEST(UploadItemTest, DisplayTextAndTheListLimit)
{
    EXPECT_EQ(uploadDisplayText(L"[X] ", L"C:\\Pictures\\trip\\IMG_0001.JPG"), L"[X] IMG_0001.JPG");
    EXPECT_EQ(uploadDisplayText(L"", L"C:\\a.bmp"), L"a.bmp");
    EXPECT_EQ(uploadDisplayText(L"[V] ", L"D:photo.jpg"), L"[V] photo.jpg");
    EXPECT_TRUE(uploadListAccepts(1000));  // the 1001st entry is still taken
    EXPECT_FALSE(uploadListAccepts(1001));
}

}  // namespace
