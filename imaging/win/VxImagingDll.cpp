// VxImaging.dll: our imaging control for Vxfsend. Exports the self
// registration (DllRegisterServer / DllUnregisterServer under our own class
// id), the window class of the control, and a small C factory the program
// finds with GetProcAddress. The pictures themselves are the portable core's.
#include <windows.h>

#include <new>
#include <vector>

#include "imaging/PictureImpl.h"
#include "imaging/win/ImagingControl.h"

namespace {

// SELFREG_E_CLASS of olectl.h: the class could not be registered.
const HRESULT kSelfRegClassError = static_cast<HRESULT>(0x80040201L);

HINSTANCE g_module = nullptr;
bool g_classRegistered = false;

LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

class ControlPicture final : public vximg::PictureImpl<vximg::IPictureControl> {
public:
    explicit ControlPicture(bool ownedByWindow) : ownedByWindow_(ownedByWindow) {}

    void release() override
    {
        if (hwnd_) {
            if (ownedByWindow_) {
                DestroyWindow(hwnd_);  // the window frees us on its way out
                return;
            }
            SetWindowLongPtrW(hwnd_, 0, 0);
            HWND h = hwnd_;
            hwnd_ = nullptr;
            DestroyWindow(h);
        }
        delete this;
    }

    HWND window() override { return hwnd_; }

    void setDisplayRect(float x, float y, float w, float h) override
    {
        hasDest_ = toRect(x, y, w, h, dest_);
    }
    void setDisplayClip(float x, float y, float w, float h) override
    {
        hasClip_ = toRect(x, y, w, h, clip_);
    }
    void setBackColor(COLORREF c) override
    {
        backColor_ = c;
        hasBackColor_ = true;
    }
    void setAutoRepaint(bool on) override { autoRepaint_ = on; }

    void repaint() override
    {
        if (!hwnd_)
            return;
        InvalidateRect(hwnd_, nullptr, FALSE);
        UpdateWindow(hwnd_);
    }

    int capture(HDC dc, float left, float top, float width, float height) override
    {
        return change([&] { return captureDc(dc, left, top, width, height); });
    }

    // Draws the window's client area into dc.
    void paintClient(HDC dc)
    {
        RECT client;
        GetClientRect(hwnd_, &client);
        RECT drawn = {0, 0, 0, 0};
        try {
            drawPicture(dc, drawn);
        } catch (...) {
            drawn = RECT{0, 0, 0, 0};  // out of memory while scaling: just the background
        }
        const int saved = SaveDC(dc);
        ExcludeClipRect(dc, drawn.left, drawn.top, drawn.right, drawn.bottom);
        HBRUSH brush = CreateSolidBrush(hasBackColor_ ? backColor_ : GetSysColor(COLOR_BTNFACE));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        RestoreDC(dc, saved);
    }

    HWND hwnd_ = nullptr;
    bool ownedByWindow_;

protected:
    void changed() override
    {
        if (autoRepaint_ && hwnd_)
            InvalidateRect(hwnd_, nullptr, FALSE);
    }

private:
    static bool toRect(float x, float y, float w, float h, RECT& r)
    {
        int ix, iy, iw, ih;
        if (!vximg::roundPlace(x, ix) || !vximg::roundPlace(y, iy) || !vximg::roundPlace(w, iw) ||
            !vximg::roundPlace(h, ih))
            return false;
        r = RECT{ix, iy, ix + iw, iy + ih};
        return true;
    }

