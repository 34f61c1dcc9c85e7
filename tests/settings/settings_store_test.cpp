// The settings record against the registry: what is stored, what comes
// back, and how loading and saving fail.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/doubles/registry_double.h"
#include "tests/support/test_registry.h"

namespace {

struct stored_value {
    bool present;
    uint32_t type;
    std::string bytes;
};

const char* const value_names[] = {"Timer", "POP", "SMTP", "User", "Pass", "Batch", "Station", "PassMail"};

stored_value stored(os_reg_root root, const char* name)
{
    stored_value v{false, 0, {}};
    os_reg_key key;
    if (os_registry->open_key(root, settings_key_path, &key) != os_ok)
        return v;
    char data[1024];
    uint32_t size = sizeof data;
    v.present = os_registry->query_value(key, name, &v.type, data, &size) == os_ok;
    if (v.present)
        v.bytes.assign(data, size);
    os_registry->close_key(key);
    return v;
}

void put(os_reg_root root, const char* name, uint32_t type, const std::string& bytes)
{
    os_reg_key key;
    ASSERT_EQ(os_registry->create_key(root, settings_key_path, &key), os_ok);
    ASSERT_EQ(os_registry->set_value(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), os_ok);
    os_registry->close_key(key);
}

std::string dword(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string scrambled(std::string text)
{
    for (char& c : text)
        c ^= 0x4D;
    return text;
}

void fill(uint32_t timer, const char* pass, const char* pass_mail)
{
    memset(&Settings, 0, sizeof Settings);
    Settings.Timer = timer;
    strcpy(Settings.POP, "pop.example.jp");
    strcpy(Settings.SMTP, "smtp.example.jp");
    strcpy(Settings.User, "recorder");
    strcpy(Settings.Pass, pass);
    strcpy(Settings.Batch, "C:\\Tobalin\\rec.tbn");
    strcpy(Settings.Station, "C:\\Tobalin\\station.txt");
    strcpy(Settings.PassMail, pass_mail);
}

// A complete key: each value as stored and as it loads into the record.
struct full_value {
    const char* name;
    uint32_t type;
    std::string stored;
    std::string loaded;
};
const full_value full_key[] = {
    {"Timer", os_reg_dword, dword(30), dword(30)},
    {"POP", os_reg_sz, "pop.example.jp", "pop.example.jp"},
    {"SMTP", os_reg_sz, "smtp.example.jp", "smtp.example.jp"},
    {"User", os_reg_sz, "recorder", "recorder"},
    {"Pass", os_reg_sz, scrambled("secret"), "secret"},
    {"Batch", os_reg_sz, "C:\\Tobalin\\rec.tbn", "C:\\Tobalin\\rec.tbn"},
    {"Station", os_reg_sz, "C:\\Tobalin\\station.txt", "C:\\Tobalin\\station.txt"},
    {"PassMail", os_reg_sz, scrambled("other"), "other"},
};

void put_all(os_reg_root root, const char* except = "")
{
    for (const full_value& v : full_key)
        if (strcmp(v.name, except) != 0)
            put(root, v.name, v.type, v.stored);
}

// The record's fields in the order of full_key, Timer as its four bytes.
std::vector<std::string> record_fields()
{
    return {dword(Settings.Timer), Settings.POP,   Settings.SMTP,    Settings.User,
            Settings.Pass,         Settings.Batch, Settings.Station, Settings.PassMail};
}

class settings_store : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_test_registry();
        clear_test_registry();
    }
    void TearDown() override { clear_test_registry(); }
};

TEST_F(settings_store, passwords_round_trip_through_save_and_load)
{
    // "M" is the scrambling key itself: its byte is stored as 0.
    const char* passwords[] = {"secret", "", "M", "MMM", "aMb", "Mend", "endM", "012345678901234567890123456789"};
    for (const char* pass : passwords) {
        SCOPED_TRACE(pass);
        fill(5, pass, pass);
        ASSERT_EQ(save_settings(), 0);
        memset(&Settings, 0x55, sizeof Settings);
        ASSERT_EQ(load_settings(), 0);
        EXPECT_STREQ(Settings.Pass, pass);
        EXPECT_STREQ(Settings.PassMail, pass);
        EXPECT_EQ(Settings.Timer, 5u);
        EXPECT_STREQ(Settings.POP, "pop.example.jp");
        EXPECT_STREQ(Settings.Station, "C:\\Tobalin\\station.txt");
    }
}

TEST_F(settings_store, save_stores_dword_timer_texts_without_nul_and_scrambled_passwords)
{
    fill(60, "aMb", "endM");
    Settings.SMTP[0] = '\0';
    ASSERT_EQ(save_settings(), 0);
    struct {
        const char* name;
        uint32_t type;
        std::string bytes;
    } expected[] = {
        {"Timer", os_reg_dword, dword(60)},
        {"POP", os_reg_sz, "pop.example.jp"},
        {"SMTP", os_reg_sz, ""},
        {"User", os_reg_sz, "recorder"},
        {"Pass", os_reg_sz, std::string("\x2c\x00\x2f", 3)},
        {"Batch", os_reg_sz, "C:\\Tobalin\\rec.tbn"},
        {"Station", os_reg_sz, "C:\\Tobalin\\station.txt"},
        // A final "M" scrambles to 0, which a terminator after it keeps.
        {"PassMail", os_reg_sz, std::string("(#)\0\0", 5)},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        stored_value v = stored(os_local_machine, e.name);
        ASSERT_TRUE(v.present);
        EXPECT_EQ(v.type, e.type);
        EXPECT_EQ(v.bytes, e.bytes);
    }
    EXPECT_STREQ(Settings.Pass, "aMb") << "the record keeps the plain password";
}

