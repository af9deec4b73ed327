// VxImaging.dll driven as the program drives it: found at run time, self
// registration under our class id, pictures created through the factory,
// the control window painting its picture (read back with GetPixel from a
// memory DC) and grabbing a rectangle of a device context.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "imaging/tests/TestSupport.h"
#include "imaging/win/ImagingControl.h"

using namespace vxtest;

namespace {

std::wstring modulePath(HMODULE m)
{
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(m, buf, MAX_PATH);
    return std::wstring(buf, n);
}

bool keyExists(const wchar_t* path)
{
    HKEY k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

// Four quadrants: red, green / blue, white (top-left first).
Image quadrants(int w, int h)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            const bool right = x >= w / 2, bottom = y >= h / 2;
            if (!right && !bottom)
                p[0] = 255;
            if (right && !bottom)
                p[1] = 255;
            if (!right && bottom)
                p[2] = 255;
            if (right && bottom)
                p[0] = p[1] = p[2] = 255;
        }
    return img;
}

std::vector<uint8_t> asBmp(const Image& img)
{
    BmpLayout s;
    s.width = img.width;
    s.height = img.height;
    return buildBmp(s, encodeRgbRows(img, 24, nullptr, false));
}

Image dibImage(vximg::IPicture* p)
{
    std::vector<uint8_t> dib(p->dibSize());
    EXPECT_EQ(p->copyDib(dib.data(), dib.size()), vximg::kOk);
    Image img;
    EXPECT_TRUE(imageFromDib(dib.data(), dib.size(), img));
    return img;
}

// A memory DC with a 24-bit DIB section of w x h; GetPixel reads it back.
struct MemoryCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    MemoryCanvas(int w, int h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~MemoryCanvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void fill(int l, int t, int r, int b, COLORREF c)
    {
        RECT rc = {l, t, r, b};
        HBRUSH br = CreateSolidBrush(c);
        FillRect(dc, &rc, br);
        DeleteObject(br);
    }
};

struct Parent {
    HWND hwnd;
    Parent()
    {
        hwnd = CreateWindowExW(0, L"STATIC", L"imaging test", WS_POPUP, 0, 0, 300, 200, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Parent() { DestroyWindow(hwnd); }
};

constexpr COLORREF kBack = RGB(10, 20, 30);

}  // namespace

TEST(Loader, MissingDllIsAResultNotACrash)
{
    vximg::ImagingLibrary lib;
    EXPECT_FALSE(lib.open(L"NoSuchImagingComponent.dll"));
    EXPECT_FALSE(lib.isOpen());
    EXPECT_EQ(lib.createWindowless(), nullptr);
    EXPECT_NE(lib.registerServer(), S_OK);
}

TEST(Loader, FindsEveryEntry)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    for (const char* name :
         {VXIMAGING_ENTRY_REGISTER, VXIMAGING_ENTRY_UNREGISTER, VXIMAGING_ENTRY_INIT,
          VXIMAGING_ENTRY_CREATE, VXIMAGING_ENTRY_FROM_WINDOW})
        EXPECT_NE(GetProcAddress(lib.module(), name), nullptr) << name;
    auto create = reinterpret_cast<vximg::VxImagingCreateFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(lib.module(), VXIMAGING_ENTRY_CREATE)));
    EXPECT_EQ(create(vximg::kApiVersion + 100, nullptr, 0, 0, 0, 0, 0),
              nullptr);  // a stale caller is refused
}

TEST(Registration, OurClassIdPointsAtOurDll)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    const std::wstring server = std::wstring(VXIMAGING_CLSID_KEY) + L"\\InprocServer32";
    const bool before = keyExists(VXIMAGING_CLSID_KEY);
    ASSERT_EQ(lib.registerServer(), S_OK);
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value;
    ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, server.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                           value, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(lstrcmpiW(value, modulePath(lib.module()).c_str()), 0);
    bytes = sizeof value;
    ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, server.c_str(), L"ThreadingModel", RRF_RT_REG_SZ,
                           nullptr, value, &bytes),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, L"Apartment");
    if (!before) {  // leave the prefix as we found it
        auto unreg = reinterpret_cast<vximg::VxImagingRegisterFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(lib.module(), VXIMAGING_ENTRY_UNREGISTER)));
        EXPECT_EQ(unreg(), S_OK);
        EXPECT_FALSE(keyExists(VXIMAGING_CLSID_KEY));
    }
}