    // Draws the picture into its destination (clipped); drawn receives the
    // area covered.
    void drawPicture(HDC dc, RECT& drawn)
    {
        const int pw = core_.width(), ph = core_.height();
        if (pw <= 0 || ph <= 0)
            return;
        const RECT dest = hasDest_ ? dest_ : RECT{0, 0, pw, ph};
        const RECT clip = hasClip_ ? clip_ : dest;
        const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
        if (dw <= 0 || dh <= 0)
            return;

        const void* dib = nullptr;
        const BITMAPINFO* info = nullptr;
        const void* bits = nullptr;
        BITMAPINFOHEADER scaledHeader = {};
        if (dw == pw && dh == ph && !core_.busy()) {
            size_t size = 0;
            if (core_.dibView(&dib, &size) != vximg::kOk)
                return;
            info = static_cast<const BITMAPINFO*>(dib);
            bits = static_cast<const uint8_t*>(dib) + info->bmiHeader.biSize +
                   4 * info->bmiHeader.biClrUsed;
        } else {
            // scaled once by the resampler (a pending JPEG at a reduced DCT scale)
            // and kept until the picture or the size changes
            const bool fresh =
                cacheChanges_ == core_.changes() && cache_.width() == dw && cache_.height() == dh;
            if (!fresh) {
                if (core_.busy() || uint64_t(dw) * uint64_t(dh) > (uint64_t(1) << 26))
                    return;
                if (core_.renderScaled(dw, dh, cache_) != vximg::kOk) {
                    cache_.clear();
                    return;
                }
                cacheChanges_ = core_.changes();
            }
            scaledHeader.biSize = sizeof scaledHeader;
            scaledHeader.biWidth = dw;
            scaledHeader.biHeight = dh;
            scaledHeader.biPlanes = 1;
            scaledHeader.biBitCount = 24;
            scaledHeader.biCompression = BI_RGB;
            info = reinterpret_cast<const BITMAPINFO*>(&scaledHeader);
            bits = cache_.bits();
        }
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        SetDIBitsToDevice(dc, dest.left, dest.top, DWORD(dw), DWORD(dh), 0, 0, 0, UINT(dh), bits,
                          info, DIB_RGB_COLORS);
        RestoreDC(dc, saved);
        IntersectRect(&drawn, &dest, &clip);
    }

    int captureDc(HDC src, float left, float top, float width, float height)
    {
        if (!src)
            return vximg::kErrBadArgument;
        if (core_.busy())
            return vximg::kErrBusy;
        int x, y, w, h;
        if (!vximg::roundPlace(left, x) || !vximg::roundPlace(top, y) ||
            !vximg::roundSize(width, w) || !vximg::roundSize(height, h))
            return vximg::kErrBadArgument;
        const int depth = GetDeviceCaps(src, BITSPIXEL) * GetDeviceCaps(src, PLANES);
        const bool palette = depth > 0 && depth <= 8;
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } bi = {};
        bi.header.biSize = sizeof bi.header;
        bi.header.biWidth = w;
        bi.header.biHeight = h;  // bottom-up, the core's own row order
        bi.header.biPlanes = 1;
        bi.header.biBitCount = WORD(palette ? 8 : 24);
        bi.header.biCompression = BI_RGB;
        if (palette) {
            PALETTEENTRY pe[256] = {};
            if (GetSystemPaletteEntries(src, 0, 256, pe) > 0) {
                for (int i = 0; i < 256; ++i)
                    bi.colors[i] = RGBQUAD{pe[i].peBlue, pe[i].peGreen, pe[i].peRed, 0};
            } else {
                // no palette device: GDI maps the colours onto a table of our own
                const std::vector<vximg::Bgr> table = vximg::defaultPalette(8);
                for (size_t i = 0; i < table.size(); ++i)
                    bi.colors[i] = RGBQUAD{table[i].b, table[i].g, table[i].r, 0};
            }
            bi.header.biClrUsed = 256;
        }
        void* pixels = nullptr;
        HBITMAP dib = CreateDIBSection(src, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS,
                                       &pixels, nullptr, 0);
        if (!dib || !pixels)
            return dib ? (DeleteObject(dib), vximg::kErrWindow) : vximg::kErrNoMemory;
        HDC mem = CreateCompatibleDC(src);
        int rc = vximg::kErrWindow;
        if (mem) {
            HGDIOBJ old = SelectObject(mem, dib);
            if (BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY | CAPTUREBLT)) {
                GdiFlush();
                vximg::Bitmap& b = core_.replaceBitmap(w, h, palette ? 8 : 24);
                CopyMemory(b.bits(), pixels, b.bitsSize());  // same layout: bottom-up, 4-byte rows
                if (palette) {
                    b.palette().resize(256);
                    for (int i = 0; i < 256; ++i)
                        b.palette()[size_t(i)] = vximg::Bgr{
                            bi.colors[i].rgbBlue, bi.colors[i].rgbGreen, bi.colors[i].rgbRed};
                }
                rc = vximg::kOk;
            }
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        DeleteObject(dib);
        return rc;
    }

