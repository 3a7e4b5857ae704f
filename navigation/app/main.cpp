// Program entry. The main window is not built yet: say so and fail, rather
// than pretend to run.
#include <cstdio>

int main() {
    std::fputs("PlovanHX: the main window is not built yet.\n", stderr);
    return 1;
}
