#include "engine/UploadJob.h"

#include "base/PathText.h"

#include "resources/VxfsendRes.h"
#include "sound/CameraSoundWriter.h"
#include "sound/SoundConvert.h"

#include <algorithm>

void UploadUi::showProgressLine(int, const std::wstring&) {}
void UploadUi::entryBegins(size_t, size_t, const std::wstring&) {}
void UploadUi::entryDone(const UploadEntryReport&) {}

PackedSize uploadThumbnailSize(int32_t cameraCode)
{
    const CameraModel* model = cameraModelByCode(cameraCode);
    return model != nullptr ? model->thumbnailSize : kThumbnail160x120;
}

int32_t uploadThumbnailQuality(int32_t cameraCode)
{
    return uploadThumbnailSize(cameraCode) == kThumbnail80x60 ? 5 : 50;
}

std::wstring uploadProgressLine(size_t number, size_t count, const std::wstring& source,
                                const std::wstring& picture, bool withTarget)
{
    std::wstring line = std::to_wstring(number) + L" / " + std::to_wstring(count) + L"  " + source;
    if (withTarget)
        line += L" -> " + picture;
    return line;
}

std::wstring uploadFilePath(const std::wstring& folder, const std::wstring& name)
{
#ifdef _WIN32
    return joinFolder(folder, name);
#else
    std::wstring path = folder;
    if (!path.empty() && path.back() == L'/')
        path.pop_back();
    return path + L'/' + name;
#endif
}

