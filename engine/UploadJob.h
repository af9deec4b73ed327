// The upload job: for every entry of the upload list, in list order, a camera
// file name, the attached sound made into the camera's sound file, the
// picture converted into a camera picture; then the hand-off to the transfer
// application and the clean-up of the work folder (or, after an abort, of
// the save folder).
//
// The control flow is portable. What the platform does is reached through
// UploadServices: the boxes of showMessage and the hint line (UploadUi), the
// file system (UploadFiles), the hand-off and the clock. Pictures are
// converted by the host's PictureConversion, which also holds the continue
// flag and the progress routing; sounds by the sound module directly (both
// are portable themselves).
#pragma once

#include "app/Settings.h"
#include "engine/CameraMetadata.h"
#include "engine/CameraModels.h"
#include "engine/FileNaming.h"
#include "engine/PictureConversion.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Icon of an entry whose sound goes with it (every attached sound shows it
// while the list is greyed for the job).
constexpr unsigned kIconSoundGreyed = 308;

// The job names at most this many files of one day in one folder.
constexpr uint32_t kMaxNumberPerDay = 1000;

// One entry of the upload list as the job reads it.
struct UploadEntry {
    unsigned iconId = 306;
    UploadItem item;
};

// One box of showMessage: the subject (a path, shown in front of the text)
// may be empty; with withCode the code is shown on a second line.
struct UploadMessage {
    // Box types of showMessage and the buttons it returns (the values of
    // MB_OK, MB_OKCANCEL, MB_YESNO and IDOK, IDCANCEL, IDYES, IDNO).
    static constexpr unsigned kOk = 0;
    static constexpr unsigned kOkCancel = 1;
    static constexpr unsigned kYesNo = 4;
    static constexpr int kPressedOk = 1;
    static constexpr int kPressedCancel = 2;
    static constexpr int kPressedYes = 6;
    static constexpr int kPressedNo = 7;

    unsigned messageId = 0;
    std::wstring subject;
    unsigned boxType = kOk;
    bool withCode = false;
    int code = 0;
};

// What became of one entry; the program shows no more than its boxes, but
// tools and checks want to know.
enum class EntryOutcome {
    Converted,      // the picture was written (its sound too, unless soundFailed)
    PictureFailed,  // conversion failed, answered OK: skipped, not recorded
    PictureEmpty,   // written empty or cut short, answered OK: deleted
    Cancelled,      // a question of this entry was answered Cancel: the job ends
    Aborted,        // the continue flag was cleared while it converted (ESC)
};

struct UploadEntryReport {
    size_t index = 0;
    std::wstring source;
    std::wstring picture;  // the camera picture's full path
    std::wstring sound;    // the camera sound's full path; empty when none was made
    uint32_t number = 0;
    int soundResult = 0;    // convertToCameraSound
    int chunksResult = 0;   // addCameraChunks
    int pictureResult = 0;  // ConvertPicture
    bool soundFailed = false;
    EntryOutcome outcome = EntryOutcome::Converted;
};

struct UploadJobReport {
    bool destinationRefused = false;  // the save folder could not take a file (621)
    bool folderFailed = false;        // the destination could not be made (608)
    bool numberLimit = false;         // no free number up to 1000 was left for today
    bool soundCancelled = false;      // Cancel to a sound question: no hand-off
    bool handedOff = false;           // the transfer application was started
    bool aborted = false;             // the continue flag was 0 at the end
    std::vector<std::wstring> producedFiles;
    // Every file the job wrote, those of skipped entries too: what the
    // clean-ups after an abort and of the work folder delete.
    std::vector<std::wstring> writtenFiles;
    std::vector<UploadEntryReport> entries;  // the entries the loop reached, in order
};

