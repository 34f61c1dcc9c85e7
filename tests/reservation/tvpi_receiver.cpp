// Stands in for a recording application: registered for .tvpi in the test
// prefix, it copies the file it is opened with to <file>.received.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 2)
        return 2;
    std::string file = __argv[1];
    // Copied aside first, so that the copy appears whole or not at all.
    bool copied = CopyFileA(file.c_str(), (file + ".partial").c_str(), FALSE) &&
                  MoveFileA((file + ".partial").c_str(), (file + ".received").c_str());
    return copied ? 0 : 1;
}
