#include "engine/ConvertAhead.h"

#include "engine/PortableUploadHost.h"
#include "engine/UploadJob.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A converter reports progress, and so runs its hook, only to an attached bar.
class NoBar : public ProgressBar {
public:
    void setRange(int, int) override {}
    void setPosition(int) override {}
};

// Names no camera file has and another run started elsewhere hardly picks.
fs::path temporaryStem(const fs::path& folder)
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char name[40];
    std::snprintf(name, sizeof name, "~vxf%llx-", static_cast<unsigned long long>(ticks));
    return folder / name;
}

}  // namespace

ConvertAhead::ConvertAhead(std::vector<Picture> pictures, const fs::path& folder,
                           const AppSettings& settings, CameraClock clock, size_t workers,
                           std::function<bool()> stopRequested)
    : pictures_(std::move(pictures)), settings_(settings),
      thumbnailSize_(uploadThumbnailSize(settings.cameraCode)), clock_(std::move(clock)),
      stopRequested_(std::move(stopRequested)), window_(2 * workers), stem_(temporaryStem(folder)),
      slots_(pictures_.size())
{
    for (size_t i = 0; i < workers; ++i) {
        try {
            workers_.emplace_back(&ConvertAhead::work, this);
        } catch (const std::system_error&) {
            break;  // fewer workers; the job converts what they do not
        }
    }
}

ConvertAhead::~ConvertAhead()
{
    stop();
    for (std::thread& worker : workers_)
        worker.join();
    std::error_code error;
    for (const Slot& slot : slots_) {
        if (slot.usable)
            fs::remove(slot.temporary, error);
    }
}

void ConvertAhead::stop()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
}

bool ConvertAhead::stopping() const
{
    return stop_ || (stopRequested_ && stopRequested_());
}

bool ConvertAhead::matches(size_t index, const fs::path& source, PackedSize targetSize,
                           PackedSize thumbnailSize, const AppSettings& settings) const
{
    const Picture& picture = pictures_[index];
    return picture.source == source && picture.targetSize == targetSize &&
           thumbnailSize_ == thumbnailSize && settings_.cameraCode == settings.cameraCode &&
           settings_.JpegBaseColor == settings.JpegBaseColor;
}

void ConvertAhead::work()
{
    StandaloneConverter converter;
    PictureConversion& conversion = converter.conversion();
    conversion.setClock(clock_);
    NoBar bar;
    conversion.attachProgress(bar);
    conversion.setProgressHook([this, &conversion](int) {
        if (stopping())
            conversion.CancelUpload();
    });

    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(
            lock, [this] { return stop_ || next_ >= slots_.size() || next_ < cursor_ + window_; });
        if (stop_ || next_ >= slots_.size())
            return;
        const size_t index = next_++;
        Slot& slot = slots_[index];
        slot.state = State::Converting;
        fs::path temporary = stem_;
        temporary += std::to_string(index) + ".tmp";
        lock.unlock();

        bool usable = false;
        std::error_code error;
        if (!fs::exists(temporary, error) && !error) {
            const Picture& picture = pictures_[index];
            const int result = conversion.ConvertPicture(
                picture.source, temporary, picture.targetSize, thumbnailSize_, settings_);
            usable = result == 0 && conversion.continueFlag() == 1;
            // A failed picture is converted again by the job, for its own
            // result and whatever it leaves at its own name.
            if (!usable)
                fs::remove(temporary, error);
        }

        lock.lock();
        slot.state = State::Finished;
        slot.usable = usable;
        slot.temporary = temporary;
        changed_.notify_all();
        if (conversion.continueFlag() == 0)
            return;
    }
}

int ConvertAhead::convert(PictureConversion& own, size_t index, const fs::path& source,
                          const fs::path& destination, PackedSize targetSize,
                          PackedSize thumbnailSize, const AppSettings& settings)
{
    fs::path finished;
    if (index < slots_.size()) {
        std::unique_lock<std::mutex> lock(mutex_);
        // What no worker has claimed up to here is the job's now.
        for (; next_ <= index; ++next_)
            slots_[next_].state = State::Taken;
        cursor_ = index + 1;
        changed_.notify_all();
        changed_.wait(lock, [&] { return slots_[index].state != State::Converting; });
        Slot& slot = slots_[index];
        if (slot.usable)
            finished = slot.temporary;
        slot.state = State::Taken;
        slot.usable = false;
    }

    if (!finished.empty()) {
        std::error_code error;
        if (matches(index, source, targetSize, thumbnailSize, settings)) {
            fs::rename(finished, destination, error);
            if (!error)
                return 0;
        }
        fs::remove(finished, error);
    }
    if (stopRequested_ && stopRequested_()) {
        // As the job's converter does at its next progress report.
        own.CancelUpload();
        return 0;
    }
    return own.ConvertPicture(source, destination, targetSize, thumbnailSize, settings);
}