int UploadJob(const std::vector<std::wstring>& paths, const std::vector<UploadEntry>& entries,
              ProgressBar* bar, AppSettings& settings, UploadServices& services,
              UploadJobReport* report)
{
    UploadJobReport local;
    UploadJobReport& out = report != nullptr ? *report : local;
    out = UploadJobReport{};
    UploadUi& ui = services.ui;
    UploadFiles& files = services.files;
    PictureConversion& conversion = services.conversion;

    // A save folder that cannot take a file gets nothing at all.
    if (settings.CehckSeve == 1 && !files.probeCreate(uploadFilePath(settings.TwainPath, L"tmp"))) {
        ui.showMessage({IDS_MSG_CONVERT_FAILED, std::wstring(), UploadMessage::kOk, true, 0});
        out.destinationRefused = true;
        return 0;
    }

    conversion.setContinueFlag(1);
    const size_t n = std::min(paths.size(), entries.size());
    if (n < 1)
        return 0;

    bool folderReady = true;
    if (settings.CehckSeve == 0)
        folderReady = files.ensureFolder(settings.PathTemp, ui);
    else if (settings.CehckSeve == 1)
        folderReady = files.ensureFolder(settings.PathSave, ui);
    if (!folderReady) {
        out.folderFailed = true;
        return 0;
    }

    if (bar != nullptr) {
        bar->setRange(0, 100);
        conversion.attachProgress(*bar);
    }

    // One date for every name and sound of the job, even across midnight.
    const CameraDateTime now = services.clock ? services.clock() : currentLocalTime();
    const std::wstring prefix = cameraNamePrefix(now.month, now.day);

    bool soundCancelled = false;
    std::vector<std::wstring>& producedFiles = out.producedFiles;
    for (size_t i = 0; i < n && conversion.continueFlag() == 1; ++i) {
        const std::wstring& source = paths[i];
        const UploadEntry& entry = entries[i];
        ui.entryBegins(i, n, source);

        const uint32_t number = NextFreeNumber(files.folderSearch(), settings.TwainPath, prefix,
                                               L"jpg", L"wav", prefix.size(), 1);
        if (number < 1 || number > kMaxNumberPerDay) {
            // More entries than the day has numbers: say so once rather
            // than hand off as if all were done.
            out.numberLimit = true;
            ui.showMessage({IDS_MSG_TOO_MANY_FILES, std::wstring(), UploadMessage::kOk, false, 0});
            break;
        }

        UploadEntryReport done;
        done.index = i;
        done.source = source;
        done.number = number;

        std::wstring wav;
        if (entry.iconId == kIconSoundGreyed) {
            wav = uploadFilePath(settings.TwainPath, cameraSoundName(now.month, now.day, number));
            done.sound = wav;
            // Its result is not looked at: a failed conversion leaves no
            // usable file, and adding the chunks then fails.
            done.soundResult = convertToCameraSound(toFsPath(wav), toFsPath(entry.item.soundPath),
                                                    kCameraSoundLimitSeconds);
            out.writtenFiles.push_back(wav);
            const CameraSoundInfo info =
                makeCameraSoundInfo(now.year, now.month, now.day, now.hour, now.minute, now.second,
                                    static_cast<int>(number));
            done.chunksResult = addCameraChunks(toFsPath(wav), info);
            if (done.chunksResult != 0) {
                // Whatever got written of it is not a camera sound.
                files.removeFile(wav);
                done.sound.clear();
                done.soundFailed = true;
                const int answer =
                    ui.showMessage({IDS_MSG_CONVERT_FAILED, wav, UploadMessage::kOkCancel, true,
                                    done.chunksResult});
                wav.clear();
                if (answer == UploadMessage::kPressedCancel) {
                    soundCancelled = true;
                    done.outcome = EntryOutcome::Cancelled;
                    out.entries.push_back(done);
                    ui.entryDone(done);
                    break;
                }
            }
        }

        const std::wstring jpg =
            uploadFilePath(settings.TwainPath, cameraPictureName(now.month, now.day, number));
        done.picture = jpg;
        if ((settings.DebugMode & kDebugProgressLine) != 0) {
            ui.showProgressLine(static_cast<int>(i + 1),
                                uploadProgressLine(i + 1, n, source, jpg,
                                                   (settings.DebugMode & kDebugProgressPath) != 0));
        }

        const PackedSize thumbnail = uploadThumbnailSize(settings.cameraCode);
        settings.JpegQualityThum = uploadThumbnailQuality(settings.cameraCode);

        const int result =
            services.convertPicture
                ? services.convertPicture(i, toFsPath(source), toFsPath(jpg), entry.item.targetSize,
                                          thumbnail, settings)
                : conversion.ConvertPicture(toFsPath(source), toFsPath(jpg), entry.item.targetSize,
                                            thumbnail, settings);
        out.writtenFiles.push_back(jpg);
        done.pictureResult = result;

        bool stop = false;
        if (result == 0 && conversion.continueFlag() == 1) {
            if (files.fileLength(jpg) == 0 || files.jpegCutShort(jpg)) {
                files.removeFile(jpg);
                if (!wav.empty())
                    files.removeFile(wav);
                done.sound.clear();
                const int answer = ui.showMessage(
                    {IDS_MSG_CONVERT_FAILED, source, UploadMessage::kOkCancel, true, 0});
                if (answer == UploadMessage::kPressedCancel) {
                    conversion.setContinueFlag(0);
                    done.outcome = EntryOutcome::Cancelled;
                    stop = true;
                } else {
                    done.outcome = EntryOutcome::PictureEmpty;
                    producedFiles.push_back(jpg);
                }
            } else {
                producedFiles.push_back(jpg);
            }
        } else if (result != 0 && conversion.continueFlag() == 1) {
            const int answer = ui.showMessage(
                {IDS_MSG_CONVERT_FAILED, source, UploadMessage::kOkCancel, true, result});
            if (answer == UploadMessage::kPressedCancel) {
                if (!wav.empty())
                    files.removeFile(wav);
                done.sound.clear();
                conversion.setContinueFlag(0);
                done.outcome = EntryOutcome::Cancelled;
                stop = true;
            } else {
                // Skipped; a sound it had stays and keeps the number taken.
                done.outcome = EntryOutcome::PictureFailed;
            }
        } else {
            // Aborted while converting: recorded, so the clean-up below finds it.
            done.outcome = EntryOutcome::Aborted;
            producedFiles.push_back(jpg);
        }
        out.entries.push_back(done);
        ui.entryDone(done);
        if (stop)
            break;
    }

    if (bar != nullptr && conversion.progressAttached()) {
        conversion.detachProgress();
        bar->setPosition(0);
    }

    out.soundCancelled = soundCancelled;
    if (!soundCancelled && conversion.continueFlag() == 1 &&
        (settings.DebugMode & kDebugNoHandOff) == 0 && services.handOff) {
        out.handedOff = true;
        services.handOff(settings);
    }

    if (settings.CehckSeve == 0) {
        std::vector<std::wstring> names;
        const int code = files.listFiles(settings.PathTemp, names);
        if (code != 0) {
            ui.showMessage(
                {IDS_MSG_FOLDER_CREATE_FAILED, std::wstring(), UploadMessage::kOk, true, code});
        } else {
            // A work folder named by hand may be a real folder with the
            // user's or a camera's files: only the job's own files go, and
            // camera-named leftovers of a crashed job only from the program's
            // own folder.
            for (const std::wstring& file : out.writtenFiles)
                files.removeFile(file);
            if (files.isDefaultWorkFolder(settings.PathTemp)) {
                for (const std::wstring& name : names) {
                    if (isCameraFileName(name))
                        files.removeFile(uploadFilePath(settings.PathTemp, name));
                }
            }
            if (files.folderEmpty(settings.PathTemp))
                files.removeFolder(settings.PathTemp, ui);
        }
    }

    out.aborted = conversion.continueFlag() == 0;
    if (conversion.continueFlag() == 0 && settings.CehckSeve == 1) {
        // An aborted job leaves the save folder as it was.
        for (const std::wstring& file : out.writtenFiles)
            files.removeFile(file);
    }
    return 0;
}
