#include <windows.h>

#include <wincrypt.h>

#include <cstdlib>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/test_host.h"

std::filesystem::path host_path(const std::string& path)
{
    return "Z:" + path;
}

bool trust_root_certificate(const std::string& pem_file)
{
    std::string pem = file_bytes(host_path(pem_file));
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                              nullptr, nullptr))
        return false;
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size,
                         nullptr, nullptr);
    HCERTSTORE root = CertOpenSystemStoreA(0, "ROOT");
    bool added = root && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (root)
        CertCloseStore(root, 0);
    return added;
}

std::string setting(const std::string& name)
{
    const char* value = getenv(name.c_str());
    return value ? value : "";
}

void fresh_test_registry()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        RegDeleteTreeA(root, "Software\\ZELKA");
}
