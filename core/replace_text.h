#pragma once
// Case-insensitive replace: portable, no window system. Event handling is passed in.
#include <functional>
#include <string>

using EventPump = std::function<void()>;

// Replaces, left to right, every occurrence of `find` (ignoring letter case) in `text` with
// `replacement`, never searching the inserted text again. `pump` runs once per replacement,
// or once when there is nothing to replace. On return `text` holds the result, which is also
// returned; while `pump` runs it still holds the text as passed in. Positions are signed 32-bit:
// one that leaves that range is the overflow error.
std::wstring ReplaceText(std::wstring& text, const std::wstring& find,
                         const std::wstring& replacement, const EventPump& pump);