TEST(Windowless, LoadsJpegAndBmpFromUnicodePaths)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    vximg::IPictureControl* p = lib.createWindowless();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->window(), nullptr);
    const Image src = makeTestPicture(161, 97);
    // a Japanese file name: the UTF-8 path must reach the wide file API
    const std::string dir = tempDir() + "\\";
    const std::wstring wdir(dir.begin(), dir.end());
    const std::pair<std::vector<uint8_t>, const char*> files[] = {
        {encodeJpeg(src, 92, false, false), "jpg"}, {asBmp(src), "bmp"}};
    for (const auto& f : files) {
        const std::wstring wide = wdir + L"\u5199\u771f." + std::wstring(f.second, f.second + 3);
        FILE* out = _wfopen(wide.c_str(), L"wb");
        ASSERT_NE(out, nullptr);
        fwrite(f.first.data(), 1, f.first.size(), out);
        fclose(out);
        const std::string utf8 = dir + "\xE5\x86\x99\xE7\x9C\x9F." + f.second;
        ASSERT_EQ(p->load(utf8.c_str()), vximg::kOk) << f.second;
        EXPECT_EQ(p->width(), 161);
        EXPECT_EQ(p->height(), 97);
        EXPECT_EQ(p->bitsPerPixel(), 24);
        const Image back = dibImage(p);
        if (f.second[0] == 'b') {
            EXPECT_EQ(maxDifference(back, src), 0);
        } else {
            EXPECT_GT(psnr(back, src), 30.0);
        }
    }
    EXPECT_EQ(p->load((dir + "missing.jpg").c_str()), vximg::kErrFileOpen);
    p->release();
}

TEST(Window, PaintsIntoDestinationAndClip)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    Parent parent;
    ASSERT_NE(parent.hwnd, nullptr);
    vximg::IPictureControl* c = lib.create(parent.hwnd, 1633, 0, 0, 120, 90);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->window(), nullptr);
    EXPECT_EQ(GetDlgCtrlID(c->window()), 1633);
    EXPECT_EQ(lib.fromWindow(c->window()), c);
    const auto bmp = asBmp(quadrants(40, 30));
    ASSERT_EQ(c->loadMemory(bmp.data(), bmp.size()), vximg::kOk);
    c->setBackColor(kBack);
    MemoryCanvas canvas(120, 90);
    auto paint = [&] {
        canvas.fill(0, 0, 120, 90, RGB(1, 2, 3));
        SendMessageW(c->window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc), PRF_CLIENT);
    };
    // one to one at (10, 5)
    c->setDisplayRect(10, 5, 40, 30);
    paint();
    EXPECT_EQ(GetPixel(canvas.dc, 15, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 45, 10), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 15, 30), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 45, 30), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 5, 5), kBack);
    EXPECT_EQ(GetPixel(canvas.dc, 60, 50), kBack);
    // twice the size at the origin
    c->setDisplayRect(0, 0, 80, 60);
    paint();
    EXPECT_EQ(GetPixel(canvas.dc, 20, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 60, 15), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 20, 45), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 60, 45), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 100, 70), kBack);
    // clipped to the top-left quarter of the destination
    c->setDisplayClip(0, 0, 40, 30);
    paint();
    EXPECT_EQ(GetPixel(canvas.dc, 20, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 60, 15), kBack);
    EXPECT_EQ(GetPixel(canvas.dc, 20, 45), kBack);
    c->release();
}

