#include "engine/PortableUploadHost.h"

#include "base/File.h"
#include "base/PathText.h"
#include "imaging/Picture.h"
#include "resources/VxfsendRes.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::wstring withoutTrailingSeparator(const std::wstring& path)
{
#ifdef _WIN32
    return withoutTrailingBackslash(path);
#else
    if (path.size() > 1 && path.back() == L'/')
        return path.substr(0, path.size() - 1);
    return path;
#endif
}

// The code of a path that should be a folder and is not one.
int notAFolderCode(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error)
        return error.value();
    if (!fs::exists(status))
        return ENOENT;
    return ENOTDIR;
}

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

void report(UploadUi& ui, unsigned messageId, int code)
{
    ui.showMessage({messageId, std::wstring(), UploadMessage::kOk, true, code});
}

}  // namespace

bool PortableFolderSearch::setCurrentDirectory(const std::wstring& path)
{
    listed_ = false;
    names_.clear();
    if (path.empty() || !isFolder(toFsPath(path))) {
        // Leaving the previous folder unset is how the search ends when it
        // started without one.
        if (path.empty())
            current_.clear();
        return path.empty();
    }
    current_ = path;
    return true;
}

bool PortableFolderSearch::anyMatch(const std::wstring& pattern)
{
    if (current_.empty())
        return false;
    // Nothing is created while one number search runs, so one listing of
    // the folder serves all its candidates.
    if (!listed_) {
        names_.clear();
        std::error_code error;
        for (fs::directory_iterator it(toFsPath(current_), error), end; !error && it != end;
             it.increment(error))
            names_.push_back(fromFsPath(it->path().filename()));
        listed_ = true;
        ++listings_;
    }
    for (const std::wstring& name : names_) {
        if (findPatternMatches(pattern, name))
            return true;
    }
    return false;
}

PortableUploadFiles::PortableUploadFiles(std::wstring defaultWorkFolder)
    : defaultWorkFolder_(std::move(defaultWorkFolder))
{}

std::wstring PortableUploadFiles::temporaryWorkFolder()
{
    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    return error ? std::wstring() : fromFsPath(temporary / toFsPath(kWorkFolderName));
}

bool PortableUploadFiles::probeCreate(const std::wstring& path)
{
    const fs::path file = toFsPath(path);
    std::error_code error;
    if (fs::exists(fs::symlink_status(file, error))) {
        // Someone's own file of that name: only whether it could be written.
        if (isFolder(file))
            return false;
        return static_cast<bool>(openFile(file, "r+b"));
    }
    if (!openFile(file, "wb"))
        return false;
    fs::remove(file, error);
    return true;
}

bool PortableUploadFiles::ensureFolder(const std::wstring& path, UploadUi& ui)
{
    const fs::path folder = toFsPath(withoutTrailingSeparator(path));
    fs::path parent = folder.parent_path();
    if (parent.empty())
        parent = fs::path(".");
    // A missing parent shows here: only the last component is ever created.
    if (!isFolder(parent)) {
        report(ui, IDS_MSG_FOLDER_CREATE_FAILED, notAFolderCode(parent));
        return false;
    }
    if (!folder.has_filename() || folder == folder.root_path())
        return true;  // a root
    std::error_code error;
    if (fs::create_directory(folder, error) || !error)
        return true;
    if (error == std::errc::file_exists || error == std::errc::permission_denied)
        return true;
    report(ui, IDS_MSG_FOLDER_CREATE_FAILED, error.value());
    return false;
}

bool PortableUploadFiles::removeFolder(const std::wstring& path, UploadUi& ui)
{
    const fs::path folder = toFsPath(withoutTrailingSeparator(path));
    if (!isFolder(folder)) {
        report(ui, IDS_MSG_WORK_FOLDER_NOT_REMOVED, notAFolderCode(folder));
        return false;
    }
    std::error_code error;
    if (!fs::remove(folder, error) || error) {
        report(ui, IDS_MSG_WORK_FOLDER_NOT_REMOVED, error ? error.value() : ENOENT);
        return false;
    }
    return true;
}

int PortableUploadFiles::listFiles(const std::wstring& folder, std::vector<std::wstring>& names)
{
    names.clear();
    const fs::path path = toFsPath(folder);
    if (!isFolder(path))
        return notAFolderCode(path);
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_directory(kindError))
            names.push_back(fromFsPath(it->path().filename()));
    }
    return error ? error.value() : 0;
}

uint64_t PortableUploadFiles::fileLength(const std::wstring& path)
{
    std::error_code error;
    const uintmax_t length = fs::file_size(toFsPath(path), error);
    return error ? 0 : static_cast<uint64_t>(length);
}

bool PortableUploadFiles::jpegCutShort(const std::wstring& path)
{
    const UniqueFile file = openFile(toFsPath(path), "rb");
    if (!file)
        return false;
    unsigned char head[2] = {};
    if (std::fread(head, 1, 2, file.get()) != 2 || head[0] != 0xFF || head[1] != 0xD8)
        return false;  // not a JPEG: nothing to judge by
    if (std::fseek(file.get(), 0, SEEK_END) != 0 || std::ftell(file.get()) < 4)
        return true;
    unsigned char tail[2] = {};
    if (std::fseek(file.get(), -2, SEEK_END) != 0 || std::fread(tail, 1, 2, file.get()) != 2)
        return true;
    return tail[0] != 0xFF || tail[1] != 0xD9;
}

bool PortableUploadFiles::removeFile(const std::wstring& path)
{
    const fs::path file = toFsPath(path);
    std::error_code error;
    if (isFolder(file))
        return false;
    return fs::remove(file, error) && !error;
}

bool PortableUploadFiles::folderEmpty(const std::wstring& folder)
{
    const fs::path path = toFsPath(folder);
    std::error_code error;
    return isFolder(path) && fs::is_empty(path, error) && !error;
}

bool PortableUploadFiles::isDefaultWorkFolder(const std::wstring& folder)
{
    std::error_code error;
    return !defaultWorkFolder_.empty() &&
           fs::equivalent(toFsPath(folder), toFsPath(defaultWorkFolder_), error) && !error;
}

StandaloneConverter::StandaloneConverter()
    : preview_(vximg::createPicture()), canvas_(vximg::createPicture()),
      workspace_(vximg::createPicture())
{
    conversion_ = std::make_unique<PictureConversion>(
        ConverterPictures{preview_, canvas_, workspace_}, exif_);
}

StandaloneConverter::~StandaloneConverter()
{
    conversion_.reset();
    workspace_->release();
    canvas_->release();
    preview_->release();
}
