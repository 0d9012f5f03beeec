#pragma once
// The run-time errors that end Snorva. Raised where the trouble arises, caught only at the
// event boundary, which shows the message box and ends the program with the number as status.
#include <exception>
#include <string>

class RunTimeError : public std::exception {
  public:
    RunTimeError(int number, std::wstring message, std::wstring hint = {})
        : number_(number), message_(std::move(message)), hint_(std::move(hint)) {}
    int Number() const { return number_; }
    const std::wstring& Message() const { return message_; }
    // One plain line telling the user what to do, or empty.
    const std::wstring& Hint() const { return hint_; }
    const char* what() const noexcept override { return "Snorva run-time error"; }

  private:
    int number_;
    std::wstring message_;
    std::wstring hint_;
};

inline RunTimeError Overflow() {
    return {6, L"Overflow"};
}
inline RunTimeError TypeMismatch(std::wstring hint = {}) {
    return {13, L"Type mismatch", std::move(hint)};
}
// No AOL client to post to: none runs, its version cannot be told, or its window went while
// Snorva waited for it.
inline RunTimeError NoAol() {
    return TypeMismatch(L"No AOL client is running, or its version could not be told: start AOL, "
                        L"enter a chat room, then start Snorva again.");
}
inline RunTimeError FileNotFound(const std::wstring& file, std::wstring hint = {}) {
    return {53, L"File not found: " + file, std::move(hint)};
}
inline RunTimeError PermissionDenied(std::wstring hint) {
    return {70, L"Permission denied", std::move(hint)};
}
// Windows refused Snorva what it cannot go on without: `what` it could not do. `systemError` is
// Windows' error number in decimal digits.
inline RunTimeError InternalError(const std::wstring& what, const std::wstring& systemError) {
    return {51, L"Internal error",
            L"Windows could not " + what + L" (system error " + systemError +
                L"). Start Snorva again."};
}
// The wait for AOL: without it Snorva would lose track of the call.
inline RunTimeError CannotWait(const std::wstring& systemError) {
    return InternalError(L"wait for AOL", systemError);
}
inline RunTimeError EntryPointNotFound(const std::wstring& entry, const std::wstring& dll) {
    return {453, L"Can't find DLL entry point " + entry + L" in " + dll};
}
inline RunTimeError InvalidPicture() {
    return {481, L"Invalid picture"};
}
