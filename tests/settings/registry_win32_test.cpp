// What save_settings leaves in the real registry, read back with the
// registry's own calls rather than through the platform layer.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/support/test_registry.h"

namespace {

class real_registry : public ::testing::Test {
protected:
    void SetUp() override { clear_test_registry(); }
    void TearDown() override { clear_test_registry(); }
};

TEST_F(real_registry, values_have_the_registry_types_and_lengths_of_their_texts)
{
    memset(&Settings, 0, sizeof Settings);
    Settings.Timer = 5;
    strcpy(Settings.POP, "127.0.0.1");
    strcpy(Settings.Pass, "aMb");
    ASSERT_EQ(save_settings(), 0);

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ZELKA\\Tobalin", 0, KEY_READ, &key), ERROR_SUCCESS);
    struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } expected[] = {
        {"Timer", REG_DWORD, std::string("\x05\x00\x00\x00", 4)},
        {"POP", REG_SZ, "127.0.0.1"},
        {"SMTP", REG_SZ, ""},
        {"Pass", REG_SZ, std::string("\x2c\x00\x2f", 3)},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        BYTE data[64];
        DWORD type = 0, size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(key, e.name, nullptr, &type, data, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, e.type);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), e.bytes);
    }
    // The registry itself holds the text without a terminating NUL: as
    // UTF-16 it is exactly the nine characters.
    WCHAR wide[64];
    DWORD size = sizeof wide;
    ASSERT_EQ(RegQueryValueExW(key, L"POP", nullptr, nullptr, reinterpret_cast<BYTE*>(wide), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9 * sizeof(WCHAR));
    RegCloseKey(key);
}

}  // namespace
