#include <cstdio>

int main() {
    std::puts("Tesselo: the libraries are built; the window program arrives with the application.");
    return 0;
}
