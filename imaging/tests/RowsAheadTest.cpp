// The decoding thread: rows arrive in order, the decoder's error or exception
// ends the pass after the rows before it, progress reaches the caller on its
// own thread, and a pass left early stops the worker (the sanitizer builds
// watch for races and leaks).
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

#include "imaging/ImagingApi.h"
#include "imaging/RowsAhead.h"

namespace {

// Row y holds y in every byte; fails (or throws) at row failAt.
class CountingRows final : public vximg::RowReader {
public:
    CountingRows(int w, int h, vximg::ProgressSink& sink, int failAt, bool throws)
        : sink_(sink), failAt_(failAt), throws_(throws), row_(size_t(w) * 3)
    {
        width = w;
        height = h;
    }
    int next(const uint8_t** out) override
    {
        if (y_ == failAt_) {
            if (throws_)
                throw std::runtime_error("decoder");
            return vximg::kErrCorrupt;
        }
        std::fill(row_.begin(), row_.end(), uint8_t(y_));
        *out = row_.data();
        sink_.progress(double(++y_) / height);
        return vximg::kOk;
    }

private:
    vximg::ProgressSink& sink_;
    int failAt_;
    bool throws_;
    std::vector<uint8_t> row_;
    int y_ = 0;
};

struct Seen final : vximg::ProgressSink {
    void progress(double f) override
    {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        last = f;
    }
    std::thread::id caller = std::this_thread::get_id();
    double last = 0;
};

// Rows read through the worker until the first error, or `stopAt` rows.
int readAhead(int failAt, bool throws, int stopAt, int* rows)
{
    Seen seen;
    vximg::Buffer storage;
    std::unique_ptr<CountingRows> source;
    vximg::RowsAhead ahead(seen);  // after the source: stopped before the source goes
    source = std::make_unique<CountingRows>(300, 250, ahead, failAt, throws);
    EXPECT_TRUE(ahead.start(*source, storage));
    *rows = 0;
    for (int y = 0; y < stopAt; ++y) {
        const uint8_t* row = nullptr;
        const int rc = ahead.next(&row);
        if (rc != vximg::kOk)
            return rc;
        EXPECT_EQ(row[0], uint8_t(y));
        EXPECT_EQ(row[899], uint8_t(y));
        ++*rows;
    }
    if (stopAt == 250) {
        EXPECT_GT(seen.last, 0.9);
    }
    return vximg::kOk;
}

}  // namespace

TEST(RowsAhead, DeliversEveryRowInOrder)
{
    int rows = 0;
    EXPECT_EQ(readAhead(-1, false, 250, &rows), vximg::kOk);
    EXPECT_EQ(rows, 250);
}

TEST(RowsAhead, DecoderErrorEndsThePassAfterTheRowsBefore)
{
    int rows = 0;
    EXPECT_EQ(readAhead(37, false, 250, &rows), vximg::kErrCorrupt);
    EXPECT_EQ(rows, 37);
    EXPECT_EQ(readAhead(37, true, 250, &rows), vximg::kErrNoMemory);
    EXPECT_EQ(rows, 37);
}

TEST(RowsAhead, PassLeftEarlyStopsTheWorker)
{
    int rows = 0;
    EXPECT_EQ(readAhead(-1, false, 3, &rows), vximg::kOk);
    EXPECT_EQ(rows, 3);
}
