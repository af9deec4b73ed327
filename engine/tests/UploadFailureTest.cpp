// The upload job when things go wrong: the questions it asks and what each
// answer does (skip, end, abort with the save folder cleaned), ESC during a
// conversion, broken sources and sounds, a hand-off that asks to abort, a
// read-only save folder and a full disk (real tmpfs mounts). Whatever
// happens, nothing the job wrote stays half-written, and an abort leaves
// nothing of the job in the save folder.
#include "engine/tests/UploadTestSupport.h"

#include "engine/PictureConversion.h"
#include "imaging/ImagingApi.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

using Names = std::vector<std::string>;

class UploadFailure : public UploadFixture {
protected:
    fs::path source(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        fs::create_directories(folder / "sources");
        writeFileBytes(folder / "sources" / name, bytes);
        return folder / "sources" / name;
    }
    fs::path adpcmSource() { return source("adpcm.wav", adpcmWave(2.0)); }
    // Names in the save folder that this job may have made (today's camera files).
    Names cameraFiles() const
    {
        Names found;
        for (const std::string& name : folderNames(saveFolder)) {
            if (name.rfind("0824", 0) == 0)
                found.push_back(name);
        }
        return found;
    }
};

// Every camera picture left decodes to its end and every camera sound is a
// whole camera sound.
void expectWholeFiles(const fs::path& folder)
{
    for (const std::string& name : folderNames(folder)) {
        const fs::path file = folder / name;
        if (file.extension() == ".jpg") {
            const std::vector<uint8_t> bytes = readFileBytes(file);
            ASSERT_GE(bytes.size(), 4u) << name;
            EXPECT_EQ(bytes[bytes.size() - 2], 0xFF) << name;
            EXPECT_EQ(bytes[bytes.size() - 1], 0xD9) << name;
            const ToolRun djpeg = runTool("djpeg -pnm " + shellQuoted(file) + " 2>&1 >/dev/null",
                                          ToolErrors::passedOn);
            const std::string& out = djpeg.output;
            EXPECT_EQ(djpeg.status, 0) << name << ": " << out;
            EXPECT_TRUE(out.empty()) << name << ": " << out;
        } else if (file.extension() == ".wav") {
            const ToolRun sox = runTool("sox --i -D " + shellQuoted(file));
            EXPECT_EQ(sox.status, 0) << name << ": " << sox.output;
            const uintmax_t length = fs::file_size(file);
            EXPECT_TRUE(length == 24208 || length == 40208 || length == 80208)
                << name << " " << length;
        }
    }
}

TEST_F(UploadFailure, EscDuringTheSecondOfThreeWithSaveAlsoLeavesNothingAndStartsNothing)
{
    useSaveFolder();
    writeFileBytes(saveFolder / "earlier.jpg", {9, 9});
    const fs::path t = tone("t.wav", 1.0), big = picture("a.jpg", 1600, 1200);
    int reportsAfterEsc = 0;
    bool escaped = false;
    ui.onEntryBegins = [&](size_t index) {
        if (index != 1)
            return;
        // The window dispatches its messages in the progress report: ESC,
        // message 612 answered Yes, CancelUpload.
        converter.conversion().setProgressHook([&](int) {
            if (escaped) {
                ++reportsAfterEsc;
                return;
            }
            escaped = true;
            converter.conversion().CancelUpload();
        });
    };
    RecordingBar bar;
    const UploadJobReport report =
        run({big, big, big},
            {entry(kSize1600x1200, t), entry(kSize1600x1200, t), entry(kSize640x480, t)}, &bar);
    EXPECT_TRUE(escaped);
    EXPECT_EQ(reportsAfterEsc, 0);  // the routing is dropped at once
    EXPECT_TRUE(report.aborted);
    EXPECT_EQ(handOffs, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.begun, (std::vector<size_t>{0, 1}));
    ASSERT_EQ(ui.done.size(), 2u);
    EXPECT_EQ(ui.done[0].outcome, EntryOutcome::Converted);
    EXPECT_EQ(ui.done[1].outcome, EntryOutcome::Aborted);
    EXPECT_EQ(ui.done[1].number, 2u);
    EXPECT_EQ(folderNames(saveFolder), Names{"earlier.jpg"});
    EXPECT_EQ(readFileBytes(saveFolder / "earlier.jpg"), (std::vector<uint8_t>{9, 9}));
}

