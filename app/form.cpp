#include "app/form.h"

#include "app/errors.h"
#include "app/input_box.h"
#include "app/resource.h"
#include "app/skin.h"
#include "aol/call.h"
#include "core/lines.h"
#include "win/files.h"

#include <windowsx.h>

#include <iterator>
#include <string>

constexpr Form1::ControlDesign Form1::kControls[] = {
    // The menu glyph: opens the popup menu.
    {kImage3, 24, 13, 7, 7, Kind::Picture, IDB_MENU, &Form1::Image3_Click},
    // The close glyph: ends Snorva at once.
    {kImage2, 15, 2, 7, 7, Kind::Picture, IDB_CLOSE, &Form1::Image2_Click},
    // Lies wholly below the window's 21 rows, never seen: it only holds the loads count.
    {kLoads, 48, 64, 25, 17, Kind::Label, 0, nullptr},
    // The minutes counter, white on the strip's display box.
    {kMin, 80, 6, 25, 17, Kind::Label, 0, nullptr},
    // The title strip under everything: the drag handle (its last two rows lie outside).
    {kImage1, 0, 0, 112, 23, Kind::Picture, IDB_STRIP, &Form1::Image1_Click},
};

constexpr Form1::MenuDesign Form1::kMenu[] = {
    {0, "menu", "menu", true, 0, nullptr},
    {1, "title", "Snorva", false, IDM_TITLE, nullptr},
    {1, "split", "-", true, 0, nullptr},
    {1, "idleon", "idle on", true, IDM_IDLEON, &Form1::idleon_Click},
    {1, "idleoff", "idle off", true, IDM_IDLEOFF, &Form1::idleoff_Click},
    {1, "split3", "-", true, 0, nullptr},
    {1, "info", "info", true, 0, nullptr},
    {2, "about", "about", true, IDM_ABOUT, &Form1::about_Click},
    {1, "split2", "-", true, 0, nullptr},
    {1, "minimize", "minimize", true, IDM_MINIMIZE, &Form1::minimize_Click},
    {1, "unloaded", "unload", true, IDM_UNLOAD, &Form1::unloaded_Click},
};

namespace {

// Copies a bitmap at its own size to (x, y), clipped to width × height.
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
    OwnedDc source(CreateCompatibleDC(dc));
    SelectedObject select(source.get(), bitmap);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    BitBlt(dc, x, y, info.bmWidth < width ? info.bmWidth : width,
           info.bmHeight < height ? info.bmHeight : height, source.get(), 0, 0, SRCCOPY);
}

// Fixed pixel heights, the sizes the design's points give at 96 DPI: the strip, its labels and
// the skin are pixels too, so the counter fits its box at any DPI setting.
OwnedFont MakeFont(const char* face, int pixels) {
    return OwnedFont(CreateFontA(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, face));
}

// WM_SYSCOMMAND's command is its wParam less the four low bits the window system uses itself.
constexpr WPARAM kSysCommandMask = 0xFFF0;
// SC_MOVE with HTCAPTION in those bits: the move loop as if the caption were dragged.
constexpr WPARAM kScDragMove = SC_MOVE | HTCAPTION;

// Hands the window to the window system's move loop, as if its caption were dragged.
void DragWindow(HWND window) {
    ReleaseCapture();
    SendMessageA(window, WM_SYSCOMMAND, kScDragMove, 0);
}

} // namespace

