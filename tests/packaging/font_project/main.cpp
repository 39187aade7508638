// Both fonts through their headers, from C++: the generated sources are C, their headers serve
// both.
#include "mono.h"
#include "sans.h"

#include <cstdio>

int main() {
    std::printf("%d %d\n", sans[0], mono[0]);
    return 0;
}
