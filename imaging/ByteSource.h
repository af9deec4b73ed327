// Where a picture's bytes come from: an open file read piecewise through the
// caller's buffers, or a block of memory. Decoders pull from it, so a large
// file never needs one big read buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "base/File.h"
#include <string>
#include <vector>

namespace vximg {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes at the current position; fewer only at the end or
    // on a read error (error() tells which).
    virtual size_t read(void* dst, size_t n) = 0;
    virtual bool seek(uint64_t pos) = 0;
    virtual uint64_t size() const = 0;
    virtual bool error() const { return false; }
    // The whole content when it is in memory (no copy needed), else null.
    virtual const uint8_t* memory() const { return nullptr; }
    // Lets go of system resources between passes (a file is closed and opened
    // again by the next seek).
    virtual void suspend() {}
    // A second reader of the same bytes with a position of its own, for a
    // pass on another thread; null when none can be had. It must not outlive
    // this source.
    virtual std::unique_ptr<ByteSource> another() const = 0;

    // Reads exactly n bytes at pos; false when the source is shorter.
    bool readAt(uint64_t pos, void* dst, size_t n);
};

class FileSource final : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // kOk, kErrFileOpen or kErrFileRead.
    int open(const char* utf8Path);
    void close();

    size_t read(void* dst, size_t n) override;
    bool seek(uint64_t pos) override;
    uint64_t size() const override { return size_; }
    bool error() const override { return error_; }
    // Closes the file; a later seek reopens it and fails when its size changed.
    void suspend() override;
    std::unique_ptr<ByteSource> another() const override;

private:
    bool reopen();

    std::string path_;
    UniqueFile file_;
    uint64_t size_ = 0;
    bool error_ = false;
};

// Bytes that stay where they are, read with a position of its own.
class MemoryView final : public ByteSource {
public:
    MemoryView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t read(void* dst, size_t n) override;
    bool seek(uint64_t pos) override;
    uint64_t size() const override { return size_; }
    const uint8_t* memory() const override { return data_; }
    std::unique_ptr<ByteSource> another() const override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource() = default;
    MemorySource(const MemorySource&) = delete;  // the view points into bytes_
    MemorySource& operator=(const MemorySource&) = delete;
    // Copies the bytes: the caller's block may go away after the load.
    void assign(const void* data, size_t n);
    size_t read(void* dst, size_t n) override { return view_.read(dst, n); }
    bool seek(uint64_t pos) override { return view_.seek(pos); }
    uint64_t size() const override { return view_.size(); }
    const uint8_t* memory() const override { return view_.memory(); }
    std::unique_ptr<ByteSource> another() const override { return view_.another(); }

private:
    std::vector<uint8_t> bytes_;
    MemoryView view_{nullptr, 0};
};

}  // namespace vximg
