#include "imaging/ByteSource.h"

#include <algorithm>
#include <cstring>

#include "base/PathText.h"
#include "imaging/ImagingApi.h"

namespace vximg {

bool ByteSource::readAt(uint64_t pos, void* dst, size_t n)
{
    return seek(pos) && read(dst, n) == n;
}

#ifdef _WIN32
static bool seekFile(std::FILE* f, uint64_t pos)
{
    return _fseeki64(f, int64_t(pos), SEEK_SET) == 0;
}
static int64_t fileLength(std::FILE* f)
{
    if (_fseeki64(f, 0, SEEK_END) != 0)
        return -1;
    const int64_t n = _ftelli64(f);
    return seekFile(f, 0) ? n : -1;
}
#else
static bool seekFile(std::FILE* f, uint64_t pos)
{
    return fseeko(f, off_t(pos), SEEK_SET) == 0;
}
static int64_t fileLength(std::FILE* f)
{
    if (fseeko(f, 0, SEEK_END) != 0)
        return -1;
    const int64_t n = int64_t(ftello(f));
    return seekFile(f, 0) ? n : -1;
}
#endif

FileSource::~FileSource()
{
    close();
}

int FileSource::open(const char* utf8Path)
{
    close();
    if (!utf8Path || !*utf8Path)
        return kErrFileOpen;
    path_ = utf8Path;
    file_ = openFile(pathFromUtf8(utf8Path), "rb");
    if (!file_)
        return kErrFileOpen;
    const int64_t n = fileLength(file_.get());
    if (n < 0) {
        // a directory or a device: nothing we can decode
        close();
        return kErrFileRead;
    }
    size_ = uint64_t(n);
    return kOk;
}

void FileSource::close()
{
    file_.reset();
    size_ = 0;
    error_ = false;
    path_.clear();
}

void FileSource::suspend()
{
    file_.reset();
}

std::unique_ptr<ByteSource> FileSource::another() const
{
    auto second = std::make_unique<FileSource>();
    if (path_.empty() || second->open(path_.c_str()) != kOk || second->size() != size_)
        return nullptr;
    return second;
}

bool FileSource::reopen()
{
    if (file_)
        return true;
    if (path_.empty())
        return false;
    file_ = openFile(pathFromUtf8(path_), "rb");
    if (!file_)
        return false;
    if (fileLength(file_.get()) != int64_t(size_)) {  // replaced since the load
        file_.reset();
        return false;
    }
    return true;
}

size_t FileSource::read(void* dst, size_t n)
{
    if (n == 0)
        return 0;
    if (!file_ && !reopen()) {
        error_ = true;
        return 0;
    }
    const size_t got = std::fread(dst, 1, n, file_.get());
    if (got < n && std::ferror(file_.get()))
        error_ = true;
    return got;
}

bool FileSource::seek(uint64_t pos)
{
    if (pos > size_)
        return false;
    if (!file_ && !reopen()) {
        error_ = true;
        return false;
    }
    std::clearerr(file_.get());
    return seekFile(file_.get(), pos);
}

void MemorySource::assign(const void* data, size_t n)
{
    bytes_.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    view_ = MemoryView(bytes_.data(), bytes_.size());
}

size_t MemoryView::read(void* dst, size_t n)
{
    n = std::min(n, size_ - pos_);
    if (n)
        std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
    return n;
}

bool MemoryView::seek(uint64_t pos)
{
    if (pos > size_)
        return false;
    pos_ = size_t(pos);
    return true;
}

std::unique_ptr<ByteSource> MemoryView::another() const
{
    return std::make_unique<MemoryView>(data_, size_);
}

}  // namespace vximg
