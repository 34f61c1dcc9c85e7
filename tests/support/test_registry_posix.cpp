#include "tests/doubles/registry_double.h"
#include "tests/support/test_registry.h"

void use_test_registry()
{
    os_registry = &memory_registry;
}

void clear_test_registry()
{
    memory_registry_clear();
}
