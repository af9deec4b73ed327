#include "imaging/ByteSource.h"

#include <cstring>

#include "imaging/ImagingApi.h"

namespace vximg {

bool ByteSource::readAt(uint64_t pos, void* dst, size_t n) {
  return seek(pos) && read(dst, n) == n;
}

#ifdef _WIN32
namespace {
// UTF-8 to UTF-16 by hand: this file stays free of windows.h. Invalid
// sequences become U+FFFD, which no file name contains, so the open fails.
std::wstring widen(const char* s) {
  std::wstring out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    uint32_t c = *p++;
    int extra = 0;
    if (c >= 0xF0 && c < 0xF8) {
      c &= 0x07;
      extra = 3;
    } else if (c >= 0xE0) {
      c &= 0x0F;
      extra = 2;
    } else if (c >= 0xC0) {
      c &= 0x1F;
      extra = 1;
    } else if (c >= 0x80) {
      c = 0xFFFD;
    }
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        c = 0xFFFD;
        break;
      }
      c = (c << 6) | (*p++ & 0x3F);
    }
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(wchar_t(0xD800 + (c >> 10)));
      out.push_back(wchar_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(wchar_t(c > 0x10FFFF ? 0xFFFD : c));
    }
  }
  return out;
}
}  // namespace

std::FILE* openFileUtf8(const char* utf8Path, bool write) {
  return _wfopen(widen(utf8Path).c_str(), write ? L"wb" : L"rb");
}

static bool seekFile(std::FILE* f, uint64_t pos) { return _fseeki64(f, int64_t(pos), SEEK_SET) == 0; }
static int64_t fileLength(std::FILE* f) {
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  const int64_t n = _ftelli64(f);
  return seekFile(f, 0) ? n : -1;
}
#else
std::FILE* openFileUtf8(const char* utf8Path, bool write) {
  return std::fopen(utf8Path, write ? "wb" : "rb");
}

static bool seekFile(std::FILE* f, uint64_t pos) { return fseeko(f, off_t(pos), SEEK_SET) == 0; }
static int64_t fileLength(std::FILE* f) {
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  const int64_t n = int64_t(ftello(f));
  return seekFile(f, 0) ? n : -1;
}
#endif

FileSource::~FileSource() { close(); }

int FileSource::open(const char* utf8Path) {
  close();
  if (!utf8Path || !*utf8Path) return kErrFileOpen;
  path_ = utf8Path;
  file_ = openFileUtf8(utf8Path, false);
  if (!file_) return kErrFileOpen;
  const int64_t n = fileLength(file_);
  if (n < 0) {
    // a directory or a device: nothing we can decode
    close();
    return kErrFileRead;
  }
  size_ = uint64_t(n);
  return kOk;
}

void FileSource::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  size_ = 0;
  error_ = false;
  path_.clear();
}

void FileSource::suspend() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool FileSource::reopen() {
  if (file_) return true;
  if (path_.empty()) return false;
  file_ = openFileUtf8(path_.c_str(), false);
  if (!file_) return false;
  if (fileLength(file_) != int64_t(size_)) {  // replaced since the load
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  return true;
}

size_t FileSource::read(void* dst, size_t n) {
  if (n == 0) return 0;
  if (!file_ && !reopen()) {
    error_ = true;
    return 0;
  }
  const size_t got = std::fread(dst, 1, n, file_);
  if (got < n && std::ferror(file_)) error_ = true;
  return got;
}

bool FileSource::seek(uint64_t pos) {
  if (pos > size_) return false;
  if (!file_ && !reopen()) {
    error_ = true;
    return false;
  }
  std::clearerr(file_);
  return seekFile(file_, pos);
}

void MemorySource::assign(const void* data, size_t n) {
  bytes_.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
  pos_ = 0;
}

size_t MemorySource::read(void* dst, size_t n) {
  const size_t left = bytes_.size() - pos_;
  if (n > left) n = left;
  if (n) std::memcpy(dst, bytes_.data() + pos_, n);
  pos_ += n;
  return n;
}

bool MemorySource::seek(uint64_t pos) {
  if (pos > bytes_.size()) return false;
  pos_ = size_t(pos);
  return true;
}

}  // namespace vximg
