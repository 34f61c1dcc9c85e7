#include <windows.h>

#include "tests/support/test_registry.h"

void use_test_registry()
{
}

void clear_test_registry()
{
    const HKEY roots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
    for (HKEY root : roots)
        RegDeleteTreeA(root, "Software\\ZELKA");
}