// Boxes and the hint line.
class UploadUi {
public:
    virtual ~UploadUi() = default;
    // Shows the box and returns the pressed button (UploadMessage::kPressed...).
    virtual int showMessage(const UploadMessage& message) = 0;
    // The progress line of entry number entryNumber (1-based), shown in the
    // hint line while the job runs.
    virtual void showProgressLine(int entryNumber, const std::wstring& text);
    // Before and after each entry the loop reaches (for tools; the program
    // itself does nothing here).
    virtual void entryBegins(size_t index, size_t count, const std::wstring& source);
    virtual void entryDone(const UploadEntryReport& report);
};

// The file system as the job uses it.
class UploadFiles {
public:
    virtual ~UploadFiles() = default;
    virtual FolderSearch& folderSearch() = 0;
    // Creates the file (read and write, not shared), closes it and deletes
    // it again: whether a file could be created there. An existing file of
    // that name is left as it was.
    virtual bool probeCreate(const std::wstring& path) = 0;
    // EnsureFolder and RemoveFolder, with their messages 608 and 607 shown
    // through ui.
    virtual bool ensureFolder(const std::wstring& path, UploadUi& ui) = 0;
    virtual bool removeFolder(const std::wstring& path, UploadUi& ui) = 0;
    // Enters the folder and lists the names of its files (not sub-folders):
    // 0, or the system error code when it cannot be entered.
    virtual int listFiles(const std::wstring& folder, std::vector<std::wstring>& names) = 0;
    // True when the folder holds neither files nor sub-folders.
    virtual bool folderEmpty(const std::wstring& folder) = 0;
    // Whether the folder is the default work folder (the temporary folder's
    // "~tmp_vxf"), which holds nothing but the program's own files.
    virtual bool isDefaultWorkFolder(const std::wstring& folder) = 0;
    // Length of a file; 0 when it is missing.
    virtual uint64_t fileLength(const std::wstring& path) = 0;
    // A JPEG file (it starts with a start-of-image marker) that does not end
    // with its end-of-image marker: the write stopped part-way.
    virtual bool jpegCutShort(const std::wstring& path) = 0;
    virtual bool removeFile(const std::wstring& path) = 0;
};

struct UploadServices {
    UploadUi& ui;
    UploadFiles& files;
    PictureConversion& conversion;
    // StartTransferApplication; returns when the application has ended. It
    // may clear the conversion's continue flag. None: nothing is started.
    std::function<void(AppSettings&)> handOff;
    // The job's date and time; none: the local time.
    CameraClock clock;
    // Converts the picture of the entry at index as conversion.ConvertPicture
    // does: the same result and the same file at destination. None: that call.
    std::function<int(size_t index, const std::filesystem::path& source,
                      const std::filesystem::path& destination, PackedSize targetSize,
                      PackedSize thumbnailSize, const AppSettings& settings)>
        convertPicture = {};
};

// Runs the job over the paths and entries (same order, same length; extra
// items of the longer list are not looked at). bar may be null. Reads the
// folders, CehckSeve, DebugMode and cameraCode of settings and writes
// JpegQualityThum. Returns 0.
int UploadJob(const std::vector<std::wstring>& paths, const std::vector<UploadEntry>& entries,
              ProgressBar* bar, AppSettings& settings, UploadServices& services,
              UploadJobReport* report = nullptr);

// Thumbnail size of a camera code and the JpegQualityThum that goes with it:
// 80 x 60 and 5 for codes 52 and 82, 160 x 120 and 50 for 86 and 90 (and for
// codes outside the table).
PackedSize uploadThumbnailSize(int32_t cameraCode);
int32_t uploadThumbnailQuality(int32_t cameraCode);

// The progress line of an entry: "%d / %d  %s" of number, count and source,
// with " -> " and the picture path appended when withTarget.
std::wstring uploadProgressLine(size_t number, size_t count, const std::wstring& source,
                                const std::wstring& picture, bool withTarget);

// A file in the destination folder: the folder without one trailing
// separator, a separator ("\" on Windows, "/" elsewhere) and the name.
std::wstring uploadFilePath(const std::wstring& folder, const std::wstring& name);
