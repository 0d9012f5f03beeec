#pragma once
// The client's windows and their behaviour. Win32 lives here and in client.cpp; the options that
// drive it are portable (options.h).
#include "sim/options.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace sim {

struct ControlState;

class Client {
  public:
    explicit Client(Options options);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Creates every window on the calling thread, which must then run the message loop.
    bool Create();
    HWND Frame() const { return frame_; }
    HWND Mdi() const { return mdi_; }

    // Handlers the window procedures dispatch to.
    LRESULT OnCopyData(const COPYDATASTRUCT& data);
    void OnTimer();
    void OnMdiClientCreated(HWND mdi) { mdi_ = mdi; }
    // Sends the input's text into its room: conversation view and transcript.
    void OnEnter(ControlState& input);
    // A room input was given a text; false when the room closed instead.
    bool OnInputText(const ControlState& input);
    // The first static of the transfer window is asked for its length, as each read of it
    // begins; false when the window closed instead.
    bool OnTransferStatic1Asked();
    // A message Snorva relies on came to one of the client's windows: written to the message
    // log; when the client is to hang at this point, it blocks here before answering.
    void OnMessage(const char* window, UINT message, const char* hangPoint = "");

  private:
    void Apply(Options next);
    void BuildMenu();
    void BuildRooms();
    void BuildTransfer();
    void OrderChildren();
    void UpdateTransferTexts();
    void CloseTransfer();
    HWND MakeChild(const std::string& caption, RECT place, int percent = -1);
    HWND MakeRoom(const std::string& name, RECT place);
    HWND MakeDecoy(int index);
    void AppendTranscript(const std::string& room, const std::string& line);
    static void AppendRecord(const std::string& path, const std::string& what,
                             const std::string& bytes);

    Options options_;
    HWND frame_ = nullptr;
    HWND mdi_ = nullptr;
    std::vector<HWND> decoys_;
    std::map<std::string, HWND> rooms_;       // by room name, in child order of the names
    std::map<std::string, HWND> views_;       // conversation view of each room
    std::map<std::string, std::string> said_; // conversation of each room, kept over rebuilds
    HWND lookalike_ = nullptr;
    HWND transfer_ = nullptr;
    HWND transferStatic1_ = nullptr;
    HWND transferStatic2_ = nullptr;
    int percent_ = 0;
    int transferReads_ = 0;
};

// Runs the calling thread's message loop until the client's main window is gone.
int RunMessageLoop();

} // namespace sim
