#ifndef TOBALIN_TESTS_TEST_HOST_H
#define TOBALIN_TESTS_TEST_HOST_H

#include <filesystem>
#include <string>

// The machine the tests run on, seen from a test program natively or
// under Wine.

// A variable of its environment, "" when it is not set.
std::string setting(const std::string& name);

// One of its paths, as this program opens it (under Wine through drive Z:).
std::filesystem::path host_path(const std::string& path);

// Makes the root certificate in a PEM file (one of its paths) trusted by
// this system's TLS: by OpenSSL through SSL_CERT_FILE, for the rest of the
// process; on Windows in the current user's "Root" store, for the whole
// prefix (Wine asks nothing; Windows would ask the user).
bool trust_root_certificate(const std::string& pem_file);

// The registry the settings tests run against, with no settings key in
// either root: Windows' own where there is one, the in-memory double
// elsewhere.
void fresh_test_registry();

#endif
