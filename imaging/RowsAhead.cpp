#include "imaging/RowsAhead.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>

#include "imaging/ImagingApi.h"

namespace vximg {

namespace {

// Passes of this process decoding at this moment, with or without a worker.
std::atomic<int> passesRunning{0};

// A worker only pays while a core is left for it: when as many pictures
// decode at once as there are cores (several conversions on threads of
// their own), each decodes on its own thread, without switching.
bool coreLeftForWorker(int passes)
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 || unsigned(passes) * 2 <= cores;
}

}  // namespace

RowsAhead::RowsAhead(ProgressSink& forward) : forward_(forward), caller_(std::this_thread::get_id())
{
    ++passesRunning;
}

RowsAhead::~RowsAhead()
{
    stop();
    --passesRunning;
}

bool RowsAhead::start(RowReader& source, Buffer& storage, SecondPass second)
{
    // below this a thread costs about what the overlap saves
    constexpr uint64_t kMinPixels = uint64_t(1) << 16;
    if (uint64_t(source.width) * uint64_t(source.height) < kMinPixels ||
        source.height <= kBatchRows || !coreLeftForWorker(passesRunning))
        return false;
    width = source.width;
    height = source.height;
    format = source.format;
    bottomUp = source.bottomUp;
    palette = source.palette;
    rowBytes_ = size_t(width) * (format == RowFormat::Index8 ? 1 : 3);
    upperRows_ = height;

    // Skipping the upper part costs the second pass about 3/4 of decoding
    // it, and the resampler takes time from the cores as well: the passes
    // end about together when the second starts 7/10 down (measured). Its
    // rows wait in memory until the first pass is done, which limits the part
    // it takes.
    constexpr size_t kMaxLowerBytes = size_t(8) << 20;
    // The lower part begins on a whole skip step.
    const int step = std::max(source.skipStep, 1);
    int first = int(int64_t(height) * 7 / 10) / step * step;
    const int64_t maxRows = int64_t(kMaxLowerBytes / rowBytes_);
    if (height - first > maxRows)
        first = int((height - maxRows + step - 1) / step * step);
    int lowerRows = height - first;
    if (!second || lowerRows < kBatchRows * 2)
        lowerRows = 0;

    const size_t batchBytes = rowBytes_ * kBatchRows;
    uint8_t* base = storage.ensure(batchBytes * kBatches + rowBytes_ * size_t(lowerRows));
    for (int i = 0; i < kBatches; ++i)
        batches_[i].rows = base + batchBytes * size_t(i);
    source_ = &source;
    try {
        worker_ = std::thread(&RowsAhead::run, this);
    } catch (const std::system_error&) {
        return false;
    }
    if (lowerRows > 0) {
        lowerRows_ = base + batchBytes * kBatches;
        lowerFirst_ = height - lowerRows;
        second_ = std::move(second);
        try {
            secondWorker_ = std::thread(&RowsAhead::runSecond, this);
        } catch (const std::system_error&) {
            // the first pass reads every row
        }
    }
    return true;
}

void RowsAhead::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    freedCv_.notify_one();
    if (worker_.joinable())
        worker_.join();
    if (secondWorker_.joinable())
        secondWorker_.join();
}

void RowsAhead::run()
{
    int done = 0;
    for (;;) {
        Batch* b;
        int end;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            freedCv_.wait(lock, [this] { return stopping_ || filled_ - freed_ < kBatches; });
            if (stopping_ || done >= upperRows_)
                return;
            end = std::min(done + kBatchRows, upperRows_);
            claimed_ = end;
            b = &batches_[filled_ % kBatches];
        }
        int n = 0, rc = kOk;
        try {
            for (; done + n < end; ++n) {
                const uint8_t* row = nullptr;
                rc = source_->next(&row);
                if (rc != kOk)
                    break;
                std::memcpy(b->rows + rowBytes_ * size_t(n), row, rowBytes_);
            }
        } catch (...) {
            rc = kErrNoMemory;  // what the component answers for any exception
        }
        b->count = n;
        b->rc = rc;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++filled_;
        }
        filledCv_.notify_one();
        if (rc != kOk)
            return;
        done += n;
    }
}

void RowsAhead::runSecond()
{
    int rc = kOk;
    int filled = 0;
    try {
        std::unique_ptr<RowReader> pass;
        rc = second_(pass);
        bool taken = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // Too late once the first pass has read into the lower part.
            taken = rc == kOk && !stopping_ && claimed_ <= lowerFirst_ && pass->width == width &&
                    pass->height == height && pass->format == format;
            if (taken)
                upperRows_ = lowerFirst_;
        }
        filledCv_.notify_one();
        if (!taken)
            return;
        // in whole steps of about 64 rows, so a stop is seen soon
        const int step = std::max(pass->skipStep, 1);
        const int chunk = step * std::max(1, 64 / step);
        for (int skipped = 0; skipped < lowerFirst_ && rc == kOk && !stopRequested();) {
            const int n = std::min(chunk, lowerFirst_ - skipped);
            rc = pass->skip(n);
            skipped += n;
        }
        const int rows = height - lowerFirst_;
        while (filled < rows && rc == kOk && !stopRequested()) {
            const int end = std::min(filled + kBatchRows, rows);
            for (; filled < end; ++filled) {
                const uint8_t* row = nullptr;
                rc = pass->next(&row);
                if (rc != kOk)
                    break;
                std::memcpy(lowerRows_ + rowBytes_ * size_t(filled), row, rowBytes_);
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                lowerFilled_ = filled;
            }
            filledCv_.notify_one();
        }
    } catch (...) {
        rc = kErrNoMemory;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lowerFilled_ = filled;
        lowerRc_ = rc;
        lowerEnded_ = true;
    }
    filledCv_.notify_one();
}

bool RowsAhead::stopRequested()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

int RowsAhead::next(const uint8_t** row)
{
    if (delivered_ >= height)
        return kErrCorrupt;
    if (inLower_)
        return nextLower(row);
    if (!current_ || row_ >= current_->count) {
        if (current_ && current_->rc != kOk)
            return current_->rc;
        double f;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (current_) {
                ++freed_;
                freedCv_.notify_one();
                current_ = nullptr;
            }
            filledCv_.wait(lock, [this] { return filled_ > freed_ || delivered_ >= upperRows_; });
            inLower_ = filled_ == freed_;
            if (!inLower_)
                current_ = &batches_[freed_ % kBatches];
            f = fraction_;
        }
        forwardProgress(f);
        if (inLower_)
            return nextLower(row);
        row_ = 0;
        if (current_->count == 0)
            return current_->rc;
    }
    *row = current_->rows + rowBytes_ * size_t(row_++);
    ++delivered_;
    return kOk;
}

int RowsAhead::nextLower(const uint8_t** row)
{
    const int i = delivered_ - lowerFirst_;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        filledCv_.wait(lock, [this, i] { return lowerFilled_ > i || lowerEnded_; });
        if (lowerFilled_ <= i)
            return lowerRc_ != kOk ? lowerRc_ : kErrCorrupt;
    }
    *row = lowerRows_ + rowBytes_ * size_t(i);
    ++delivered_;
    if (i % kBatchRows == 0)
        forwardProgress(double(delivered_) / height);
    return kOk;
}

void RowsAhead::forwardProgress(double fraction)
{
    if (fraction > forwarded_) {
        forwarded_ = fraction;
        forward_.progress(fraction);
    }
}

void RowsAhead::progress(double fraction)
{
    if (std::this_thread::get_id() == caller_) {
        forward_.progress(fraction);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    fraction_ = fraction;
}

}  // namespace vximg
