// Pictures of an upload list converted ahead of the job on worker threads,
// each with a converter of its own, into private files in the destination
// folder. The job itself stays sequential: when it reaches an entry it asks
// convert(), which moves the finished file to the name the job chose, or
// converts the entry with the job's own converter when no finished file is
// there to take (not started yet, failed, given up). Names, numbers and
// bytes are therefore those of the job alone.
#pragma once

#include "app/Settings.h"
#include "engine/CameraMetadata.h"
#include "engine/CameraModels.h"
#include "engine/PictureConversion.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ConvertAhead {
public:
    struct Picture {
        std::filesystem::path source;
        PackedSize targetSize = 0;
    };

    // workers threads convert the pictures in list order, each no further
    // ahead of the job than a few entries; with none, convert() converts
    // every picture itself. The workers date their pictures by clock and
    // read settings as the job's conversion does. stopRequested (may be
    // empty) is asked in every progress report: true gives up the run as
    // ESC does.
    ConvertAhead(std::vector<Picture> pictures, const std::filesystem::path& folder,
                 const AppSettings& settings, CameraClock clock, size_t workers,
                 std::function<bool()> stopRequested);
    // Stops the workers and deletes every file of theirs the job did not take.
    ~ConvertAhead();
    ConvertAhead(const ConvertAhead&) = delete;
    ConvertAhead& operator=(const ConvertAhead&) = delete;

    // What own.ConvertPicture(source, destination, ...) returns, with the
    // same file at destination; index is the picture's place in the list.
    int convert(PictureConversion& own, size_t index, const std::filesystem::path& source,
                const std::filesystem::path& destination, PackedSize targetSize,
                PackedSize thumbnailSize, const AppSettings& settings);

private:
    enum class State { Waiting, Converting, Finished, Taken };
    struct Slot {
        State state = State::Waiting;
        bool usable = false;  // a camera picture waits at temporary
        std::filesystem::path temporary;
    };

    // The workers give up the pictures they convert and take no more.
    void stop();
    void work();
    bool stopping() const;
    bool matches(size_t index, const std::filesystem::path& source, PackedSize targetSize,
                 PackedSize thumbnailSize, const AppSettings& settings) const;

    const std::vector<Picture> pictures_;
    const AppSettings settings_;
    const PackedSize thumbnailSize_;
    const CameraClock clock_;
    const std::function<bool()> stopRequested_;
    const size_t window_;
    const std::filesystem::path stem_;  // of the workers' files: stem_ + index + ".tmp"

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    size_t next_ = 0;    // the first picture no worker has claimed
    size_t cursor_ = 0;  // the entry the job is at
    std::atomic<bool> stop_{false};
    std::vector<std::thread> workers_;
};
