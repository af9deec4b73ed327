#include "testsupport/win/MessageBoxWatcher.h"

#include <algorithm>
#include <chrono>

namespace {

// The text the window keeps, read without a message: a message sent to the
// watched thread while it runs the box's loop can wait forever under Wine.
std::wstring windowText(HWND window)
{
    std::wstring text(256, L'\0');
    for (;;) {
        const int got = ::InternalGetWindowText(window, &text[0], static_cast<int>(text.size()));
        if (got < 0 || static_cast<size_t>(got) + 1 < text.size()) {
            text.resize(got > 0 ? static_cast<size_t>(got) : 0);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

std::wstring className(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

struct Statics {
    std::wstring text;
    HICON icon = nullptr;
    bool complete = true;  // false: a control did not answer in time
};

BOOL CALLBACK visitChild(HWND child, LPARAM param)
{
    auto* found = reinterpret_cast<Statics*>(param);
    if (_wcsicmp(className(child).c_str(), L"Static") != 0)
        return TRUE;
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        if (::SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 200, &icon) != 0)
            found->icon = reinterpret_cast<HICON>(icon);
        else
            found->complete = false;
    } else {
        const std::wstring text = windowText(child);
        if (text.size() > found->text.size())
            found->text = text;
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int button)
    : threadId_(::GetCurrentThreadId()), button_(button), thread_([this] { run(); })
{}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop();
}

std::vector<SeenBox> MessageBoxWatcher::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::run()
{
    // A box that nobody answers would hang the test: give up after a minute.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!stopping_ && std::chrono::steady_clock::now() < deadline) {
        ::EnumThreadWindows(threadId_, &MessageBoxWatcher::visit, reinterpret_cast<LPARAM>(this));
        ::Sleep(20);
    }
}

BOOL CALLBACK MessageBoxWatcher::visit(HWND window, LPARAM self)
{
    auto* watcher = reinterpret_cast<MessageBoxWatcher*>(self);
    if (className(window) == L"#32770" && ::IsWindowVisible(window))
        watcher->answer(window);
    return TRUE;
}

void MessageBoxWatcher::answer(HWND box)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answered_.erase(std::remove_if(answered_.begin(), answered_.end(),
                                       [](HWND w) { return !::IsWindow(w); }),
                        answered_.end());
        if (std::find(answered_.begin(), answered_.end(), box) != answered_.end())
            return;
    }
    Statics statics;
    ::EnumChildWindows(box, visitChild, reinterpret_cast<LPARAM>(&statics));
    if (!statics.complete) {
        // Looked at again on the next round; a posted message wakes a queue
        // that missed the sent one.
        ::PostMessageW(box, WM_NULL, 0, 0);
        return;
    }
    SeenBox seen;
    seen.caption = windowText(box);
    seen.owner = ::GetWindow(box, GW_OWNER);
    seen.text = statics.text;
    seen.icon = statics.icon;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND b = ::GetDlgItem(box, id);
        if (!b || !::IsWindowVisible(b))
            continue;
        seen.buttons.push_back(id);
        // The default button is drawn as such; the dialog's own default id is
        // not kept up to date by every implementation.
        if ((::GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            seen.defaultButton = id;
    }
    seen.pressed = button_;
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button_)));
    std::lock_guard<std::mutex> lock(mutex_);
    answered_.push_back(box);
    seen_.push_back(seen);
}
