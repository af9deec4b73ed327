#include "engine/UploadJob.h"

#include "sound/CameraSoundWriter.h"
#include "sound/SoundConvert.h"
#include "resources/VxfsendRes.h"

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

namespace {

void appendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendWide(std::wstring& out, uint32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string utf8FromWide(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
                const uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
            c = kReplacement;
        appendUtf8(out, c);
    }
    return out;
}

std::wstring wideFromUtf8(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const uint32_t lead = static_cast<uint8_t>(text[i]);
        size_t extra = 0;
        uint32_t c = 0;
        uint32_t least = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, least = 0x10000;
        } else {
            appendWide(out, kReplacement);
            ++i;
            continue;
        }
        size_t used = 1;
        bool valid = true;
        for (; used <= extra; ++used) {
            if (i + used >= n || (static_cast<uint8_t>(text[i + used]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (static_cast<uint8_t>(text[i + used]) & 0x3F);
        }
        if (!valid || c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            appendWide(out, kReplacement);
            i += valid ? used : std::max<size_t>(used, 1);
            continue;
        }
        appendWide(out, c);
        i += used;
    }
    return out;
}

std::filesystem::path toFsPath(const std::wstring& path)
{
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(utf8FromWide(path));
#endif
}

std::wstring fromFsPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    return wideFromUtf8(path.string());
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
            out.numberLimit = true;
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
            const CameraSoundInfo info = makeCameraSoundInfo(
                now.year, now.month, now.day, now.hour, now.minute, now.second,
                static_cast<int>(number));
            done.chunksResult = addCameraChunks(toFsPath(wav), info);
            if (done.chunksResult != 0) {
                // Whatever got written of it is not a camera sound.
                files.removeFile(wav);
                done.sound.clear();
                done.soundFailed = true;
                const int answer = ui.showMessage(
                    {IDS_MSG_CONVERT_FAILED, wav, UploadMessage::kOkCancel, true, done.chunksResult});
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

        const int result = conversion.ConvertPicture(toFsPath(source), toFsPath(jpg),
                                                     entry.item.targetSize, thumbnail, settings);
        out.writtenFiles.push_back(jpg);
        done.pictureResult = result;

        bool stop = false;
        if (result == 0 && conversion.continueFlag() == 1) {
            if (files.fileLength(jpg) == 0 || files.jpegCutShort(jpg)) {
                files.removeFile(jpg);
                if (!wav.empty())
                    files.removeFile(wav);
                done.sound.clear();
                const int answer =
                    ui.showMessage({IDS_MSG_CONVERT_FAILED, source, UploadMessage::kOkCancel, true, 0});
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
            const int answer =
                ui.showMessage({IDS_MSG_CONVERT_FAILED, source, UploadMessage::kOkCancel, true, result});
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
            ui.showMessage({IDS_MSG_FOLDER_CREATE_FAILED, std::wstring(), UploadMessage::kOk, true, code});
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
