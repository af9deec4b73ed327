#include "sound/FileIo.h"

#include <atomic>
#include <limits>
#include <new>

namespace {

std::atomic<RetrySleep> g_retrySleep{&sleepMilliseconds};

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        close();
        native_ = other.native_;
        other.native_ = kInvalid;
    }
    return *this;
}

RetrySleep setRetrySleep(RetrySleep sleep)
{
    return g_retrySleep.exchange(sleep ? sleep : &sleepMilliseconds);
}

FileHandle openWithRetry(const std::filesystem::path& path, unsigned access, unsigned share,
                         FileCreation creation, unsigned waitMs, unsigned attempts)
{
    for (unsigned attempt = 1;; ++attempt) {
        bool missing = false;
        FileHandle file = openFileOnce(path, access, share, creation, missing);
        if (file.isOpen())
            return file;
        if (share == kShareExclusive || missing || attempt >= attempts)
            return FileHandle();
        g_retrySleep.load()(waitMs);
    }
}

IoResult readFileAt(const std::filesystem::path& path, uint64_t offset, size_t count, void* buffer)
{
    IoResult result;
    FileHandle file = openWithRetry(path, kFileRead, kShareRead, FileCreation::OpenExisting,
                                    kRetryWaitMs, kRetryAttempts);
    if (!file.isOpen() || !file.seek(offset))
        return result;
    result.ok = file.read(buffer, count, result.bytes);
    return result;
}

bool readWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out)
{
    out.clear();
    out.shrink_to_fit();
    FileHandle file = openWithRetry(path, kFileRead, kShareRead, FileCreation::OpenExisting,
                                    kRetryWaitMs, kRetryAttempts);
    if (!file.isOpen())
        return false;
    const int64_t length = file.seekToEnd();
    if (length < 0 || static_cast<uint64_t>(length) > std::numeric_limits<size_t>::max() ||
        !file.seek(0))
        return false;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    size_t done = 0;
    // A file that shrank meanwhile is not "read whole".
    if (!file.read(buffer.data(), buffer.size(), done) || done != buffer.size())
        return false;
    out.swap(buffer);
    return true;
}

IoResult writeFileAt(const std::filesystem::path& path, int64_t offset, const void* bytes,
                     size_t count)
{
    IoResult result;
    const bool fresh = offset == kNewFile;
    if (!fresh && offset < 0)
        return result;
    FileHandle file = openWithRetry(path, kFileWrite, kShareExclusive,
                                    fresh ? FileCreation::CreateAlways : FileCreation::OpenAlways,
                                    kRetryWaitMs, kRetryAttempts);
    if (!file.isOpen())
        return result;
    if (!fresh && !file.seek(static_cast<uint64_t>(offset)))
        return result;
    result.ok = file.write(bytes, count, result.bytes);
    return result;
}

int64_t fileLength(const std::filesystem::path& path)
{
    FileHandle file = openWithRetry(path, kFileWrite, kShareRead, FileCreation::OpenExisting,
                                    kRetryWaitMs, kRetryAttempts);
    if (!file.isOpen())
        return -1;
    return file.seekToEnd();
}
