#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/embrel-batch/ProgressBar.h"

namespace {

// What the bar wrote, drawn through calls on a stream in memory.
template <typename Calls>
std::string Drawn(bool shown, long long total, Calls calls)
{
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    {
        ProgressBar bar(stream, shown, total);
        calls(bar);
    }
    std::fclose(stream);
    std::string result(text, size);
    std::free(text);
    return result;
}

}  // namespace

TEST(ProgressBar, RedrawsOnlyOnChangeAndClearsOrEndsItsLine)
{
    const std::string half = "\r[####################                    ]  50%  0:00 elapsed, 0:00 left ";
    EXPECT_EQ(Drawn(true, 200, [](ProgressBar& b) {
                  b.Advance(100);
                  b.Advance(0);  // same percent, same second: not drawn again
                  b.End();
              }),
              half + "\n");
    // A batch prints a file's line where the bar was, then the bar comes back.
    EXPECT_EQ(Drawn(true, 200, [](ProgressBar& b) {
                  b.Advance(100);
                  b.Clear();
                  b.Advance(0);
                  b.Clear();
                  b.Clear();  // nothing drawn since: nothing to erase
              }),
              half + "\r\033[K" + half + "\r\033[K");
    EXPECT_EQ(Drawn(false, 200, [](ProgressBar& b) {
                  b.Advance(200);
                  b.Clear();
                  b.End();
              }),
              "");
}
