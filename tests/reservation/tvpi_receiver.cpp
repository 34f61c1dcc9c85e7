// Stands in for a recording application: registered for .tvpi in the test
// prefix, it copies the file it is opened with to <file>.received.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 2)
        return 2;
    FILE* in = fopen(__argv[1], "rb");
    if (!in)
        return 1;
    char copy_path[MAX_PATH + 16];
    snprintf(copy_path, sizeof copy_path, "%s.received", __argv[1]);
    char partial_path[MAX_PATH + 16];
    snprintf(partial_path, sizeof partial_path, "%s.partial", __argv[1]);
    FILE* out = fopen(partial_path, "wb");
    if (!out)
        return 1;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
        fwrite(buffer, 1, got, out);
    fclose(in);
    fclose(out);
    // Appears whole or not at all.
    return MoveFileA(partial_path, copy_path) ? 0 : 1;
}
