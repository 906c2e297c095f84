// Linked into every test program: its standard output and error are unbuffered from the
// start, so that whatever it wrote is shown even when it is killed (a hang's time-out).
#include <stdio.h>

namespace {

struct Unbuffered {
    Unbuffered()
    {
        setvbuf(stdout, nullptr, _IONBF, 0);
        setvbuf(stderr, nullptr, _IONBF, 0);
    }
};

const Unbuffered unbuffered;

} // namespace
