// What save_settings leaves in the real registry, read with the registry's
// own wide call: a text is stored without a terminating NUL.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/support/test_registry.h"

namespace {

TEST(real_registry, texts_are_stored_without_their_nul)
{
    clear_test_registry();
    memset(&Settings, 0, sizeof Settings);
    strcpy(Settings.POP, "127.0.0.1");
    ASSERT_EQ(save_settings(), 0);

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ZELKA\\Tobalin", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const wchar_t* name : {L"POP", L"SMTP"}) {
        WCHAR wide[64];
        DWORD type = 0, size = sizeof wide;
        ASSERT_EQ(RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(wide), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, (name[0] == L'P' ? 9 : 0) * sizeof(WCHAR)) << "as UTF-16, exactly the characters of the text";
    }
    RegCloseKey(key);
    clear_test_registry();
}

}  // namespace