TEST_F(UploadFailure, EscOrACancelledSoundWithSaveAlsoOffStillRemoveTheWorkFolder)
{
    bool escaped = false;
    converter.conversion().setProgressHook([&](int) {
        if (!escaped) {
            escaped = true;
            converter.conversion().CancelUpload();
        }
    });
    RecordingBar bar;
    run({picture("a.jpg", 1600, 1200), picture("b.jpg", 320, 240)},
        {entry(kSize640x480), entry(kSize640x480)}, &bar);
    EXPECT_TRUE(escaped);

    converter.conversion().setProgressHook(nullptr);
    converter.conversion().setContinueFlag(1);
    ui.answers = {UploadMessage::kPressedCancel};
    run({picture("a.jpg", 160, 120)}, {entry(kSize640x480, adpcmSource())});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(handOffs, 0);
    EXPECT_FALSE(fs::exists(workFolder));
}

TEST_F(UploadFailure, MissingPictureAnsweredOkIsSkippedAndItsSoundKeepsTheNumber)
{
    useSaveFolder();
    const fs::path missing = folder / "sources" / "gone.jpg";
    const fs::path a = picture("a.jpg", 160, 120);
    const fs::path c = picture("c.jpg", 160, 120);
    const fs::path t = tone("t.wav", 1.0);
    const UploadJobReport report =
        run({a, missing, c}, {entry(kSize640x480), entry(kSize640x480, t), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 621u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(missing));
    EXPECT_EQ(ui.messages[0].boxType, UploadMessage::kOkCancel);
    EXPECT_TRUE(ui.messages[0].withCode);
    EXPECT_EQ(ui.messages[0].code, vximg::kErrFileOpen);
    EXPECT_EQ(cameraFiles(), (Names{"08240001.jpg", "08240002.wav", "08240003.jpg"}));
    ASSERT_EQ(report.producedFiles.size(), 2u);
    EXPECT_EQ(ui.done[1].outcome, EntryOutcome::PictureFailed);
    EXPECT_EQ(handOffs, 1);
    expectWholeFiles(saveFolder);

    // Without a sound the failed entry leaves its number to the next one.
    ui = ScriptedUi{};
    run({a, folder / "gone.bmp", c},
        {entry(kSize640x480), entry(kSize640x480), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(cameraFiles(), (Names{"08240001.jpg", "08240002.wav", "08240003.jpg", "08240004.jpg",
                                    "08240005.jpg"}));
    EXPECT_EQ(ui.done[2].number, 5u);
}

TEST_F(UploadFailure, MissingPictureAnsweredCancelAbortsAndCleansTheSaveFolder)
{
    useSaveFolder();
    writeFileBytes(saveFolder / "08230001.jpg", {5});
    ui.answers = {UploadMessage::kPressedCancel};
    const fs::path t1 = tone("t1.wav", 1.0);
    const fs::path t2 = tone("t2.wav", 1.0);
    const UploadJobReport report =
        run({picture("a.jpg", 160, 120), folder / "gone.jpg", picture("c.jpg", 160, 120)},
            {entry(kSize640x480, t1), entry(kSize640x480, t2), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(report.aborted);
    EXPECT_EQ(handOffs, 0);
    EXPECT_EQ(ui.begun.size(), 2u);
    // The first entry's picture and sound, and the second's sound, are gone.
    EXPECT_EQ(folderNames(saveFolder), Names{"08230001.jpg"});
}

TEST_F(UploadFailure, AbortAfterASkippedPictureTakesItsSoundBackToo)
{
    useSaveFolder();
    ui.answers = {UploadMessage::kPressedOk, UploadMessage::kPressedCancel};
    const UploadJobReport report =
        run({picture("a.jpg", 160, 120), folder / "gone1.jpg", folder / "gone2.jpg"},
            {entry(kSize640x480), entry(kSize640x480, tone("t.wav", 1.0)), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(report.aborted);
    EXPECT_EQ(folderNames(saveFolder), Names{});
}

TEST_F(UploadFailure, ConversionFailingUnexpectedlyIsAskedAboutWithItsCode)
{
    useSaveFolder();
    const fs::path a = picture("a.jpg", 160, 120);
    int writes = 0;
    converter.conversion().setEncoderObserver([&](const ExifImageInfo&) {
        if (++writes == 2)
            throw std::runtime_error("unexpected");
    });
    const UploadJobReport report =
        run({a, a, a}, {entry(kSize640x480), entry(kSize640x480), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(a));
    EXPECT_EQ(ui.messages[0].code, kConvertUnexpected);
    EXPECT_EQ(ui.done[1].outcome, EntryOutcome::PictureFailed);
    EXPECT_EQ(cameraFiles(), (Names{"08240001.jpg", "08240002.jpg"}));
    EXPECT_FALSE(report.aborted);
}

TEST_F(UploadFailure, ProgressiveAndBrokenPicturesAreNamedWithTheirCodes)
{
    useSaveFolder();
    const fs::path progressive = source("p.jpg", progressiveJpeg(makeScene(320, 240), 80));
    std::vector<uint8_t> bytes = baselineJpeg(makeScene(320, 240), 80);
    bytes.resize(bytes.size() / 3);
    const fs::path broken = source("broken.jpg", bytes);
    const fs::path text = source("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
    run({progressive, broken, text, picture("b.jpg", 160, 120)},
        {entry(kSize640x480), entry(kSize640x480), entry(kSize640x480), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].messageId, 621u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(progressive));
    EXPECT_EQ(ui.messages[0].code, kConvertProgressive);
    EXPECT_NE(ui.messages[1].code, 0);
    EXPECT_EQ(ui.messages[2].code, vximg::kErrUnknownFormat);
    EXPECT_EQ(cameraFiles(), Names{"08240001.jpg"});
    EXPECT_EQ(ui.done[3].number, 1u);
}

TEST_F(UploadFailure, NonPcmSoundAskedAboutOkKeepsThePictureCancelEndsTheJobWithoutHandOff)
{
    useSaveFolder();
    const fs::path adpcm = adpcmSource();
    UploadJobReport report = run({picture("a.jpg", 160, 120)}, {entry(kSize640x480, adpcm)});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 621u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(saveFolder / "08240001.wav"));
    EXPECT_EQ(ui.messages[0].boxType, UploadMessage::kOkCancel);
    EXPECT_EQ(ui.messages[0].code, 2);
    EXPECT_EQ(cameraFiles(), Names{"08240001.jpg"});
    EXPECT_TRUE(ui.done[0].soundFailed);
    EXPECT_EQ(ui.done[0].outcome, EntryOutcome::Converted);
    EXPECT_EQ(handOffs, 1);
    EXPECT_FALSE(report.soundCancelled);

    ui = ScriptedUi{};
    ui.answers = {UploadMessage::kPressedCancel};
    report =
        run({picture("a.jpg", 160, 120), picture("b.jpg", 160, 120), picture("c.jpg", 160, 120)},
            {entry(kSize640x480), entry(kSize640x480, adpcm), entry(kSize640x480)});
    EXPECT_TRUE(report.soundCancelled);
    EXPECT_FALSE(report.aborted);  // the continue flag stays: nothing is taken back
    EXPECT_EQ(handOffs, 1);        // none this time
    EXPECT_EQ(cameraFiles(), (Names{"08240001.jpg", "08240002.jpg"}));
    EXPECT_EQ(ui.begun.size(), 2u);
    expectWholeFiles(saveFolder);
}

TEST_F(UploadFailure, HandOffThatAsksToAbortTakesTheSaveFolderFilesBack)
{
    useSaveFolder();
    // Message 609 answered Cancel inside StartTransferApplication.
    onHandOff = [&](AppSettings&) { converter.conversion().setContinueFlag(0); };
    const fs::path t = tone("t.wav", 1.0);
    const UploadJobReport report = run({picture("a.jpg", 160, 120), picture("b.jpg", 160, 120)},
                                       {entry(kSize640x480, t), entry(kSize640x480)});
    EXPECT_EQ(handOffs, 1);
    EXPECT_TRUE(report.aborted);
    EXPECT_EQ(cameraFiles(), Names{});
}

// A tmpfs of its own at a folder, unmounted again at the end.
class TmpfsMount {
public:
    TmpfsMount(const fs::path& at, const std::string& options) : at_(at)
    {
        fs::create_directories(at);
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
        error_ = mounted_ ? 0 : errno;
    }
    ~TmpfsMount()
    {
        if (mounted_)
            ::umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    std::string why() const { return std::strerror(error_); }
    bool makeReadOnly(const std::string& options)
    {
        return ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options.c_str()) == 0;
    }
    uint64_t freeBytes() const
    {
        struct statvfs info {};
        if (::statvfs(at_.c_str(), &info) != 0)
            return 0;
        return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    }

private:
    fs::path at_;
    bool mounted_ = false;
    int error_ = 0;
};

TEST_F(UploadFailure, ReadOnlySaveFolderGets621AndNothingIsConverted)
{
    TmpfsMount mount(saveFolder, "size=256k");
    if (!mount.mounted())
        GTEST_SKIP() << "a tmpfs cannot be mounted here (" << mount.why() << ")";
    writeFileBytes(saveFolder / "08240001.jpg", {1, 2});
    ASSERT_TRUE(mount.makeReadOnly("size=256k"));
    useSaveFolder(false);
    const fs::path t = tone("t.wav", 1.0);
    const UploadJobReport report = run({picture("a.jpg", 160, 120)}, {entry(kSize640x480, t)});
    EXPECT_TRUE(report.destinationRefused);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 621u);
    EXPECT_TRUE(ui.messages[0].subject.empty());
    EXPECT_EQ(ui.messages[0].boxType, UploadMessage::kOk);
    EXPECT_TRUE(ui.messages[0].withCode);
    EXPECT_EQ(ui.messages[0].code, 0);
    EXPECT_TRUE(ui.begun.empty());
    EXPECT_EQ(handOffs, 0);
    EXPECT_EQ(folderNames(saveFolder), Names{"08240001.jpg"});
    EXPECT_EQ(readFileBytes(saveFolder / "08240001.jpg"), (std::vector<uint8_t>{1, 2}));
}

// A save folder on a tmpfs that holds exactly the first entry's files and
// a little more: the second entry's picture runs out of room part-way.
class FullDisk : public UploadFailure {
protected:
    void SetUp() override
    {
        UploadFailure::SetUp();
        first = picture("a.jpg", 320, 240);
        second = picture("b.jpg", 1600, 1200);
        third = picture("c.jpg", 640, 480);
        sound = tone("t.wav", 1.0);
        // The first entry's files, made beforehand elsewhere: the same
        // inputs and date give the same bytes.
        {
            UploadFixture::useSaveFolder();
            const fs::path trial = folder / "trial";
            fs::create_directories(trial);
            settings.PathSave = settings.TwainPath = fromFsPath(trial);
            run({first}, {entry(kSize640x480, sound)});
            firstBytes = pageRounded(fs::file_size(trial / "08240001.jpg")) +
                         pageRounded(fs::file_size(trial / "08240001.wav"));
            ASSERT_TRUE(ui.messages.empty());
            ui = ScriptedUi{};
            handOffs = 0;
        }
        settings.PathSave = fromFsPath(saveFolder);
        mount_ = std::make_unique<TmpfsMount>(saveFolder, "size=2m");
        if (!mount_->mounted())
            GTEST_SKIP() << "a tmpfs cannot be mounted here (" << mount_->why() << ")";
        useSaveFolder(false);
    }
    void TearDown() override
    {
        mount_.reset();
        UploadFailure::TearDown();
    }

    static uint64_t pageRounded(uint64_t bytes) { return (bytes + 4095) / 4096 * 4096; }

    // Leaves `room` bytes free in the save folder's file system.
    void leaveRoom(uint64_t room)
    {
        const uint64_t free = mount_->freeBytes();
        ASSERT_GT(free, room);
        const uint64_t fill = free - room;
        std::ofstream filler(saveFolder / "filler.bin", std::ios::binary);
        const std::vector<char> block(65536, 'f');
        for (uint64_t left = fill; left > 0;) {
            const uint64_t n = std::min<uint64_t>(left, block.size());
            filler.write(block.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
        filler.close();
        ASSERT_TRUE(filler.good());
        ASSERT_EQ(mount_->freeBytes(), room);
    }

    fs::path first, second, third, sound;
    uint64_t firstBytes = 0;
    std::unique_ptr<TmpfsMount> mount_;
};

TEST_F(FullDisk, PictureCutShortIsDeletedAndOkGoesOn)
{
    leaveRoom(firstBytes + 4096);
    const UploadJobReport report =
        run({first, second, third},
            {entry(kSize640x480, sound), entry(kSize1600x1200), entry(kSize640x480)});
    ASSERT_GE(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].messageId, 621u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(second));
    EXPECT_EQ(ui.messages[0].code, 0);
    ASSERT_GE(ui.done.size(), 2u);
    EXPECT_EQ(ui.done[0].outcome, EntryOutcome::Converted);
    EXPECT_EQ(ui.done[1].outcome, EntryOutcome::PictureEmpty);
    // The first entry is whole; nothing else of the job is left.
    EXPECT_EQ(cameraFiles(), (Names{"08240001.jpg", "08240001.wav"}));
    expectWholeFiles(saveFolder);
    EXPECT_FALSE(report.aborted);
    EXPECT_EQ(handOffs, 1);
}

TEST_F(FullDisk, PictureCutShortAnsweredCancelTakesEverythingBack)
{
    leaveRoom(firstBytes + 4096);
    // The second entry's sound finds no room either: OK to that, Cancel to its picture.
    ui.answers = {UploadMessage::kPressedOk, UploadMessage::kPressedCancel};
    const UploadJobReport report =
        run({first, second, third},
            {entry(kSize640x480, sound), entry(kSize1600x1200, sound), entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(saveFolder / "08240002.wav"));
    EXPECT_EQ(ui.messages[0].code, 2);
    EXPECT_EQ(ui.messages[1].subject, fromFsPath(second));
    EXPECT_EQ(ui.messages[1].code, 0);
    EXPECT_TRUE(report.aborted);
    EXPECT_EQ(handOffs, 0);
    EXPECT_EQ(cameraFiles(), Names{});
    EXPECT_EQ(folderNames(saveFolder), Names{"filler.bin"});
}

TEST_F(FullDisk, SoundThatFindsNoRoomIsNotLeftHalfWritten)
{
    // Room for a few pages: the plain sound fits, its padding does not.
    leaveRoom(12288);
    run({first}, {entry(kSize640x480, sound)});
    ASSERT_GE(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(saveFolder / "08240001.wav"));
    EXPECT_EQ(ui.messages[0].code, 2);
    expectWholeFiles(saveFolder);
    EXPECT_FALSE(fs::exists(saveFolder / "08240001.wav"));
}

TEST_F(FullDisk, NoRoomAtAllGivesAnEmptyPictureThatIsDeleted)
{
    leaveRoom(0);
    run({first}, {entry(kSize640x480)});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].subject, fromFsPath(first));
    EXPECT_EQ(ui.messages[0].code, 0);
    EXPECT_EQ(cameraFiles(), Names{});
}

}  // namespace