void StayOnTop(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

Form1::Form1(HINSTANCE instance) : instance_(instance) {
    static_assert(std::size(kControls) == kControlCount, "one row of kControls per control");
    static_assert(
        [] {
            for (int i = 0; i < kControlCount; ++i)
                if (kControls[i].control != i) return false;
            return true;
        }(),
        "kControls in the order of Control");
    static_assert(
        [] {
            for (const MenuDesign& row : kMenu)
                for (const MenuDesign& other : kMenu)
                    if ((row.click && !row.command) ||
                        (&row != &other && row.command && row.command == other.command))
                        return false;
            return true;
        }(),
        "every menu row that runs a handler has a command of its own");
    for (int i = 0; i < kControlCount; ++i) {
        if (kControls[i].kind == Kind::Label) captions_[i] = L"0";
    }
}

bool Form1::Create() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_SNORVA));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_SNORVA), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc)) return false;

    for (int i = 0; i < kControlCount; ++i) {
        if (kControls[i].bitmap) {
            pictures_[i].reset(static_cast<HBITMAP>(LoadImageA(
                instance_, MAKEINTRESOURCEA(kControls[i].bitmap), IMAGE_BITMAP, 0, 0, 0)));
        }
    }
    formFont_ = MakeFont("Tahoma", 11); // 8.25 pt
    minFont_ = MakeFont("Tahoma", 9);   // 6.75 pt
    menuBar_ = BuildMenu();

    one_ = this;
    MustWaitForAol = HeldWhileWaiting;
    // Created overlapped, since only an overlapped window is given the place where the window
    // system puts new windows (a popup's default is the screen's corner); then made borderless,
    // yet with a task-bar button and a title, so a minimised window comes back.
    window_ = CreateWindowExA(WS_EX_APPWINDOW, kClassName, "Snorva", WS_OVERLAPPED, CW_USEDEFAULT,
                              CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance_, this);
    if (!window_) return false;
    SetWindowLongPtrA(window_, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(window_, nullptr, 0, 0, kWidth, kHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

OwnedMenu Form1::BuildMenu() const {
    OwnedMenu bar(CreateMenu());
    HMENU parents[3] = {bar.get(), nullptr, nullptr};
    const int count = static_cast<int>(std::size(kMenu));
    for (int i = 0; i < count; ++i) {
        const MenuDesign& item = kMenu[i];
        HMENU parent = parents[item.depth];
        bool opensSubmenu = i + 1 < count && kMenu[i + 1].depth > item.depth;
        if (opensSubmenu) {
            HMENU submenu = CreatePopupMenu();
            AppendMenuA(parent, MF_POPUP | (item.enabled ? 0 : MF_GRAYED),
                        reinterpret_cast<UINT_PTR>(submenu), item.caption);
            parents[item.depth + 1] = submenu;
        } else if (item.caption == std::string("-")) {
            AppendMenuA(parent, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(parent, MF_STRING | (item.enabled ? 0 : MF_GRAYED), item.command,
                        item.caption);
        }
    }
    return bar;
}

// Only the window's own rectangle of the region can ever show. A huge, detailed skin gives a
// region that Wine's X11 driver cannot carry (the process dies of an X error), so the rest
// goes before the window system sees it.
void Form1::ClipToWindow(HRGN region) const {
    if (!region) return;
    OwnedRegion window(CreateRectRgn(0, 0, kWidth, kHeight));
    CombineRgn(region, region, window.get(), RGN_AND);
}

void Form1::Form_Load() {
    StayOnTop(window_);
    const std::wstring skin = ProgramFolder() + L"\\gfx\\main.jpg";
    LoadBackground(skin);
    CutOutline(skin);
    InputBox(instance_, "whats your handle?", "handle"); // every line names Zibbet anyway
    idler_.Greet(captions_[kLoads]);
}

void Form1::LoadBackground(const std::wstring& skin) {
    background_ = LoadPictureFile(skin);
    InvalidateRect(window_, nullptr, FALSE);
}

void Form1::CutOutline(const std::wstring& skin) {
    HRGN region = RegionDllMakeRgn(skin, 255, 0, 255);
    ClipToWindow(region);
    SetWindowRgn(window_, region, TRUE); // the window system owns the region from here on
}

void Form1::Show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Form1*>(create->lpCreateParams)->window_ = window;
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    bool handled = false;
    if (form) {
        const MSG arrived{window, message, wParam, lParam, 0, {}};
        switch (form->WhenToRun(arrived)) {
        case Turn::Now:
            AtEventBoundary(window, [&] { handled = form->OnMessage(message, wParam, lParam); });
            break;
        case Turn::AfterAolAnswers: // sent while Snorva waits: it waits as what is posted does
            if (!HeldMessages::Hold(arrived)) EndOutOfMemory(window);
            return 0;
        case Turn::Never:
            break;
        }
    }
    return handled ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

// The one rule for when what a message asks of Snorva runs.
// - A log-off always ends Snorva at once: Windows may end the process any time after, AOL may be
//   gone already, and no box may stand in the way.
// - Under a run-time error's box the window only paints; no click, tick or command runs.
// - While Snorva waits for AOL, every click, command and tick waits until AOL has answered, and
//   so do the system commands that would run a loop of the window system's own (move, size,
//   the system menu); then they run in the order they came. The close glyph, Alt+F4, the task
//   bar's Close and WM_CLOSE end Snorva at once; painting, minimising, restoring, the screen
//   saver and whatever the window system asks of the window go on.
Form1::Turn Form1::WhenToRun(const MSG& message) const {
    if (message.message == WM_ENDSESSION) return Turn::Now;
    if (ProgramEnding()) return message.message == WM_PAINT ? Turn::Now : Turn::Never;
    if (!WaitingForAol()) return Turn::Now;
    const POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    bool waits = false;
    switch (message.message) {
    case WM_LBUTTONDOWN:
        waits = HitTest(point) != kImage2;
        break;
    case WM_LBUTTONUP:
        waits = pressed_ != kImage2;
        break;
    case WM_COMMAND:
    case WM_TIMER:
        waits = true;
        break;
    case WM_SYSCOMMAND:
        switch (message.wParam & kSysCommandMask) {
        case SC_CLOSE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_RESTORE:
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            break;
        default:
            waits = true;
        }
        break;
    }
    return waits ? Turn::AfterAolAnswers : Turn::Now;
}

bool Form1::HeldWhileWaiting(const MSG& message) {
    // Only Snorva's window decides for itself; what a popup or a box is sent waits for its loop.
    // Known by its handle: other software may put its own procedure in front of ours.
    return !one_ || message.hwnd != one_->window_ ||
           one_->WhenToRun(message) == Turn::AfterAolAnswers;
}

bool Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_ERASEBKGND:
        return true; // the paint covers every pixel
    case WM_LBUTTONDOWN:
        OnButtonDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return true;
    case WM_LBUTTONUP:
        OnButtonUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return true;
    case WM_CAPTURECHANGED:
        pressed_ = -1;
        return true;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return true;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_ENDSESSION: // under an error's box too: then the status is the error's
        if (wParam) ExitProcess(ExitStatus());
        return true;
    case WM_DESTROY:
        // Closed from outside (WM_CLOSE, Alt+F4, the task bar): the program ends here and now,
        // whichever loop is running. A quit posted instead could be taken by an inner loop that
        // never posts it again (the window system's move loop does so under Wine), leaving a
        // process without a window.
        ExitProcess(0);
    }
    return false;
}

void Form1::OnPaint() {
    PaintDc paint(window_);
    HDC dc = paint.Get();
    if (background_) DrawBitmap(dc, background_.get(), 0, 0, 0x7FFF, 0x7FFF);
    for (int i = kControlCount - 1; i >= 0; --i)
        DrawControl(dc, i);
}

void Form1::DrawControl(HDC dc, int control) const {
    const ControlDesign& design = kControls[control];
    if (design.kind == Kind::Picture) {
        if (pictures_[control])
            DrawBitmap(dc, pictures_[control].get(), design.x, design.y, design.width,
                       design.height);
        return;
    }
    // One line, left-aligned, cut off at the label's edges; the strip shows through.
    RECT bounds{design.x, design.y, design.x + design.width, design.y + design.height};
    SelectedObject font(dc, control == kMin ? minFont_.get() : formFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, control == kMin ? RGB(255, 255, 255) : RGB(0, 0, 0));
    const std::wstring& caption = captions_[control];
    ExtTextOutW(dc, bounds.left, bounds.top, ETO_CLIPPED, &bounds, caption.c_str(),
                static_cast<UINT>(caption.size()), nullptr);
}

int Form1::HitTest(POINT point) const {
    for (int i = 0; i < kControlCount; ++i) {
        const ControlDesign& c = kControls[i];
        if (point.x >= c.x && point.x < c.x + c.width && point.y >= c.y && point.y < c.y + c.height)
            return i;
    }
    return -1;
}

// A click is a press and a release over the same control; the capture keeps the release ours
// even when the pointer has left the window.
void Form1::OnButtonDown(POINT point) {
    pressed_ = HitTest(point);
    if (pressed_ >= 0) SetCapture(window_);
}

void Form1::OnButtonUp(POINT point) {
    const int pressed = pressed_;
    pressed_ = -1;
    if (GetCapture() == window_) ReleaseCapture();
    clickedAt_ = point;
    if (pressed >= 0 && HitTest(point) == pressed && kControls[pressed].click)
        (this->*kControls[pressed].click)();
}

void Form1::OnCommand(int command) {
    for (const MenuDesign& item : kMenu) {
        if (item.command == command && item.click) (this->*item.click)();
    }
}

void Form1::OnTimer(UINT_PTR id) {
    // Like the toolkit's timer: no tick while it is disabled, whatever message comes.
    if (id == kTimer1 && timer1Enabled_) Timer1_Timer();
}

void Form1::SetCaption(int control, const std::wstring& caption) {
    captions_[control] = caption;
    const ControlDesign& c = kControls[control];
    RECT bounds{c.x, c.y, c.x + c.width, c.y + c.height};
    // The strip under a transparent label must be drawn again too.
    InvalidateRect(window_, &bounds, FALSE);
    UpdateWindow(window_);
}

void Form1::Image1_Click() {
    DragWindow(window_);
}

void Form1::Image2_Click() {
    ExitProcess(0);
}

void Form1::Image3_Click() {
    // Where the click was: one that waited for AOL comes when the pointer may be elsewhere.
    POINT at = clickedAt_;
    ClientToScreen(window_, &at);
    // A popup closes on a click outside it only while its owner is the foreground window. A
    // click that waited for AOL while the user went on in another program finds that program in
    // front, and Windows refuses Snorva the foreground (it flashes the task-bar button instead):
    // then no menu opens, as the user's click elsewhere would have closed it.
    if (!SetForegroundWindow(window_) && GetForegroundWindow() != window_) return;
    // The chosen command arrives afterwards as WM_COMMAND, its own event.
    TrackPopupMenu(GetSubMenu(menuBar_.get(), 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0,
                   window_, nullptr);
    // The switch back to Snorva that a popup shown from the background needs, or the next one
    // may close as soon as it opens.
    PostMessageA(window_, WM_NULL, 0, 0);
}

// Switching on while on keeps the running minute: the ticks stay one minute apart.
void Form1::idleon_Click() {
    if (!timer1Enabled_) SetTimer(window_, kTimer1, kTimer1Interval, nullptr);
    timer1Enabled_ = true;
    idler_.Engage();
}

void Form1::idleoff_Click() {
    KillTimer(window_, kTimer1);
    timer1Enabled_ = false;
    idler_.Disengage();
}

void Form1::about_Click() {
    MessageBoxA(window_, "i made this because i need an AOL8+win98 idler. iface by ME! -zibbet",
                "Snorva", MB_OK);
}

void Form1::minimize_Click() {
    ShowWindow(window_, SW_MINIMIZE);
}

void Form1::unloaded_Click() {
    idler_.Unload(captions_[kLoads]);
    ExitProcess(0);
}

// The counter rises first; the tick's line then reads it back.
void Form1::Timer1_Timer() {
    SetCaption(kMin, lines::CounterText(lines::CounterValue(captions_[kMin]) + 1));
    idler_.Tick(captions_[kMin]);
}
