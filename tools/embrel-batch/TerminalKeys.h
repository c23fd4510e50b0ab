#pragma once

#include <termios.h>

// Single keys from stdin while a run lasts, when stdin is a terminal: no echo, no line editing.
class TerminalKeys {
public:
    TerminalKeys() noexcept;
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    // The next key pressed, or -1.
    int Poll() noexcept;

private:
    termios saved{};
    bool active = false;
};
