// Quorin: records vinyl and tape, splits and restores the tracks, writes WAV, MP3 and discs.
#include <cstdio>

int main(int, char**)
{
    std::fputs("quorin: start-up done; the window layer is not built yet\n", stderr);
    return 0;
}
