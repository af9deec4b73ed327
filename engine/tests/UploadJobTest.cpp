// The upload job's ordinary course over real files and the real conversion:
// names and numbers, sounds that name their pictures, the date taken once,
// thumbnails by model, progress lines and bar, the hand-off and the work
// folder's life. The written files are read back with exiftool, djpeg and sox.
#include "engine/tests/UploadTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace {

using Names = std::vector<std::string>;

class UploadFlow : public UploadFixture {};

TEST_F(UploadFlow, EmptyListCreatesNoFolderAndHandsNothingOff)
{
    run({}, {});
    EXPECT_FALSE(fs::exists(workFolder));
    EXPECT_EQ(handOffs, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(clockCalls, 0);

    // With save-also on the folder is only probed: nothing stays in it.
    useSaveFolder();
    run({}, {});
    EXPECT_EQ(folderNames(saveFolder), Names{});
    EXPECT_EQ(handOffs, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UploadFlow, TwoEntriesWithSoundsGetConsecutiveNumbersAndEachSoundNamesItsPicture)
{
    useSaveFolder();
    const fs::path a = picture("a.jpg", 800, 600);
    const fs::path b = picture("b.bmp", 320, 240);
    const fs::path ta = tone("ta.wav", 2.0, 22050, 2);
    const fs::path tb = tone("tb.wav", 4.0, 11025, 1);
    const UploadJobReport report =
        run({a, b}, {entry(kSize640x480, ta), entry(kSize1600x1200, tb)});

    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(folderNames(saveFolder),
              (Names{"08240001.jpg", "08240001.wav", "08240002.jpg", "08240002.wav"}));
    ASSERT_EQ(report.producedFiles.size(), 2u);
    EXPECT_EQ(report.producedFiles[0], fromFsPath(saveFolder / "08240001.jpg"));
    EXPECT_EQ(report.producedFiles[1], fromFsPath(saveFolder / "08240002.jpg"));
    EXPECT_EQ(handOffs, 1);
    EXPECT_FALSE(report.aborted);

    // Each sound names its picture and carries the job's date; read back by
    // independent readers (the camera formats themselves are the exif and
    // sound modules' tests, and vxfconv's).
    SoundTexts first;
    ASSERT_TRUE(readSoundTexts(saveFolder / "08240001.wav", first));
    EXPECT_EQ(first.creationDate, "2024-08-24");
    EXPECT_EQ(first.creationTime, "13:05:09.000");
    EXPECT_EQ(exifTool(saveFolder / "08240001.wav", "RelatedImageFile"), "08240001.jpg");
    EXPECT_EQ(exifTool(saveFolder / "08240002.wav", "RelatedImageFile"), "08240002.jpg");
    // The camera sound lengths for 2 and 4 seconds of tone.
    EXPECT_EQ(runTool("sox --i -D " + shellQuoted(saveFolder / "08240001.wav")).output,
              "3.000000\n");
    EXPECT_EQ(runTool("sox --i -D " + shellQuoted(saveFolder / "08240002.wav")).output,
              "5.000000\n");
    for (const auto& [name, size] : {std::pair<std::string, std::string>{"08240001.jpg", "640 480"},
                                     {"08240002.jpg", "1600 1200"}}) {
        const std::string header =
            runTool("djpeg -pnm " + shellQuoted(saveFolder / name) + " | head -c 20",
                    ToolErrors::passedOn)
                .output;
        EXPECT_EQ(header.substr(0, 3 + size.size()), "P6\n" + size) << name;
    }
}

TEST_F(UploadFlow, NumbersUsedByEarlierJobsAreSkippedWithEitherExtension)
{
    useSaveFolder();
    writeFileBytes(saveFolder / "08240001.jpg", {1, 2, 3});
    writeFileBytes(saveFolder / "08240002.Wav", {4, 5, 6});  // any case
    // Another day and another kind of file take no number of today.
    writeFileBytes(saveFolder / "08230003.jpg", {7});
    writeFileBytes(saveFolder / "08240003.txt", {8});
    const fs::path a = picture("a.jpg", 320, 240);
    const fs::path b = picture("b.jpg", 320, 240);
    run({a, b}, {entry(kSize640x480), entry(kSize640x480)});
    EXPECT_EQ(folderNames(saveFolder), (Names{"08230003.jpg", "08240001.jpg", "08240002.Wav",
                                              "08240003.jpg", "08240003.txt", "08240004.jpg"}));
    // The earlier files are untouched.
    EXPECT_EQ(readFileBytes(saveFolder / "08240001.jpg"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(readFileBytes(saveFolder / "08240002.Wav"), (std::vector<uint8_t>{4, 5, 6}));
}

TEST_F(UploadFlow, DateIsTakenOnceEvenAcrossMidnight)
{
    useSaveFolder();
    clock = [](int call) {
        return call == 0 ? CameraDateTime{2024, 8, 24, 23, 59, 59}
                         : CameraDateTime{2024, 8, 25, 0, 0, 1};
    };
    const fs::path t = tone("t.wav", 1.0);
    run({picture("a.jpg", 160, 120), picture("b.jpg", 160, 120)},
        {entry(kSize640x480), entry(kSize640x480, t)});
    EXPECT_EQ(clockCalls, 1);
    EXPECT_EQ(folderNames(saveFolder), (Names{"08240001.jpg", "08240002.jpg", "08240002.wav"}));
    SoundTexts texts;
    ASSERT_TRUE(readSoundTexts(saveFolder / "08240002.wav", texts));
    EXPECT_EQ(texts.creationDate, "2024-08-24");
    EXPECT_EQ(texts.creationTime, "23:59:59.000");
}

TEST_F(UploadFlow, OnlyTheGreyedSoundIconMakesASound)
{
    useSaveFolder();
    UploadEntry plain = entry(kSize640x480, tone("t.wav", 1.0));
    plain.iconId = 307;  // a sound attached, but the list was not greyed
    run({picture("a.jpg", 160, 120)}, {plain});
    EXPECT_EQ(folderNames(saveFolder), Names{"08240001.jpg"});
}

TEST_F(UploadFlow, ThumbnailAndItsQualityFollowTheCameraModel)
{
    useSaveFolder();
    const struct {
        int32_t code;
        PackedSize size;
        int quality;
        const char* thumbnail;
    } cases[] = {{52, kSize1024x384, 5, "P6\n80 60"}, {86, kSize1280x960, 50, "P6\n160 120"}};
    uint32_t number = 0;
    for (const auto& c : cases) {
        settings.cameraCode = c.code;
        settings.JpegQualityThum = 10;
        run({picture("a.jpg", 400, 300)}, {entry(c.size)});
        EXPECT_EQ(settings.JpegQualityThum, c.quality) << c.code;
        const fs::path jpg =
            saveFolder / fs::path(utf8FromWide(cameraPictureName(8, 24, ++number)));
        EXPECT_EQ(runTool("exiftool -b -ThumbnailImage " + shellQuoted(jpg) +
                              " | djpeg -pnm | head -c 10",
                          ToolErrors::passedOn)
                      .output.substr(0, std::string(c.thumbnail).size()),
                  c.thumbnail)
            << c.code;
    }
    EXPECT_EQ(uploadThumbnailSize(82), kThumbnail80x60);
    EXPECT_EQ(uploadThumbnailQuality(82), 5);
    EXPECT_EQ(uploadThumbnailSize(90), kThumbnail160x120);
    EXPECT_EQ(uploadThumbnailQuality(90), 50);
}

TEST_F(UploadFlow, DebugModeBitsShowProgressLinesAndKeepTheApplicationFromStarting)
{
    useSaveFolder();
    const fs::path a = picture("a.jpg", 160, 120);
    const fs::path c = picture("c.jpg", 160, 120);
    settings.DebugMode = 0x18;
    const UploadJobReport report =
        run({a, a, c}, {entry(kSize640x480), entry(kSize640x480), entry(kSize640x480)});
    EXPECT_EQ(handOffs, 0);
    EXPECT_FALSE(report.handedOff);
    ASSERT_EQ(ui.lines.size(), 3u);
    EXPECT_EQ(ui.lines[0], (std::pair<int, std::wstring>{1, L"1 / 3  " + fromFsPath(a)}));
    EXPECT_EQ(ui.lines[2], (std::pair<int, std::wstring>{3, L"3 / 3  " + fromFsPath(c)}));
    // The files stay: the job itself ran to its end.
    EXPECT_EQ(folderNames(saveFolder), (Names{"08240001.jpg", "08240002.jpg", "08240003.jpg"}));

    // Bit 0x20 adds the target; without 0x10 there are no lines at all.
    ui.lines.clear();
    settings.DebugMode = 0x38;
    run({a}, {entry(kSize640x480)});
    ASSERT_EQ(ui.lines.size(), 1u);
    EXPECT_EQ(ui.lines[0].second,
              L"1 / 1  " + fromFsPath(a) + L" -> " + fromFsPath(saveFolder / "08240004.jpg"));
    ui.lines.clear();
    settings.DebugMode = 0x28;
    run({a}, {entry(kSize640x480)});
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(UploadFlow, ProgressBarMovesWhileAttachedAndEndsAtZero)
{
    useSaveFolder();
    RecordingBar bar;
    run({picture("a.jpg", 1600, 1200)}, {entry(kSize640x480)}, &bar);
    ASSERT_EQ(bar.ranges.size(), 1u);
    EXPECT_EQ(bar.ranges[0], (std::pair<int, int>{0, 100}));
    ASSERT_GE(bar.positions.size(), 2u);
    for (int position : bar.positions) {
        EXPECT_GE(position, 0);
        EXPECT_LE(position, 100);
    }
    EXPECT_GT(*std::max_element(bar.positions.begin(), bar.positions.end()), 0);
    EXPECT_EQ(bar.positions.back(), 0);
    EXPECT_FALSE(converter.conversion().progressAttached());
}

TEST_F(UploadFlow, WorkFolderExistsOnlyWhileTheJobAndTheApplicationRun)
{
    // Default work folder: not there before.
    ASSERT_FALSE(fs::exists(workFolder));
    Names seenDuringHandOff;
    std::wstring folderTold;
    onHandOff = [&](AppSettings& s) {
        seenDuringHandOff = folderNames(workFolder);
        folderTold = s.TwainPath;
    };
    const fs::path t = tone("t.wav", 1.0);
    const UploadJobReport report = run({picture("a.jpg", 320, 240), picture("b.jpg", 320, 240)},
                                       {entry(kSize640x480, t), entry(kSize640x480)});
    EXPECT_TRUE(report.handedOff);
    EXPECT_EQ(seenDuringHandOff, (Names{"08240001.jpg", "08240001.wav", "08240002.jpg"}));
    EXPECT_EQ(folderTold, fromFsPath(workFolder));
    EXPECT_FALSE(fs::exists(workFolder));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UploadFlow, DefaultWorkFolderLosesCameraNamedLeftoversAndIsRemovedOnlyWhenEmpty)
{
    // Leftovers of a job that crashed go with the job's own files.
    fs::create_directories(workFolder);
    writeFileBytes(workFolder / "08230007.JPG", {1});
    writeFileBytes(workFolder / "08230007.wav", {2});
    run({picture("a.jpg", 160, 120)}, {entry(kSize640x480)});
    EXPECT_FALSE(fs::exists(workFolder));

    // What is not the program's stays, and so does the folder, without a box.
    fs::create_directories(workFolder / "inner");
    writeFileBytes(workFolder / "notes.txt", {3});
    run({picture("a.jpg", 160, 120)}, {entry(kSize640x480)});
    EXPECT_EQ(folderNames(workFolder), (Names{"inner", "notes.txt"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UploadFlow, WorkFolderNamedByHandKeepsItsOwnFiles)
{
    // "PathTemp" edited to a real folder, with a camera's picture in it.
    const fs::path photos = folder / "photos";
    fs::create_directories(photos);
    writeFileBytes(photos / "08240001.jpg", {4, 5});
    writeFileBytes(photos / "notes.txt", {6});
    settings.PathTemp = settings.TwainPath = fromFsPath(photos);
    Names seenDuringHandOff;
    onHandOff = [&](AppSettings&) { seenDuringHandOff = folderNames(photos); };
    run({picture("a.jpg", 160, 120)}, {entry(kSize640x480, tone("t.wav", 1.0))});
    EXPECT_EQ(seenDuringHandOff,
              (Names{"08240001.jpg", "08240002.jpg", "08240002.wav", "notes.txt"}));
    EXPECT_EQ(folderNames(photos), (Names{"08240001.jpg", "notes.txt"}));
    EXPECT_EQ(readFileBytes(photos / "08240001.jpg"), (std::vector<uint8_t>{4, 5}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UploadFlow, AMissingSaveFolderGetsNothingAndIsNotCreated)
{
    useSaveFolder(false);
    run({picture("a.jpg", 160, 120)}, {entry(kSize640x480)});
    EXPECT_FALSE(fs::exists(saveFolder));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 621u);
    EXPECT_TRUE(ui.messages[0].subject.empty());
    EXPECT_TRUE(ui.messages[0].withCode);
    EXPECT_EQ(ui.messages[0].code, 0);
    EXPECT_EQ(handOffs, 0);
}

TEST_F(UploadFlow, AWorkFolderWhoseParentIsMissingEndsTheJobWith608)
{
    settings.PathTemp = settings.TwainPath = fromFsPath(folder / "no" / "work");
    run({picture("a.jpg", 160, 120)}, {entry(kSize640x480)});
    ASSERT_GE(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 608u);
    EXPECT_EQ(ui.messages[0].code, ENOENT);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(handOffs, 0);
    EXPECT_TRUE(ui.begun.empty());
}

TEST_F(UploadFlow, WhenTodaysNumbersRunOutTheJobSaysSoOnceAndHandsOffWhatItMade)
{
    useSaveFolder();
    for (int k = 1; k <= 999; ++k)
        std::ofstream(saveFolder / fs::path(utf8FromWide(cameraPictureName(8, 24, k))));
    const UploadJobReport report =
        run({picture("a.jpg", 160, 120), picture("b.jpg", 160, 120), picture("c.jpg", 160, 120)},
            {entry(kSize640x480), entry(kSize640x480), entry(kSize640x480)});
    EXPECT_TRUE(report.numberLimit);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 602u);
    EXPECT_TRUE(fs::exists(saveFolder / "08241000.jpg"));
    EXPECT_EQ(folderNames(saveFolder).size(), 1000u);
    EXPECT_EQ(handOffs, 1);
}

TEST_F(UploadFlow, FilePathsUseTheFolderWithoutItsTrailingSeparator)
{
    EXPECT_EQ(uploadFilePath(L"/save/", L"08240001.jpg"), L"/save/08240001.jpg");
    EXPECT_EQ(uploadFilePath(L"/save", L"08240001.jpg"), L"/save/08240001.jpg");
}

}  // namespace
