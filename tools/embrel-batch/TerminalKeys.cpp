#include "tools/embrel-batch/TerminalKeys.h"

#include <poll.h>
#include <unistd.h>

TerminalKeys::TerminalKeys() noexcept
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    active = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

TerminalKeys::~TerminalKeys()
{
    if (active) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

int TerminalKeys::Poll() noexcept
{
    if (!active) return -1;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    unsigned char c = 0;
    if (poll(&p, 1, 0) == 1 && read(STDIN_FILENO, &c, 1) == 1) return c;
    return -1;
}
