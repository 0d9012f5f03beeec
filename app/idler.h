#pragma once
// What Snorva says in the chat room, and when: the greeting, each idle tick, idling switched on
// and off, and the farewell. It knows no window: the window hands it the counts its labels
// hold, and keeps its timer and the end of the program to itself.
#include <string>

class Idler {
  public:
    // `pause` waits the half second between two lines while events go on being handled: Pause,
    // but for the bench, which measures a spinning one beside it.
    explicit Idler(void (*pause)(double seconds));

    // The start-up by-line, half a second, then the loads line with the count `loads`.
    void Greet(const std::wstring& loads) const;
    // A tick after the minutes counter rose to `minutes`: the user line, half a second, then,
    // while AOL downloads a file, the download line.
    void Tick(const std::wstring& minutes) const;
    void Engage() const;    // idling was switched on
    void Disengage() const; // and off
    // The unload by-line, half a second, then the unloads line with the count `loads`.
    void Unload(const std::wstring& loads) const;

  private:
    void (*pause_)(double);
};
