// A visible test window that records the input messages it receives, and
// helpers that inject input the way a user's hand would with SendInput.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "wintest.h"

namespace companions {

struct InputEvent {
    UINT msg;
    WPARAM wparam;
};

class InputWindow {
public:
    // A top-level window with scroll bars, in the foreground, with the
    // cursor in its middle.
    InputWindow();
    ~InputWindow();
    InputWindow(const InputWindow &) = delete;
    InputWindow &operator=(const InputWindow &) = delete;

    HWND hwnd() const { return hwnd_; }
    POINT centre() const;
    void clear() { events_.clear(); }
    const std::vector<InputEvent> &events() const { return events_; }

    bool has(UINT msg, WPARAM wparam) const;
    bool has_msg(UINT msg) const;
    // The key went down (as WM_KEYDOWN or WM_SYSKEYDOWN).
    bool has_key(WORD vk) const;
    // Messages recorded, for failure messages.
    std::string describe() const;

    // Sends a sentinel key stroke and waits until it has arrived: every input
    // injected before it has then been delivered or swallowed.
    bool settle();

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = NULL;
    std::vector<InputEvent> events_;
};

void send_mouse(DWORD flags, DWORD data = 0);
void send_click(DWORD down_flag, DWORD up_flag);
void send_move(LONG dx, LONG dy);
void send_key(WORD vk);

} // namespace companions
