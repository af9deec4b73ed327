// Windows side of the imaging component: the control interface (a picture
// with a window that displays it and can grab a device context), and a
// header-only loader that finds the DLL at run time, so a missing DLL is a
// result the program can report instead of a loader error at start.
//
// Ownership: VxImagingCreate's objects are freed by release() (which also
// destroys their window). A window created from a dialog template with the
// class VXIMAGING_WINDOW_CLASS owns its object; VxImagingFromWindow hands it
// out, valid while the window exists.
#pragma once

#include <windows.h>

#include "imaging/ImagingApi.h"
#include "imaging/ImagingIdentity.h"

namespace vximg {

class IPictureControl : public IPicture {
public:
    // The control's window; null for a windowless picture.
    virtual HWND window() = 0;
    // Where the picture is drawn in the window (scaled to that size), and the
    // part of the window drawing is clipped to. Unset: the picture's own size
    // at the origin, clipped to itself.
    virtual void setDisplayRect(float x, float y, float width, float height) = 0;
    virtual void setDisplayClip(float x, float y, float width, float height) = 0;
    // Colour of the window around the picture (default: the dialog colour).
    virtual void setBackColor(COLORREF color) = 0;
    // On (the default): every change of the picture repaints the window.
    virtual void setAutoRepaint(bool on) = 0;
    // Redraws the window now.
    virtual void repaint() = 0;
    // Replaces the picture by a rectangle of a device context: 24 bits, or 8
    // bits with the system palette when the context has a palette.
    virtual int capture(HDC dc, float left, float top, float width, float height) = 0;

protected:
    ~IPictureControl() = default;
};

extern "C" {
// 0 when the window class is registered (or was already).
typedef int (*VxImagingInitFn)(int apiVersion);
// A control window (child of parent, with the control id and place) or, with
// no parent, a windowless picture. Null on a version mismatch or failure.
typedef IPictureControl* (*VxImagingCreateFn)(int apiVersion, HWND parent, int id, int x, int y,
                                              int width, int height);
// The object of a window of our class, or null.
typedef IPictureControl* (*VxImagingFromWindowFn)(HWND window);
typedef HRESULT(WINAPI* VxImagingRegisterFn)(void);
}

class ImagingLibrary {
public:
    ImagingLibrary() = default;
    ~ImagingLibrary() { close(); }
    ImagingLibrary(const ImagingLibrary&) = delete;
    ImagingLibrary& operator=(const ImagingLibrary&) = delete;

    // Loads the DLL (by the normal library search unless a path is given) and
    // finds every entry; false, with nothing loaded, when any is missing.
    bool open(const wchar_t* path = VXIMAGING_DLL_NAME)
    {
        close();
        module_ = LoadLibraryW(path);
        if (!module_)
            return false;
        register_ = reinterpret_cast<VxImagingRegisterFn>(entry(VXIMAGING_ENTRY_REGISTER));
        init_ = reinterpret_cast<VxImagingInitFn>(entry(VXIMAGING_ENTRY_INIT));
        create_ = reinterpret_cast<VxImagingCreateFn>(entry(VXIMAGING_ENTRY_CREATE));
        fromWindow_ = reinterpret_cast<VxImagingFromWindowFn>(entry(VXIMAGING_ENTRY_FROM_WINDOW));
        if (!register_ || !init_ || !create_ || !fromWindow_ || init_(kApiVersion) != 0) {
            close();
            return false;
        }
        return true;
    }

    void close()
    {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
        register_ = nullptr;
        init_ = nullptr;
        create_ = nullptr;
        fromWindow_ = nullptr;
    }

    bool isOpen() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }

    // DllRegisterServer's result (0 = registered), or E_FAIL when not open.
    HRESULT registerServer() const { return register_ ? register_() : E_FAIL; }

    IPictureControl* create(HWND parent, int id, int x, int y, int width, int height) const
    {
        return create_ ? create_(kApiVersion, parent, id, x, y, width, height) : nullptr;
    }
    IPictureControl* createWindowless() const { return create(nullptr, 0, 0, 0, 0, 0); }
    IPictureControl* fromWindow(HWND window) const
    {
        return fromWindow_ ? fromWindow_(window) : nullptr;
    }

private:
    // through a plain function pointer: casting FARPROC directly trips -Wcast-function-type
    void (*entry(const char* name) const)()
    {
        return reinterpret_cast<void (*)()>(GetProcAddress(module_, name));
    }

    HMODULE module_ = nullptr;
    VxImagingRegisterFn register_ = nullptr;
    VxImagingInitFn init_ = nullptr;
    VxImagingCreateFn create_ = nullptr;
    VxImagingFromWindowFn fromWindow_ = nullptr;
};

}  // namespace vximg
