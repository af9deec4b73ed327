// The upload job's services without a window: the file system through
// std::filesystem and a picture conversion over the portable imaging core.
// The command-line converter uses them on every platform, and the native
// tests run the job over them with real files.
#pragma once

#include "engine/PictureConversion.h"
#include "engine/UploadJob.h"

#include "exif/ExifImage.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The find-first view of folders, kept in the object: a current directory of
// its own (the process's stays as it is) and names matched without regard to
// case, as Windows does. One listing is read per folder entered.
class PortableFolderSearch : public FolderSearch {
public:
    std::wstring currentDirectory() override { return current_; }
    bool setCurrentDirectory(const std::wstring& path) override;
    bool anyMatch(const std::wstring& pattern) override;

    // Directory listings read so far (tests watch it).
    size_t listings() const { return listings_; }

private:
    std::wstring current_;
    std::vector<std::wstring> names_;
    bool listed_ = false;
    size_t listings_ = 0;
};

// The job's file operations. Error codes are the system's (errno values
// elsewhere than on Windows). EnsureFolder and RemoveFolder follow the rules
// of the work folder: only the last component is created, a folder is
// removed only when empty.
class PortableUploadFiles : public UploadFiles {
public:
    // The folder isDefaultWorkFolder knows: the system's temporary folder's
    // "~tmp_vxf" unless another is given.
    explicit PortableUploadFiles(std::wstring defaultWorkFolder = temporaryWorkFolder());

    // "~tmp_vxf" in the system's temporary folder; empty when there is none.
    static std::wstring temporaryWorkFolder();

    FolderSearch& folderSearch() override { return search_; }
    bool probeCreate(const std::wstring& path) override;
    bool ensureFolder(const std::wstring& path, UploadUi& ui) override;
    bool removeFolder(const std::wstring& path, UploadUi& ui) override;
    int listFiles(const std::wstring& folder, std::vector<std::wstring>& names) override;
    uint64_t fileLength(const std::wstring& path) override;
    bool jpegCutShort(const std::wstring& path) override;
    bool removeFile(const std::wstring& path) override;
    bool folderEmpty(const std::wstring& folder) override;
    bool isDefaultWorkFolder(const std::wstring& folder) override;

private:
    PortableFolderSearch search_;
    std::wstring defaultWorkFolder_;
};

// A converter with its own three pictures of the portable imaging core and
// its one ExifImage, for use without a window.
class StandaloneConverter {
public:
    StandaloneConverter();
    ~StandaloneConverter();
    StandaloneConverter(const StandaloneConverter&) = delete;
    StandaloneConverter& operator=(const StandaloneConverter&) = delete;

    PictureConversion& conversion() { return *conversion_; }

private:
    vximg::IPicture* preview_;
    vximg::IPicture* canvas_;
    vximg::IPicture* workspace_;
    ExifImage exif_;
    std::unique_ptr<PictureConversion> conversion_;
};