TEST_F(settings_store, no_key_gives_timer_10_and_empty_texts)
{
    memset(&Settings, 'x', sizeof Settings);
    EXPECT_EQ(load_settings(), -1);
    EXPECT_EQ(Settings.Timer, 10u);
    EXPECT_STREQ(Settings.POP, "");
    EXPECT_STREQ(Settings.PassMail, "");
}

TEST_F(settings_store, a_missing_value_empties_it_and_every_later_field)
{
    for (size_t missing = 0; missing < 8; ++missing) {
        SCOPED_TRACE(value_names[missing]);
        clear_test_registry();
        put_all(os_local_machine, value_names[missing]);
        EXPECT_EQ(load_settings(), -1);
        std::vector<std::string> fields = record_fields();
        for (size_t i = 0; i < 8; ++i) {
            std::string empty = i == 0 ? dword(0) : "";
            EXPECT_EQ(fields[i], i < missing ? full_key[i].loaded : empty) << value_names[i];
        }
    }
}

TEST_F(settings_store, texts_of_exactly_their_capacity_load_and_longer_ones_fail)
{
    const std::string full(100, 'p');
    struct {
        std::string pop;
        int result;
    } cases[] = {
        {full, 0},
        {full + std::string(1, '\0'), 0},  // stored with its terminator
        {full + "p", -1},
        {full + "p" + std::string(1, '\0'), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pop.size());
        clear_test_registry();
        put_all(os_local_machine);
        put(os_local_machine, "POP", os_reg_sz, c.pop);
        EXPECT_EQ(load_settings(), c.result);
        EXPECT_EQ(Settings.Timer, 30u);
        EXPECT_EQ(std::string(Settings.POP), c.result == 0 ? full : "");
        EXPECT_STREQ(Settings.User, c.result == 0 ? "recorder" : "");
        EXPECT_STREQ(Settings.PassMail, c.result == 0 ? "other" : "");
    }
}

TEST_F(settings_store, values_stored_by_earlier_versions_load_as_before)
{
    // Earlier versions wrote each text with a NUL after it, which Windows
    // keeps with the value, and wrote a scrambled password only up to its
    // first 0 byte: a password with "M" in it was stored cut short.
    const std::string nul(1, '\0');
    struct {
        const char* name;
        std::string stored;
        const char* loaded;
    } cases[] = {
        {"Pass", scrambled("secret") + nul, "secret"},
        {"Pass", scrambled("secret"), "secret"},
        {"Pass", scrambled("ab") + nul, "ab"},  // the password was abMcd
        {"Pass", nul, ""},
        {"User", "recorder" + nul, "recorder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loaded);
        put_all(os_local_machine);
        put(os_local_machine, c.name, os_reg_sz, c.stored);
        ASSERT_EQ(load_settings(), 0);
        EXPECT_STREQ(strcmp(c.name, "Pass") == 0 ? Settings.Pass : Settings.User, c.loaded);
    }
}

TEST_F(settings_store, save_stops_at_the_first_failed_call)
{
    // Call 1 creates the key; calls 2 to 9 write the values in order.
    for (int failing = 1; failing <= 9; ++failing) {
        SCOPED_TRACE(failing);
        clear_test_registry();
        fill(30, "secret", "other");
        {
            registry_faults faults;
            faults.fail_call = failing;
            EXPECT_EQ(save_settings(), -1);
        }
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(stored(os_local_machine, value_names[i]).present, i + 2 < failing) << value_names[i];
    }
}

TEST_F(settings_store, without_rights_on_the_machine_key_settings_live_in_the_user_key)
{
    fill(30, "secret", "other");
    {
        registry_faults faults;
        faults.deny_local_machine = true;
        ASSERT_EQ(save_settings(), 0);
        memset(&Settings, 0, sizeof Settings);
        ASSERT_EQ(load_settings(), 0);
        EXPECT_EQ(Settings.Timer, 30u);
        EXPECT_STREQ(Settings.Pass, "secret");
    }
    EXPECT_FALSE(stored(os_local_machine, "POP").present);
    EXPECT_EQ(stored(os_current_user, "POP").bytes, "pop.example.jp");

    // A standard user's settings load at the next start, when the machine
    // key does not exist at all...
    memset(&Settings, 0, sizeof Settings);
    ASSERT_EQ(load_settings(), 0);
    EXPECT_STREQ(Settings.User, "recorder");

    // ...but a machine key that can be opened comes first.
    put_all(os_local_machine);
    put(os_local_machine, "User", os_reg_sz, "machine");
    ASSERT_EQ(load_settings(), 0);
    EXPECT_STREQ(Settings.User, "machine");
}

}  // namespace