TEST(Window, ScaledDisplayOfALoadedJpegKeepsItsTrueSize)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    Parent parent;
    vximg::IPictureControl* c = lib.create(parent.hwnd, 1633, 0, 0, 160, 120);
    ASSERT_NE(c, nullptr);
    const auto jpg = encodeJpeg(quadrants(1600, 1200), 90, false, false);
    ASSERT_EQ(c->loadMemory(jpg.data(), jpg.size()), vximg::kOk);
    c->setDisplayRect(0, 0, 160, 120);
    MemoryCanvas canvas(160, 120);
    SendMessageW(c->window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc), PRF_CLIENT);
    const COLORREF tl = GetPixel(canvas.dc, 40, 30), br = GetPixel(canvas.dc, 120, 90);
    EXPECT_GT(GetRValue(tl), 240);
    EXPECT_LT(GetBValue(tl), 15);
    EXPECT_GT(GetBValue(br), 240);
    EXPECT_EQ(c->width(), 1600);  // displaying did not shrink the picture
    EXPECT_EQ(c->height(), 1200);
    c->release();
}

TEST(Window, CapturesARectangleOfADeviceContext)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    vximg::IPictureControl* c = lib.createWindowless();
    ASSERT_NE(c, nullptr);
    MemoryCanvas screen(64, 48);
    screen.fill(0, 0, 32, 48, RGB(200, 0, 0));
    screen.fill(32, 0, 64, 48, RGB(0, 0, 220));
    SetPixel(screen.dc, 50, 40, RGB(0, 255, 0));
    ASSERT_EQ(c->capture(screen.dc, 30, 20, 30, 25), vximg::kOk);
    EXPECT_EQ(c->width(), 30);
    EXPECT_EQ(c->height(), 25);
    const int bits = c->bitsPerPixel();
    EXPECT_TRUE(bits == 24 || bits == 8);
    const Image img = dibImage(c);
    EXPECT_EQ(img.at(0, 0)[0], 200);
    EXPECT_EQ(img.at(5, 0)[2], 220);
    EXPECT_EQ(img.at(20, 20)[1], 255);
    EXPECT_EQ(img.at(20, 20)[0], 0);
    // and saved at the capture's depth, as the capture files are
    const std::string path = tempDir() + "\\cap0001.bmp";
    ASSERT_EQ(c->saveBmp(path.c_str(), bits), vximg::kOk);
    vximg::IPictureControl* back = lib.createWindowless();
    ASSERT_EQ(back->load(path.c_str()), vximg::kOk);
    EXPECT_EQ(maxDifference(dibImage(back), img), 0);
    back->release();
    EXPECT_EQ(c->capture(nullptr, 0, 0, 10, 10), vximg::kErrBadArgument);
    EXPECT_EQ(c->capture(screen.dc, 0, 0, 0, 10), vximg::kErrBadArgument);
    c->release();
}

TEST(Window, DialogTemplateControlOwnsItsPicture)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    Parent parent;
    // what a dialog template with our class name does
    HWND h = CreateWindowExW(0, VXIMAGING_WINDOW_CLASS, L"", WS_CHILD, 0, 0, 50, 40, parent.hwnd,
                             reinterpret_cast<HMENU>(1649), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(h, nullptr);
    vximg::IPictureControl* c = lib.fromWindow(h);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->createBlank(1, 1, 1), vximg::kOk);
    EXPECT_EQ(c->bitsPerPixel(), 1);
    EXPECT_EQ(lib.fromWindow(parent.hwnd), nullptr);  // not one of ours
    EXPECT_TRUE(DestroyWindow(h));
}

namespace {
int countEvents(void* user, int)
{
    ++*static_cast<int*>(user);
    return 1;
}
}  // namespace

TEST(Window, ProgressEventsCrossTheDll)
{
    vximg::ImagingLibrary lib;
    ASSERT_TRUE(lib.open());
    vximg::IPictureControl* c = lib.createWindowless();
    int events = 0;
    c->setProgressCallback(countEvents, &events);
    c->enableProgress(true);
    const auto jpg = encodeJpeg(makeTestPicture(800, 600), 85, false, false);
    ASSERT_EQ(c->loadMemory(jpg.data(), jpg.size()), vximg::kOk);
    ASSERT_EQ(c->resize(640, 480, vximg::kResizeResample), vximg::kOk);
    EXPECT_GT(events, 3);
    c->release();
}
