// Makes the tests' certificate authority a trusted root in the Wine prefix
// it runs in: its certificate goes into the current user's "Root" store, as
// when a user of Windows says yes to adding it (Wine asks nothing).
//   trust_test_ca.exe CA.pem      (a Windows path: Z:/... under Wine)
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: trust_test_ca CA.pem\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                                             nullptr, &size, nullptr, nullptr)) {
        fprintf(stderr, "trust_test_ca: no certificate in %s\n", argv[1]);
        return 1;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size,
                         nullptr, nullptr);
    HCERTSTORE root = CertOpenSystemStoreA(0, "ROOT");
    bool added = root && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (root)
        CertCloseStore(root, 0);
    if (!added) {
        fprintf(stderr, "trust_test_ca: not added (error %lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
