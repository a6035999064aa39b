// The console baseline: a console program that writes one line and ends.
#include <cstdio>

int main()
{
    std::puts("bare");
    return 0;
}
