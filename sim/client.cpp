#include "sim/client.h"

#include "sim/sim.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

namespace sim {

enum class Role {
    Input,           // a room's chat input: WM_SETTEXT, then WM_CHAR 13 sends the line
    View,            // a room's conversation: read-only, posts nothing
    Plain,           // any other control: holds a text and answers for it
    TransferStatic1, // the transfer window's first static, which counts its reads
};

enum class Look { Edit, Conversation, List, Icon, Label };

struct ControlState {
    Client* client = nullptr;
    Role role = Role::Plain;
    Look look = Look::Label;
    std::string text; // bytes, NULs included; answered by WM_GETTEXT in full
    int extra = 0;    // WM_GETTEXTLENGTH answers this much more than the text
    std::string room; // the room of an input or view
};

struct ChildState {
    std::string caption; // bytes, NULs included
    int extra = 0;
    int percent = -1; // a progress bar is painted when 0..100
    Client* client = nullptr;
};

namespace {

constexpr char kFrameClass[] = "AOL Frame25";
constexpr char kChildClass[] = "AOL Child";
constexpr char kRichClass[] = "RICHCNTL";
constexpr char kListClass[] = "_AOL_Listbox";
constexpr char kIconClass[] = "_AOL_Icon";
constexpr char kStaticClass[] = "_AOL_Static";
constexpr UINT kHangMessage = WM_APP + 1;
constexpr UINT_PTR kTransferTimer = 1;
constexpr UINT kFirstMenuId = 100;
constexpr size_t kPaintedBytes = 8192; // huge texts are answered in full but painted in part

// ---- Small Win32 helpers -------------------------------------------------------------------

struct PaintScope {
    explicit PaintScope(HWND hwnd) : hwnd(hwnd), dc(BeginPaint(hwnd, &ps)) {
        GetClientRect(hwnd, &client);
    }
    ~PaintScope() { EndPaint(hwnd, &ps); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HWND hwnd;
    PAINTSTRUCT ps{};
    HDC dc;
    RECT client{};
};

struct SelectScope {
    SelectScope(HDC dc, HGDIOBJ object) : dc(dc), old(SelectObject(dc, object)) {}
    ~SelectScope() { SelectObject(dc, old); }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    HDC dc;
    HGDIOBJ old;
};

struct GdiDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using Brush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;

template <typename State> State* StateOf(HWND hwnd) {
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The text up to its first NUL, as far as it is worth painting.
std::string Paintable(const std::string& text) {
    return text.substr(0, std::min({text.find('\0'), text.size(), kPaintedBytes}));
}

// The room shows a line as the AOL client renders it: its markup tags are not shown.
std::string WithoutMarkup(const std::string& text) {
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t close = text[i] == '<' ? text.find('>', i) : std::string::npos;
        if (close == std::string::npos)
            shown += text[i];
        else
            i = close;
    }
    return shown;
}

// A length no window could have is answered as the largest an int holds.
LRESULT AnswerTextLength(const std::string& text, int extra) {
    return static_cast<LRESULT>(std::min<long long>(static_cast<long long>(text.size()) + extra,
                                                    std::numeric_limits<int>::max()));
}

// Every hang: blocks the calling thread for `ms`, or until a test releases it (sim::Release),
// whichever comes first. Create makes the event, so that a release before the hang is kept.
void Hang(DWORD ms) {
    static const HANDLE release = CreateEventA(nullptr, FALSE, FALSE, kReleaseEvent);
    WaitForSingleObject(release, ms);
}

// WM_GETTEXT: at most size - 1 bytes and a NUL, NULs inside the text included.
LRESULT AnswerText(const std::string& text, WPARAM size, LPARAM buffer) {
    if (size == 0 || buffer == 0) return 0;
    size_t n = std::min<size_t>(text.size(), size - 1);
    char* out = reinterpret_cast<char*>(buffer);
    std::copy_n(text.data(), n, out);
    out[n] = '\0';
    return static_cast<LRESULT>(n);
}

// The caption shown by the window system stops at the first NUL; ours answers in full.
void SetCaption(HWND child, const std::string& caption) {
    SetWindowTextA(child, caption.c_str());
    if (ChildState* state = StateOf<ChildState>(child)) state->caption = caption;
}

void SetControlText(HWND control, const std::string& text) {
    if (ControlState* state = StateOf<ControlState>(control)) state->text = text;
    InvalidateRect(control, nullptr, TRUE);
}

// Places the windows so that FindWindowExA meets them in this order (topmost first).
void StackInOrder(const std::vector<HWND>& order) {
    constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    HWND after = HWND_TOP;
    for (HWND hwnd : order) {
        if (!hwnd) continue;
        SetWindowPos(hwnd, after, 0, 0, 0, 0, flags);
        after = hwnd;
    }
}

void DestroyAndForget(HWND& hwnd) {
    if (hwnd) DestroyWindow(hwnd);
    hwnd = nullptr;
}

std::string Percent(int percent) {
    return std::to_string(percent) + "%";
}

std::string TimeLeft(int minutes) {
    if (minutes < 1) return "less than a minute remaining.";
    if (minutes == 1) return "about 1 minute remaining.";
    return "about " + std::to_string(minutes) + " minutes remaining.";
}

// ---- Painting ------------------------------------------------------------------------------

void PaintControl(HWND hwnd, const ControlState& state) {
    PaintScope paint(hwnd);
    SelectScope font(paint.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(paint.dc, TRANSPARENT);
    RECT r = paint.client;
    std::string text = Paintable(state.text);
    switch (state.look) {
    case Look::Edit:
        FrameRect(paint.dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -4, -2);
        DrawTextA(paint.dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        break;
    case Look::Conversation: {
        // Newest lines at the bottom, older ones scrolled out at the top.
        text = WithoutMarkup(text);
        InflateRect(&r, -4, -2);
        RECT need = r;
        constexpr UINT wrap = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
        DrawTextA(paint.dc, text.c_str(), -1, &need, wrap | DT_CALCRECT);
        int height = need.bottom - need.top;
        if (height > r.bottom - r.top) r.top = r.bottom - height;
        DrawTextA(paint.dc, text.c_str(), -1, &r, wrap);
        break;
    }
    case Look::List:
        FrameRect(paint.dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -4, -2);
        DrawTextA(paint.dc, text.c_str(), -1, &r, DT_NOPREFIX);
        break;
    case Look::Icon:
        DrawEdge(paint.dc, &r, EDGE_RAISED, BF_RECT);
        DrawTextA(paint.dc, text.c_str(), -1, &r,
                  DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        break;
    case Look::Label:
        DrawTextA(paint.dc, text.c_str(), -1, &r, DT_NOPREFIX | DT_END_ELLIPSIS);
        break;
    }
}

void PaintChild(HWND hwnd, const ChildState& state) {
    PaintScope paint(hwnd);
    if (state.percent < 0) return;
    RECT bar = paint.client;
    InflateRect(&bar, -10, 0);
    bar.top = bar.bottom - 22;
    bar.bottom -= 8;
    FrameRect(paint.dc, &bar, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&bar, -2, -2);
    bar.right = bar.left + (bar.right - bar.left) * std::clamp(state.percent, 0, 100) / 100;
    Brush fill(CreateSolidBrush(RGB(0, 0x99, 0xFF)));
    FillRect(paint.dc, &bar, fill.get());
}

// ---- Window procedures ---------------------------------------------------------------------

const char* RoleName(Role role) {
    switch (role) {
    case Role::Input:
        return "input";
    case Role::View:
        return "view";
    case Role::TransferStatic1:
        return "transfer static";
    default:
        return "control";
    }
}

// Inputs, views and the transfer window's first static know their client; other controls are
// not watched.
void Note(const ControlState& state, UINT message, const char* hangPoint = "") {
    if (state.client) state.client->OnMessage(RoleName(state.role), message, hangPoint);
}

LRESULT OnControlTextAsked(ControlState& state, UINT message, WPARAM wp, LPARAM lp) {
    const bool transfer = state.role == Role::TransferStatic1;
    Note(state, message, transfer && message == WM_GETTEXTLENGTH ? "read" : "");
    // Each read of a text begins with its length: counted there, since Wine asks for the text
    // itself too when it carries the length to another process.
    if (message == WM_GETTEXT) return AnswerText(state.text, wp, lp);
    // Closing destroys this control and its state: touch neither afterwards.
    if (state.role == Role::TransferStatic1 && !state.client->OnTransferStatic1Asked()) return 0;
    return AnswerTextLength(state.text, state.extra);
}

LRESULT OnControlSetText(HWND hwnd, ControlState& state, const char* text) {
    Note(state, WM_SETTEXT, "text");
    if (state.role == Role::View) return FALSE;                                      // read-only
    if (state.role == Role::Input && !state.client->OnInputText(state)) return TRUE; // closed
    state.text = text ? text : "";
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

void OnControlChar(HWND hwnd, ControlState& state, char c) {
    Note(state, WM_CHAR, c == '\r' ? "enter" : "");
    if (state.role != Role::Input) return;
    if (c == '\r') {
        state.client->OnEnter(state);
    } else if (c == '\b') {
        if (!state.text.empty()) state.text.pop_back();
    } else {
        state.text += c;
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    ControlState* state = StateOf<ControlState>(hwnd);
    if (!state) return DefWindowProcA(hwnd, message, wp, lp);
    switch (message) {
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT:
        return OnControlTextAsked(*state, message, wp, lp);
    case WM_SETTEXT:
        return OnControlSetText(hwnd, *state, reinterpret_cast<const char*>(lp));
    case WM_CHAR:
        OnControlChar(hwnd, *state, static_cast<char>(wp));
        return 0;
    case WM_PAINT:
        PaintControl(hwnd, *state);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        delete state;
        break;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    ChildState* state = StateOf<ChildState>(hwnd);
    if (!state) return DefWindowProcA(hwnd, message, wp, lp);
    switch (message) {
    case WM_GETTEXTLENGTH:
        state->client->OnMessage("child", message);
        return AnswerTextLength(state->caption, state->extra);
    case WM_GETTEXT:
        state->client->OnMessage("child", message);
        return AnswerText(state->caption, wp, lp);
    case WM_SETTEXT:
        state->caption = lp ? reinterpret_cast<const char*>(lp) : "";
        break;
    case WM_PAINT:
        PaintChild(hwnd, *state);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        delete state;
        break;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    Client* client = StateOf<Client>(hwnd);
    HWND mdi = client ? client->Mdi() : nullptr;
    if (!client) return DefFrameProcA(hwnd, mdi, message, wp, lp);
    switch (message) {
    case WM_CREATE: {
        CLIENTCREATESTRUCT mdiCreate{nullptr, 0xFF00};
        client->OnMdiClientCreated(
            CreateWindowExA(WS_EX_CLIENTEDGE, "MDIClient", nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                            hwnd, nullptr, GetModuleHandleA(nullptr), &mdiCreate));
        return 0;
    }
    case WM_COPYDATA:
        return client->OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case WM_TIMER:
        if (wp == kTransferTimer) client->OnTimer();
        return 0;
    case kHangMessage:
        Hang(static_cast<DWORD>(wp));
        return 0;
    case WM_NULL:
        client->OnMessage("frame", message, "menu");
        return 0;
    case WM_DESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        PostQuitMessage(0);
        return 0;
    }
    return DefFrameProcA(hwnd, mdi, message, wp, lp);
}

void RegisterClasses() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto add = [&](const char* name, WNDPROC proc, int background) {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(background);
        wc.lpszClassName = name;
        RegisterClassA(&wc); // fails harmlessly when a client ran before in this process
    };
    add(kFrameClass, FrameProc, COLOR_APPWORKSPACE);
    add(kChildClass, ChildProc, COLOR_BTNFACE);
    add(kRichClass, ControlProc, COLOR_WINDOW);
    add(kListClass, ControlProc, COLOR_WINDOW);
    add(kIconClass, ControlProc, COLOR_BTNFACE);
    add(kStaticClass, ControlProc, COLOR_BTNFACE);
}

HWND MakeControl(HWND parent, const char* cls, ControlState state, RECT r) {
    auto* owned = new ControlState(std::move(state));
    HWND hwnd =
        CreateWindowExA(0, cls, Paintable(owned->text).c_str(),
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, parent, nullptr, GetModuleHandleA(nullptr), owned);
    if (!hwnd) delete owned; // no WM_NCCREATE took it
    return hwnd;
}

ControlState Plain(Look look, std::string text) {
    ControlState state;
    state.look = look;
    state.text = std::move(text);
    return state;
}

// ---- Menu bars -----------------------------------------------------------------------------

std::vector<MenuBarItem> StandardMenu(const std::string& version) {
    std::vector<MenuBarItem> bar = {
        {"File", true, {"New", "Open...", "Save", "Print...", "Exit"}},
        {"Edit", true, {"Undo", "Cut", "Copy", "Paste", "Select All"}},
    };
    auto add = [&](std::string text, std::vector<std::string> items) {
        bar.push_back({std::move(text), true, std::move(items)});
    };
    if (version == "2.5" || version == "3.0") {
        add("Go To", {"Welcome", "Keyword...", "Lobby"});
        if (version == "3.0") add("Services", {"People Connection", "Channels"});
        add("Mail", {"Compose Mail", "Read New Mail"});
        add("Members", {"Send Instant Message", "Get a Member's Profile"});
        add("Window", {"Cascade", "Tile", "Close All"});
        add("Help", {"Help Topics", "About America Online..."});
    } else if (version == "unknown") {
        add("Print", {"Print...", "Print Setup..."});
        add("Window", {"Cascade", "Tile", "Close All"});
        add("Help", {"Help Topics", "About America Online..."});
    } else { // 4.0 to 8.0
        add("Print", {"Print...", "Print Setup..."});
        add("Window", {"Cascade", "Tile", "Close All"});
        add("Sign Off", {"Sign Off", "Switch Screen Name"});
        add("Help",
            {"Help Topics", "Keyboard Shortcuts", "About America Online (AOL " + version + ")..."});
    }
    return bar;
}

// A custom menu replaces the standard bar, so the version alone does not change it.
bool SameMenuBar(const MenuOptions& a, const MenuOptions& b) {
    if (!a.custom.empty() && !b.custom.empty()) return a.custom == b.custom;
    return a == b;
}

// Every item gets its own command identifier (kept below 0x10000, as menus expect).
HMENU BuildMenuBar(const std::vector<MenuBarItem>& items) {
    HMENU bar = CreateMenu();
    UINT next = 0;
    auto id = [&] { return kFirstMenuId + next++ % (0xFFFF - kFirstMenuId); };
    for (const MenuBarItem& item : items) {
        if (!item.hasSubmenu) {
            AppendMenuA(bar, MF_STRING, id(), item.text.c_str());
            continue;
        }
        HMENU sub = CreatePopupMenu();
        for (const std::string& text : item.items)
            AppendMenuA(sub, MF_STRING, id(), text.c_str());
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item.text.c_str());
    }
    return bar;
}

} // namespace

// ---- Client --------------------------------------------------------------------------------

Client::Client(Options options) : options_(std::move(options)) {}

Client::~Client() {
    if (frame_ && IsWindow(frame_)) {
        SetWindowLongPtrA(frame_, GWLP_USERDATA, 0);
        DestroyWindow(frame_);
    }
}

bool Client::Create() {
    Hang(0); // the release event now: a release that comes before the first hang is kept
    RegisterClasses();
    options_.help = false;
    frame_ =
        CreateWindowExA(0, kFrameClass, "America Online", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                        0, 640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!frame_ || !mdi_) return false;
    BuildMenu();
    BuildRooms();
    percent_ = options_.transfer.percent;
    BuildTransfer();
    OrderChildren();
    if (!options_.hidden) ShowWindow(frame_, SW_SHOWNORMAL);
    UpdateWindow(frame_);
    Apply(options_); // the one-shot requests of the command line
    return true;
}

LRESULT Client::OnCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != kControlMagic) return 0;
    std::string command(static_cast<const char*>(data.lpData), data.cbData);
    Parsed parsed = ParseOptions(command, options_);
    if (!parsed.error.empty()) return 0;
    Apply(std::move(parsed.options));
    return 1;
}

void Client::Apply(Options next) {
    Options before = std::exchange(options_, std::move(next));
    if (!SameMenuBar(before.menu, options_.menu)) BuildMenu();
    bool rooms = before.room != options_.room || before.menu.version != options_.menu.version;
    bool transfer = before.transfer != options_.transfer;
    if (rooms) BuildRooms();
    if (transfer) {
        percent_ = options_.transfer.percent;
        BuildTransfer();
    }
    if (rooms || transfer) OrderChildren();
    if (before.hidden != options_.hidden) ShowWindow(frame_, options_.hidden ? SW_HIDE : SW_SHOW);
    int hangMs = std::exchange(options_.hangMs, 0);
    bool close = std::exchange(options_.close, false);
    options_.help = false;
    if (hangMs > 0) {
        // A command's sender gets its answer first and then finds the client hung.
        if (InSendMessage()) {
            ReplyMessage(1);
            Hang(static_cast<DWORD>(hangMs));
        } else {
            PostMessageA(frame_, kHangMessage, hangMs, 0);
        }
    }
    // Gone before the command's answer, so the sender never sees a closing client.
    if (close) DestroyWindow(frame_);
}

void Client::BuildMenu() {
    const MenuOptions& menu = options_.menu;
    HMENU bar = nullptr;
    if (!menu.custom.empty())
        bar = BuildMenuBar(menu.custom);
    else if (menu.version != "none")
        bar = BuildMenuBar(StandardMenu(menu.version));
    HMENU old = GetMenu(frame_);
    SetMenu(frame_, bar);
    if (old) DestroyMenu(old);
    DrawMenuBar(frame_);
}

HWND Client::MakeChild(const std::string& caption, RECT r, int percent) {
    auto* state = new ChildState{caption, 0, percent, this};
    HWND hwnd = CreateWindowExA(
        0, kChildClass, caption.c_str(),
        WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, r.left, r.top,
        r.right - r.left, r.bottom - r.top, mdi_, nullptr, GetModuleHandleA(nullptr), state);
    if (!hwnd) delete state;
    return hwnd;
}

HWND Client::MakeRoom(const std::string& name, RECT place) {
    HWND room = MakeChild(name, place);
    if (!room) return nullptr;
    ControlState input;
    input.client = this;
    input.role = Role::Input;
    input.look = Look::Edit;
    input.room = name;
    ControlState view = input;
    view.role = Role::View;
    view.look = Look::Conversation;
    view.text = said_[name];
    std::vector<HWND> order;
    HWND inputWindow = MakeControl(room, kRichClass, input, {8, 214, 448, 240});
    if (options_.room.singleInput) {
        order.push_back(inputWindow);
    } else {
        HWND viewWindow = MakeControl(room, kRichClass, view, {8, 8, 448, 206});
        views_[name] = viewWindow;
        if (InputIsFirst(options_))
            order = {inputWindow, viewWindow};
        else
            order = {viewWindow, inputWindow};
    }
    order.push_back(MakeControl(
        room, kListClass, Plain(Look::List, "Snorva\r\nGuestAB12\r\nChatFan"), {456, 8, 600, 206}));
    order.push_back(MakeControl(room, kIconClass, Plain(Look::Icon, "Send"), {456, 214, 510, 240}));
    order.push_back(
        MakeControl(room, kStaticClass, Plain(Look::Label, "3 people here"), {518, 220, 600, 240}));
    StackInOrder(order);
    return room;
}

// A child that lacks one of the four classes of a room, in turn.
HWND Client::MakeDecoy(int index) {
    int offset = 24 * (index % 8);
    HWND decoy = MakeChild("Window " + std::to_string(index + 1),
                           {40 + offset, 40 + offset, 300 + offset, 160 + offset});
    if (!decoy) return nullptr;
    int lacking = index % 4;
    std::vector<HWND> order;
    if (lacking != 0) {
        order.push_back(MakeControl(decoy, kRichClass, Plain(Look::Edit, ""), {8, 8, 160, 30}));
        order.push_back(MakeControl(decoy, kRichClass, Plain(Look::Edit, ""), {8, 36, 160, 58}));
    }
    if (lacking != 1)
        order.push_back(MakeControl(decoy, kListClass, Plain(Look::List, ""), {168, 8, 248, 58}));
    if (lacking != 2)
        order.push_back(MakeControl(decoy, kIconClass, Plain(Look::Icon, "Go"), {8, 64, 48, 84}));
    if (lacking != 3)
        order.push_back(
            MakeControl(decoy, kStaticClass, Plain(Look::Label, "Welcome!"), {56, 66, 248, 84}));
    StackInOrder(order);
    return decoy;
}

void Client::BuildRooms() {
    for (HWND& decoy : decoys_)
        DestroyAndForget(decoy);
    decoys_.clear();
    for (auto& [name, room] : rooms_)
        DestroyAndForget(room);
    rooms_.clear();
    views_.clear();
    for (int i = 0; i < options_.room.decoys; ++i)
        decoys_.push_back(MakeDecoy(i));
    for (int i = 1; i <= options_.room.rooms; ++i) {
        std::string name = "room" + std::to_string(i);
        int offset = 20 * (i - 1);
        rooms_[name] = MakeRoom(name, {4 + offset, 4 + offset, 620 + offset, 276 + offset});
    }
}

void Client::BuildTransfer() {
    DestroyAndForget(lookalike_);
    DestroyAndForget(transfer_);
    transferStatic1_ = transferStatic2_ = nullptr;
    transferReads_ = 0;
    KillTimer(frame_, kTransferTimer);
    const TransferOptions& t = options_.transfer;
    if (t.lookalike) {
        lookalike_ = MakeChild(t.lookalikeCaption, {200, 150, 560, 260}, 50);
        StackInOrder(
            {MakeControl(lookalike_, kStaticClass, Plain(Look::Label, t.lookalikeStatic),
                         {10, 8, 340, 26}),
             MakeControl(lookalike_, kStaticClass, Plain(Look::Label, "about 9 minutes remaining."),
                         {10, 30, 340, 48})});
    }
    if (!t.open) return;
    transfer_ = MakeChild("", {4, 282, 420, 392}, percent_);
    if (!transfer_) return;
    StateOf<ChildState>(transfer_)->extra = t.captionExtra;
    ControlState first = Plain(Look::Label, "");
    first.client = this;
    first.role = Role::TransferStatic1;
    first.extra = t.static1Extra;
    transferStatic1_ = MakeControl(transfer_, kStaticClass, first, {10, 8, 400, 26});
    std::vector<HWND> order = {transferStatic1_};
    if (!t.singleStatic) {
        transferStatic2_ =
            MakeControl(transfer_, kStaticClass, Plain(Look::Label, ""), {10, 30, 400, 48});
        order.push_back(transferStatic2_);
    }
    StackInOrder(order);
    UpdateTransferTexts();
    if (t.speed > 0) SetTimer(frame_, kTransferTimer, 1000, nullptr);
}

void Client::OrderChildren() {
    std::vector<HWND> order;
    auto add = [&](HWND hwnd) {
        if (hwnd) order.push_back(hwnd);
    };
    add(lookalike_);
    if (options_.transfer.first) add(transfer_);
    for (HWND decoy : decoys_)
        add(decoy);
    for (auto& [name, room] : rooms_)
        add(room);
    if (!options_.transfer.first) add(transfer_);
    StackInOrder(order);
}

void Client::UpdateTransferTexts() {
    const TransferOptions& t = options_.transfer;
    int remaining = 100 - t.percent;
    int minutes = remaining > 0 ? t.minutes * (100 - percent_) / remaining : 0;
    SetCaption(transfer_, t.hasCaption ? t.caption : "File Transfer - " + Percent(percent_));
    SetControlText(transferStatic1_, t.hasStatic1 ? t.static1 : "Now Downloading " + t.file);
    if (transferStatic2_)
        SetControlText(transferStatic2_, t.hasStatic2 ? t.static2 : TimeLeft(minutes));
    if (ChildState* state = StateOf<ChildState>(transfer_)) state->percent = percent_;
    InvalidateRect(transfer_, nullptr, TRUE);
}

void Client::OnTimer() {
    if (!transfer_) return;
    percent_ = std::min(100, percent_ + options_.transfer.speed);
    if (percent_ >= 100) {
        CloseTransfer(); // the download is done
        return;
    }
    UpdateTransferTexts();
}

void Client::CloseTransfer() {
    KillTimer(frame_, kTransferTimer);
    DestroyAndForget(transfer_);
    transferStatic1_ = transferStatic2_ = nullptr;
    options_.transfer.open = false;
}

bool Client::OnTransferStatic1Asked() {
    int limit = options_.transfer.closeAfterReads;
    if (limit < 0 || transferReads_++ < limit) return true;
    CloseTransfer();
    return false;
}

bool Client::OnInputText(const ControlState& input) {
    if (!options_.room.closesOnText) return true;
    auto room = rooms_.find(input.room);
    if (room == rooms_.end()) return true;
    views_.erase(input.room);
    DestroyWindow(room->second); // destroys the input too
    rooms_.erase(room);
    options_.room.rooms = static_cast<int>(rooms_.size());
    return false;
}

void Client::OnEnter(ControlState& input) {
    std::string line = std::exchange(input.text, std::string());
    std::string& said = said_[input.room];
    if (!said.empty()) said += "\r\n";
    said += line;
    auto view = views_.find(input.room);
    if (view != views_.end()) SetControlText(view->second, said);
    AppendTranscript(input.room, line);
    if (int ms = std::exchange(options_.hangAfterLineMs, 0)) {
        if (InSendMessage()) ReplyMessage(0); // the Enter's sender goes on, and finds us busy
        Hang(static_cast<DWORD>(ms));
    }
}

void Client::AppendTranscript(const std::string& room, const std::string& line) {
    AppendRecord(options_.transcript, room, line);
}

void Client::OnMessage(const char* window, UINT message, const char* hangPoint) {
    const char* name = message == WM_SETTEXT         ? "WM_SETTEXT"
                       : message == WM_CHAR          ? "WM_CHAR"
                       : message == WM_GETTEXTLENGTH ? "WM_GETTEXTLENGTH"
                       : message == WM_GETTEXT       ? "WM_GETTEXT"
                                                     : "WM_NULL";
    AppendRecord(options_.messageLog, window, name);
    if (*hangPoint && options_.hangOn == hangPoint) {
        options_.hangOn.clear();
        Hang(static_cast<DWORD>(std::exchange(options_.hangOnMs, 0)));
    }
}

// <ms, QueryPerformanceCounter>TAB<what>TAB<bytes>LF appended to `path`, unless it is empty.
void Client::AppendRecord(const std::string& path, const std::string& what,
                          const std::string& bytes) {
    if (path.empty()) return;
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%.3f",
                  static_cast<double>(now.QuadPart) * 1000.0 /
                      static_cast<double>(frequency.QuadPart));
    std::string record = std::string(stamp) + "\t" + what + "\t" + bytes + "\n";
    // Opened for each record, so readers in other processes see every record at once.
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

} // namespace sim
