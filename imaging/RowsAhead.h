// A decoder run on a worker thread, a few batches of rows ahead of the
// caller, so that decoding and resampling share the two cores. Only the
// worker touches the wrapped reader. Where the format can skip rows cheaply,
// a second pass on a thread of its own skips the upper part and decodes the
// lower part meanwhile, so the picture takes less time than one decode.
// Progress the decoder reports is handed on from the calling thread (the
// host's callback may dispatch window messages), and the destructor stops
// and joins the workers, so no way out of a pass leaves one running.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "imaging/Decoder.h"

namespace vximg {

class RowsAhead final : public RowReader, public ProgressSink {
public:
    // Progress reaches `forward` on the thread that made this object.
    explicit RowsAhead(ProgressSink& forward);
    ~RowsAhead() override;
    RowsAhead(const RowsAhead&) = delete;
    RowsAhead& operator=(const RowsAhead&) = delete;

    // Opens the second pass (on its thread): SourceImage::openSecond.
    using SecondPass = std::function<int(std::unique_ptr<RowReader>& pass)>;

    // Starts reading `source` (opened with this object as its progress sink)
    // into batches kept in `storage`, and the lower part through `second`
    // when it is given. False for pictures too small to gain from a thread,
    // while other passes of the process keep the cores busy, or when no
    // thread can be started: then read `source` itself.
    bool start(RowReader& source, Buffer& storage, SecondPass second = {});
    int next(const uint8_t** row) override;
    void progress(double fraction) override;

private:
    static constexpr int kBatchRows = 16;
    static constexpr int kBatches = 4;

    struct Batch {
        uint8_t* rows = nullptr;
        int count = 0;
        int rc = 0;  // after the rows: kOk, or the error that ended the pass
    };

    void run();
    void runSecond();
    bool stopRequested();
    void stop();
    int nextLower(const uint8_t** row);
    void forwardProgress(double fraction);

    ProgressSink& forward_;
    const std::thread::id caller_;
    RowReader* source_ = nullptr;
    size_t rowBytes_ = 0;
    Batch batches_[kBatches];
    std::thread worker_;
    SecondPass second_;
    // set before the second pass starts
    int lowerFirst_ = 0;            // where the lower part begins
    uint8_t* lowerRows_ = nullptr;  // the second pass's rows, from lowerFirst_ on
    std::thread secondWorker_;
    std::mutex mutex_;
    std::condition_variable filledCv_, freedCv_;
    // guarded by mutex_
    int filled_ = 0;  // batches the worker has written
    int freed_ = 0;   // batches the caller is done with
    bool stopping_ = false;
    double fraction_ = -1.0;  // the decoder's latest progress
    int upperRows_ = 0;       // rows the first pass reads: all, or those above the lower part
    int claimed_ = 0;         // rows the first pass has read or is reading
    int lowerFilled_ = 0;     // lower rows the second pass has written
    bool lowerEnded_ = false;
    int lowerRc_ = 0;  // kOk, or the error that ended the second pass
    // the caller's
    const Batch* current_ = nullptr;
    bool inLower_ = false;
    int row_ = 0;
    int delivered_ = 0;
    double forwarded_ = -1.0;
};

}  // namespace vximg