    RECT dest_ = {}, clip_ = {};
    bool hasDest_ = false, hasClip_ = false;
    COLORREF backColor_ = 0;
    bool hasBackColor_ = false;
    bool autoRepaint_ = true;
    vximg::Bitmap cache_;
    uint64_t cacheChanges_ = ~uint64_t(0);
};

ControlPicture* fromHwnd(HWND hwnd)
{
    return reinterpret_cast<ControlPicture*>(GetWindowLongPtrW(hwnd, 0));
}

LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (msg) {
        case WM_NCCREATE: {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            // from the factory: its object; from a dialog template: one of our own
            ControlPicture* p = static_cast<ControlPicture*>(cs->lpCreateParams);
            if (!p)
                p = new (std::nothrow) ControlPicture(true);
            if (!p)
                return FALSE;
            p->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(p));
            break;
        }
        case WM_NCDESTROY: {
            ControlPicture* p = fromHwnd(hwnd);
            SetWindowLongPtrW(hwnd, 0, 0);  // no message reaches a half-gone object
            if (p) {
                p->hwnd_ = nullptr;
                if (p->ownedByWindow_)
                    p->release();
            }
            break;
        }
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers everything: no flicker
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (ControlPicture* p = fromHwnd(hwnd))
                p->paintClient(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            if (ControlPicture* p = fromHwnd(hwnd))
                p->paintClient(reinterpret_cast<HDC>(wParam));
            return 0;
        default: break;
        }
    } catch (...) {
        // nothing may unwind through user32
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

int registerClass()
{
    if (g_classRegistered)
        return 0;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = controlProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = g_module;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = VXIMAGING_WINDOW_CLASS;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return vximg::kErrWindow;
    g_classRegistered = true;
    return 0;
}

bool setValue(HKEY key, const wchar_t* name, const wchar_t* value)
{
    const DWORD bytes = DWORD((lstrlenW(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && g_classRegistered) {
        // FreeLibrary: a global class must not outlive its window procedure
        UnregisterClassW(VXIMAGING_WINDOW_CLASS, g_module);
        g_classRegistered = false;
    }
    return TRUE;
}

// Registers our class id: HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 with
// this DLL's path. 0 on success.
__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return E_FAIL;
    HKEY clsid = nullptr, server = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, VXIMAGING_CLSID_KEY, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &clsid, nullptr) != ERROR_SUCCESS)
        return kSelfRegClassError;
    bool ok = setValue(clsid, nullptr, VXIMAGING_DESCRIPTION) &&
              RegCreateKeyExW(clsid, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server,
                              nullptr) == ERROR_SUCCESS;
    if (ok)
        ok = setValue(server, nullptr, path) && setValue(server, L"ThreadingModel", L"Apartment");
    if (server)
        RegCloseKey(server);
    RegCloseKey(clsid);
    return ok ? S_OK : kSelfRegClassError;
}

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    const LSTATUS rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, VXIMAGING_CLSID_KEY);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : kSelfRegClassError;
}

__declspec(dllexport) int VxImagingInit(int apiVersion)
{
    if (apiVersion != vximg::kApiVersion)
        return vximg::kErrUnavailable;
    return registerClass();
}

__declspec(dllexport) vximg::IPictureControl* VxImagingCreate(int apiVersion, HWND parent, int id,
                                                              int x, int y, int width, int height)
{
    if (VxImagingInit(apiVersion) != 0)
        return nullptr;
    ControlPicture* p = new (std::nothrow) ControlPicture(false);
    if (!p || !parent)
        return p;
    HWND hwnd =
        CreateWindowExW(0, VXIMAGING_WINDOW_CLASS, L"", WS_CHILD | WS_VISIBLE, x, y, width, height,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_module, p);
    if (!hwnd) {
        delete p;
        return nullptr;
    }
    return p;
}

__declspec(dllexport) vximg::IPictureControl* VxImagingFromWindow(HWND window)
{
    wchar_t name[64];
    if (!window || !GetClassNameW(window, name, 64) || lstrcmpiW(name, VXIMAGING_WINDOW_CLASS) != 0)
        return nullptr;
    return fromHwnd(window);
}

}  // extern "C"
