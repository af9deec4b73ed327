// The native build's file layer. POSIX has no share modes: the share
// argument only decides, in openWithRetry, whether a failure is retried.
#include "sound/FileIo.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int fd(intptr_t native)
{
    return static_cast<int>(native);
}

}  // namespace

void FileHandle::close()
{
    if (native_ != kInvalid) {
        ::close(fd(native_));
        native_ = kInvalid;
    }
}

bool FileHandle::seek(uint64_t offset)
{
    if (!isOpen() || offset > static_cast<uint64_t>(INT64_MAX))
        return false;
    return ::lseek(fd(native_), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

int64_t FileHandle::seekToEnd()
{
    if (!isOpen())
        return -1;
    const off_t end = ::lseek(fd(native_), 0, SEEK_END);
    return end < 0 ? -1 : static_cast<int64_t>(end);
}

bool FileHandle::read(void* buffer, size_t count, size_t& done)
{
    done = 0;
    if (!isOpen())
        return false;
    auto* at = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t got = ::read(fd(native_), at + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool FileHandle::write(const void* bytes, size_t count, size_t& done)
{
    done = 0;
    if (!isOpen())
        return false;
    const auto* at = static_cast<const uint8_t*>(bytes);
    while (done < count) {
        const ssize_t put = ::write(fd(native_), at + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

FileHandle openFileOnce(const std::filesystem::path& path, unsigned access, unsigned /*share*/,
                        FileCreation creation, bool& missing)
{
    missing = false;
    int flags = O_CLOEXEC;
    if ((access & kFileRead) && (access & kFileWrite))
        flags |= O_RDWR;
    else if (access & kFileWrite)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (creation == FileCreation::CreateAlways)
        flags |= O_CREAT | O_TRUNC;
    else if (creation == FileCreation::OpenAlways)
        flags |= O_CREAT;

    const int opened = ::open(path.c_str(), flags, 0666);
    if (opened < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return FileHandle();
    }
    // Windows refuses to open a folder as a file; so do we.
    struct stat info {};
    if (::fstat(opened, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(opened);
        return FileHandle();
    }
    return FileHandle(opened);
}

void sleepMilliseconds(unsigned milliseconds)
{
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}
