// The console baselines: a console program that writes one line and ends;
// with the word "dc" it first makes and frees a device context of the
// display, as every driver session must.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "dc") == 0) {
        HDC dc = CreateDCA(nullptr, "\\\\.\\Display1", nullptr, nullptr);
        if (dc)
            DeleteDC(dc);
    }
    std::puts("bare");
    return 0;
}
