// The decoding threads: rows arrive in order (also when a second pass
// decodes the lower part), the decoder's error or exception ends the pass
// after the rows before it, progress reaches the caller on its own thread,
// and a pass left early stops the workers (the sanitizer builds watch for
// races and leaks).
#include <gtest/gtest.h>

#include <atomic>
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
        while (y_ == 0 && gate && !*gate)
            std::this_thread::yield();
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
    int rowsRead() const { return y_; }

    const std::atomic<bool>* gate = nullptr;  // the first row waits for it

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

struct Quiet final : vximg::ProgressSink {
    void progress(double) override {}
};

enum class Second { None, Taken, Refused };

// Rows read through the workers until the first error, or `stopAt` rows.
// The first pass waits at its first row until the second pass is open, so
// that one always comes in time for the lower part; failAt applies to the
// pass that reads that row.
int readAhead(int failAt, bool throws, int stopAt, int* rows, Second second = Second::None)
{
    Seen seen;
    Quiet quiet;
    vximg::Buffer storage;
    std::atomic<bool> opened{false};
    std::unique_ptr<CountingRows> source;
    vximg::RowsAhead ahead(seen);  // after the source: stopped before the source goes
    source = std::make_unique<CountingRows>(300, 250, ahead, failAt, throws);
    vximg::RowsAhead::SecondPass open;
    if (second != Second::None) {
        source->gate = &opened;
        open = [&](std::unique_ptr<vximg::RowReader>& pass) {
            pass = std::make_unique<CountingRows>(300, 250, quiet, failAt, throws);
            opened = true;
            return second == Second::Taken ? vximg::kOk : vximg::kErrUnsupported;
        };
    }
    EXPECT_TRUE(ahead.start(*source, storage, open));
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
        if (second == Second::Taken)
            EXPECT_LT(source->rowsRead(), 250);
        else
            EXPECT_EQ(source->rowsRead(), 250);
    }
    return vximg::kOk;
}

}  // namespace

TEST(RowsAhead, DeliversEveryRowInOrder)
{
    for (const Second second : {Second::None, Second::Taken, Second::Refused}) {
        int rows = 0;
        EXPECT_EQ(readAhead(-1, false, 250, &rows, second), vximg::kOk);
        EXPECT_EQ(rows, 250);
    }
}

TEST(RowsAhead, DecoderErrorEndsThePassAfterTheRowsBefore)
{
    // row 37 is the first pass's, row 237 the second's
    for (const Second second : {Second::None, Second::Taken}) {
        for (const int failAt : {37, 237}) {
            int rows = 0;
            EXPECT_EQ(readAhead(failAt, false, 250, &rows, second), vximg::kErrCorrupt);
            EXPECT_EQ(rows, failAt);
            EXPECT_EQ(readAhead(failAt, true, 250, &rows, second), vximg::kErrNoMemory);
            EXPECT_EQ(rows, failAt);
        }
    }
}

TEST(RowsAhead, PassLeftEarlyStopsTheWorkers)
{
    for (const Second second : {Second::None, Second::Taken}) {
        int rows = 0;
        EXPECT_EQ(readAhead(-1, false, 3, &rows, second), vximg::kOk);
        EXPECT_EQ(rows, 3);
    }
}
