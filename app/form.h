#pragma once
// Form1: Snorva's one window. Its controls are windowless, as in the toolkit it was designed
// in: pictures and labels drawn over the skin and hit-tested by the window itself. What the
// window's events say in the chat room is the idler's (idler.h); this is the window's side.
//
// The window, its controls and its handlers keep the names they were designed with: Form1,
// Timer1, Image1 to Image3, min, loads, the menu items idleon, idleoff, about, minimize and
// unloaded, and handlers named after the control and the event (Form_Load, Timer1_Timer,
// Image1_Click, ...). Everything else is named for what it does.
#include "app/idler.h"
#include "win/events.h"
#include "win/owners.h"

#include <string>

class Form1 {
  public:
    static constexpr char kClassName[] = "Snorva";
    static constexpr int kWidth = 112;
    static constexpr int kHeight = 21;
    static constexpr UINT_PTR kTimer1 = 1;
    static constexpr UINT kTimer1Interval = 60000;

    explicit Form1(HINSTANCE instance);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window hidden, with its controls at their design values.
    bool Create();
    // The load event: topmost, skin, outline, handle, greeting lines.
    void Form_Load();
    // Form_Load's own steps, which the bench times one by one: the skin picture as the
    // window's background, and the window's outline cut from it.
    void LoadBackground(const std::wstring& skin);
    void CutOutline(const std::wstring& skin);
    void Show();
    HWND Handle() const { return window_; }

  private:
    // The controls, topmost first: the order of hit-testing; drawn in reverse, over the
    // background. Each is the row of kControls at its own index.
    enum Control { kImage3, kImage2, kLoads, kMin, kImage1, kControlCount };
    enum class Kind { Picture, Label };
    struct ControlDesign {
        Control control; // the row's own index, checked when compiled
        int x, y, width, height;
        Kind kind;
        int bitmap; // resource of a picture, 0 for a label
        void (Form1::*click)();
    };
    struct MenuDesign {
        int depth; // 0: the hidden top item; 1: its items; 2: items of a submenu
        const char* name;
        const char* caption; // "-" is a separator
        bool enabled;
        int command; // IDM_… of resource.h; 0 for a separator and a row that opens a submenu
        void (Form1::*click)();
    };
    static const ControlDesign kControls[];
    static const MenuDesign kMenu[];

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // When what a message asks of Snorva may run: the one rule that every way in asks.
    enum class Turn { Now, AfterAolAnswers, Never };
    Turn WhenToRun(const MSG& message) const;
    // The rule for what the wait for AOL takes from the queue (MustWaitForAol of call.h).
    static bool HeldWhileWaiting(const MSG& message);
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnButtonDown(POINT point);
    void OnButtonUp(POINT point);
    void OnCommand(int command);
    void OnTimer(UINT_PTR id);

    void Image1_Click();
    void Image2_Click();
    void Image3_Click();
    void idleon_Click();
    void idleoff_Click();
    void about_Click();
    void minimize_Click();
    void unloaded_Click();
    void Timer1_Timer();

    int HitTest(POINT point) const;
    void ClipToWindow(HRGN region) const;
    void SetCaption(int control, const std::wstring& caption);
    void DrawControl(HDC dc, int control) const;
    OwnedMenu BuildMenu() const;

    static inline Form1* one_ = nullptr; // the one window, which the wait for AOL asks
    HINSTANCE instance_;
    HWND window_ = nullptr;
    Idler idler_{Pause};
    OwnedMenu menuBar_; // never shown as a bar: it holds the popup
    OwnedBitmap background_;
    OwnedBitmap pictures_[kControlCount];
    std::wstring captions_[kControlCount];
    OwnedFont formFont_;
    OwnedFont minFont_;
    bool timer1Enabled_ = false;
    int pressed_ = -1;  // control under a press not yet released
    POINT clickedAt_{}; // where the last click was released, for the handler it runs
};

// Makes a window topmost without moving or sizing it.
void StayOnTop(HWND window);
