#include "imaging/RowsAhead.h"

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

bool RowsAhead::start(RowReader& source, Buffer& storage)
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
    const size_t batchBytes = rowBytes_ * kBatchRows;
    uint8_t* base = storage.ensure(batchBytes * kBatches);
    for (int i = 0; i < kBatches; ++i)
        batches_[i].rows = base + batchBytes * size_t(i);
    source_ = &source;
    try {
        worker_ = std::thread(&RowsAhead::run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void RowsAhead::stop()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    freedCv_.notify_one();
    worker_.join();
}

void RowsAhead::run()
{
    int done = 0;
    while (done < height) {
        Batch* b;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            freedCv_.wait(lock, [this] { return stopping_ || filled_ - freed_ < kBatches; });
            if (stopping_)
                return;
            b = &batches_[filled_ % kBatches];
        }
        int n = 0, rc = kOk;
        try {
            for (; n < kBatchRows && done + n < height; ++n) {
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

int RowsAhead::next(const uint8_t** row)
{
    if (delivered_ >= height)
        return kErrCorrupt;
    if (!current_ || row_ >= current_->count) {
        if (current_ && current_->rc != kOk)
            return current_->rc;
        double f;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (current_) {
                ++freed_;
                freedCv_.notify_one();
            }
            filledCv_.wait(lock, [this] { return filled_ > freed_; });
            current_ = &batches_[freed_ % kBatches];
            f = fraction_;
        }
        row_ = 0;
        if (f > forwarded_) {
            forwarded_ = f;
            forward_.progress(f);
        }
        if (current_->count == 0)
            return current_->rc;
    }
    *row = current_->rows + rowBytes_ * size_t(row_++);
    ++delivered_;
    return kOk;
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
