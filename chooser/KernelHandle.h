// Kernel objects of the chooser exchange, closed when their owner goes.
#pragma once

#include <windows.h>

#include "chooser/ChooserRequest.h"

class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~KernelHandle() { close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(HANDLE handle = nullptr)
    {
        close();
        handle_ = handle;
    }

private:
    void close()
    {
        if (handle_)
            ::CloseHandle(handle_);
        handle_ = nullptr;
    }

    HANDLE handle_;
};

// The whole shared block, mapped with full access.
class RequestView {
public:
    explicit RequestView(const KernelHandle& mapping)
        : view_(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0,
                                          sizeof(ChooserRequest))
                        : nullptr)
    {}
    ~RequestView()
    {
        if (view_)
            ::UnmapViewOfFile(view_);
    }
    RequestView(const RequestView&) = delete;
    RequestView& operator=(const RequestView&) = delete;

    explicit operator bool() const { return view_ != nullptr; }
    ChooserRequest& request() const { return *static_cast<ChooserRequest*>(view_); }

private:
    void* view_;
};
