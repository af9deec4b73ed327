// File helpers of the sound module. Sound files are never streamed: each
// helper opens the file for one operation and closes it again before it
// returns. Opens that share reading are retried for about half a second,
// because a player or a scanner may hold the file for a moment; a missing
// file or folder, and every exclusive open (all writes), fail at once.
//
// The open itself is platform code (win/FileIo.cpp or FileIoPosix.cpp);
// the retry rule and the helpers above it are the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// Access wanted, combined with |.
enum FileAccess : unsigned {
    kFileRead = 1,
    kFileWrite = 2,
};

// What other openers may do meanwhile, combined with |; 0 is exclusive.
enum FileShare : unsigned {
    kShareExclusive = 0,
    kShareRead = 1,
    kShareWrite = 2,
};

enum class FileCreation {
    OpenExisting,  // fails when the file is missing
    CreateAlways,  // creates it, replacing an existing file
    OpenAlways,    // opens it, creating it when missing
};

// What every caller in this module passes to openWithRetry.
constexpr unsigned kRetryWaitMs = 100;
constexpr unsigned kRetryAttempts = 5;

// The offset of writeFileAt that means: create the file anew and write at 0.
constexpr int64_t kNewFile = -1;

// An open file; closed by its destructor. Platform handle or descriptor.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { close(); }
    FileHandle(FileHandle&& other) noexcept : native_(other.native_) { other.native_ = kInvalid; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool isOpen() const { return native_ != kInvalid; }
    bool seek(uint64_t offset);
    // The length, leaving the position at the end; -1 on failure.
    int64_t seekToEnd();
    // Reads until count bytes or the end of the file; done gets what was read.
    bool read(void* buffer, size_t count, size_t& done);
    bool write(const void* bytes, size_t count, size_t& done);
    void close();

    static constexpr intptr_t kInvalid = -1;
    explicit FileHandle(intptr_t native) : native_(native) {}

private:
    intptr_t native_ = kInvalid;
};

// One attempt to open; missing is set when the file or its folder does not
// exist (such failures are never retried).
FileHandle openFileOnce(const std::filesystem::path& path, unsigned access, unsigned share,
                        FileCreation creation, bool& missing);

// Opens with normal attributes. A failed attempt is retried after waitMs,
// at most `attempts` attempts in all, unless the open is exclusive or the
// file or folder is missing.
FileHandle openWithRetry(const std::filesystem::path& path, unsigned access, unsigned share,
                         FileCreation creation, unsigned waitMs, unsigned attempts);

// The wait between attempts; tests replace it to count the waits.
using RetrySleep = void (*)(unsigned milliseconds);
RetrySleep setRetrySleep(RetrySleep sleep);
void sleepMilliseconds(unsigned milliseconds);

struct IoResult {
    bool ok = false;
    size_t bytes = 0;  // bytes read or written
};

// Reads up to count bytes at offset of an existing file (shared reading).
IoResult readFileAt(const std::filesystem::path& path, uint64_t offset, size_t count, void* buffer);

// Loads the whole file; on failure out is left empty and false returned.
bool readWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out);

// Writes count bytes at offset, opening the file exclusively (one attempt).
// Offset kNewFile creates the file anew (replacing it) and writes at 0; any
// other offset opens the file, creating it when missing.
IoResult writeFileAt(const std::filesystem::path& path, int64_t offset, const void* bytes,
                     size_t count);

// The length of an existing file, opened for writing while sharing reading;
// -1 when it cannot be opened.
int64_t fileLength(const std::filesystem::path& path);
