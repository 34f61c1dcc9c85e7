#include <cstdlib>

#include "tests/doubles/registry_double.h"
#include "tests/support/test_host.h"

std::filesystem::path host_path(const std::string& path)
{
    return path;
}

bool trust_root_certificate(const std::string& pem_file)
{
    return std::filesystem::exists(pem_file) && setenv("SSL_CERT_FILE", pem_file.c_str(), 1) == 0;
}

std::string setting(const std::string& name)
{
    const char* value = getenv(name.c_str());
    return value ? value : "";
}

void fresh_test_registry()
{
    os_registry = &memory_registry;
    memory_registry_clear();
}
