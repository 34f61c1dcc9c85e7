// The settings record against the registry: what is stored, what comes
// back, and how loading and saving fail.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/doubles/registry_double.h"
#include "tests/support/test_host.h"

namespace {

// A value's type and bytes as the registry holds them; type 0 when missing.
std::pair<uint32_t, std::string> stored(os_reg_root root, const char* name)
{
    std::pair<uint32_t, std::string> v{0, ""};
    os_reg_key key;
    if (os_registry->open_key(root, settings_key_path, &key) != os_ok)
        return v;
    char data[1024];
    uint32_t size = sizeof data;
    if (os_registry->query_value(key, name, &v.first, data, &size) == os_ok)
        v.second.assign(data, size);
    else
        v.first = 0;
    os_registry->close_key(key);
    return v;
}

void put(const char* name, uint32_t type, const std::string& bytes)
{
    os_reg_key key;
    ASSERT_EQ(os_registry->create_key(os_local_machine, settings_key_path, &key), os_ok);
    ASSERT_EQ(os_registry->set_value(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), os_ok);
    os_registry->close_key(key);
}

// A DWORD's bytes as stored, on the little-endian machines we build for.
std::string dword(uint32_t value)
{
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

// A complete key: each value as stored, as it loads, and its capacity.
struct full_value {
    const char* name;
    uint32_t type;
    std::string stored;
    std::string loaded;
    size_t capacity;
};
const full_value full_key[] = {
    {"Timer", os_reg_dword, dword(30), dword(30), 4},
    {"POP", os_reg_sz, "pop.example.jp", "pop.example.jp", 100},
    {"SMTP", os_reg_sz, "smtp.example.jp", "smtp.example.jp", 100},
    {"User", os_reg_sz, "recorder", "recorder", 30},
    {"Pass", os_reg_sz, ">(.?(9", "secret", 30},  // every byte XORed with 0x4D
    {"Batch", os_reg_sz, "C:\\rec.tbn", "C:\\rec.tbn", 500},
    {"Station", os_reg_sz, "C:\\station.txt", "C:\\station.txt", 500},
    {"PassMail", os_reg_sz, "\"9%(?", "other", 30},
};

void put_all(const char* except = "")
{
    for (const full_value& v : full_key)
        if (strcmp(v.name, except) != 0)
            put(v.name, v.type, v.stored);
}

// The record's fields in the order of full_key, Timer as its four bytes.
std::vector<std::string> record_fields()
{
    return {dword(Settings.Timer), Settings.POP,   Settings.SMTP,    Settings.User,
            Settings.Pass,         Settings.Batch, Settings.Station, Settings.PassMail};
}

void fill(const char* pass, const char* pass_mail)
{
    Settings = settings_record{60, "pop.example.jp", "", "recorder", {}, "C:\\rec.tbn", "C:\\station.txt", {}, {}};
    strcpy(Settings.Pass, pass);
    strcpy(Settings.PassMail, pass_mail);
}

class settings_store : public ::testing::Test {
protected:
    void SetUp() override { fresh_test_registry(); }
    void TearDown() override { fresh_test_registry(); }
};

TEST_F(settings_store, save_stores_dword_timer_texts_without_nul_and_scrambled_passwords_that_load_back)
{
    // "M" is the scrambling key itself: its byte is stored as 0, and a final
    // one with a NUL after it, so that it is no terminator.
    const std::string nul(1, '\0');
    const struct {
        const char *pass, *pass_mail;
        std::string stored_pass, stored_pass_mail;
    } cases[] = {
        {"aMb", "endM", "," + nul + "/", "(#)" + nul + nul},
        {"MMM", "Mend", std::string(4, '\0'), nul + "(#)"},
        {"012345678901234567890123456789", "M", "}|\x7f~yx{zut}|\x7f~yx{zut}|\x7f~yx{zut", nul + nul},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pass);
        fill(c.pass, c.pass_mail);
        ASSERT_EQ(save_settings(), 0);
        EXPECT_STREQ(Settings.Pass, c.pass) << "the record keeps the plain password";
        const std::vector<std::string> stored_values = {dword(60), "pop.example.jp", "", "recorder", c.stored_pass,
                                                        "C:\\rec.tbn", "C:\\station.txt", c.stored_pass_mail};
        for (size_t i = 0; i < 8; ++i)
            EXPECT_EQ(stored(os_local_machine, full_key[i].name), std::make_pair(full_key[i].type, stored_values[i]))
                << full_key[i].name;
        memset(&Settings, 0x55, sizeof Settings);
        ASSERT_EQ(load_settings(), 0);
        EXPECT_EQ(record_fields(), (std::vector<std::string>{dword(60), "pop.example.jp", "", "recorder", c.pass,
                                                             "C:\\rec.tbn", "C:\\station.txt", c.pass_mail}));
    }
}

TEST_F(settings_store, no_key_gives_timer_10_and_empty_texts)
{
    memset(&Settings, 'x', sizeof Settings);
    EXPECT_EQ(load_settings(), -1);
    EXPECT_EQ(record_fields(), (std::vector<std::string>{dword(10), "", "", "", "", "", "", ""}));
}

TEST_F(settings_store, senders_are_optional_and_one_too_long_lets_no_one_book)
{
    const std::string most(500, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"<missing>", ""}, {"me@example.com, @example.jp", "me@example.com, @example.jp"}, {"", ""},
        {most, most}, {most + "a", "@"}, {most + most, "@"},  // too long: no one
    };
    for (const auto& c : cases) {
        fresh_test_registry();
        put_all();
        if (c.first != "<missing>")
            put("Senders", os_reg_sz, c.first);
        ASSERT_EQ(load_settings(), 0);
        EXPECT_EQ(Settings.Senders, c.second) << c.first.size();
    }
    ASSERT_EQ(save_settings(), 0);
    EXPECT_EQ(stored(os_local_machine, "Senders").second, most + most) << "never saved over";
}

TEST_F(settings_store, a_value_loads_up_to_its_capacity_and_a_missing_or_longer_one_empties_its_field_only)
{
    const std::string missing = "<missing>";
    for (size_t bad = 0; bad < 8; ++bad) {
        const full_value& v = full_key[bad];
        const std::string full(v.capacity, 'p');
        // Earlier versions stored a NUL after each text (and a password cut
        // short at its first scrambled 0 byte): the NUL is no part of it.
        for (const std::string& value : {missing, full, full + '\0', full + 'p'}) {
            SCOPED_TRACE(std::string(v.name) + " of " + std::to_string(value.size()));
            bool fits = value == full || (value == full + '\0' && v.type == os_reg_sz);
            fresh_test_registry();
            put_all(v.name);
            if (value != missing)
                put(v.name, v.type, value);
            EXPECT_EQ(load_settings(), fits ? 0 : -1);
            std::vector<std::string> fields = record_fields();
            for (size_t i = 0; i < 8; ++i) {
                if (i != bad)
                    EXPECT_EQ(fields[i], full_key[i].loaded) << full_key[i].name;
                else if (!fits)
                    EXPECT_EQ(fields[i], i == 0 ? dword(0) : "") << full_key[i].name;
                else  // 'p' XORed with 0x4D is '='
                    EXPECT_EQ(fields[i], v.stored == v.loaded ? full : std::string(v.capacity, '=')) << v.name;
            }
        }
    }
}

TEST_F(settings_store, save_stops_at_the_first_failed_write)
{
    // Call 1 creates the key; then each value is read back (call 2i + 2: a
    // failed read only means it is written) and written (call 2i + 3).
    for (int failing = 1; failing <= 17; ++failing) {
        SCOPED_TRACE(failing);
        const bool write_fails = failing % 2 == 1;
        fresh_test_registry();
        fill("secret", "other");
        {
            registry_faults faults;
            faults.fail_call = failing;
            EXPECT_EQ(save_settings(), write_fails ? -1 : 0);
        }
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(stored(os_local_machine, full_key[i].name).first != 0, !write_fails || 2 * i + 3 < failing)
                << full_key[i].name;
    }
}

// On current Windows a standard user may not write the machine's part of
// the registry: the settings live under the user's own key instead.
TEST_F(settings_store, a_standard_user_keeps_the_settings_under_the_current_user)
{
    registry_faults standard_user;
    standard_user.deny_local_machine = true;
    fill("secret", "other");
    ASSERT_EQ(save_settings(), 0);
    EXPECT_EQ(stored(os_current_user, "POP").second, "pop.example.jp");
    memset(&Settings, 0, sizeof Settings);
    ASSERT_EQ(load_settings(), 0);
    EXPECT_STREQ(Settings.Pass, "secret");
}

TEST_F(settings_store, a_timer_that_is_no_four_byte_dword_fails_to_load_and_save_writes_it_alone)
{
    // reg add /t REG_SZ /d 5 stores "5" and its NUL, which read as 53.
    const std::pair<uint32_t, std::string> timers[] = {
        {os_reg_sz, std::string("5\0", 2)}, {3 /* REG_BINARY */, dword(5)}, {os_reg_dword, "\5"}};
    for (const auto& timer : timers) {
        SCOPED_TRACE(timer.first);
        put_all();
        put("Timer", timer.first, timer.second);
        EXPECT_EQ(load_settings(), -1);
        EXPECT_EQ(Settings.Timer, 0u);
        EXPECT_STREQ(Settings.PassMail, "other");
        registry_faults counted;
        ASSERT_EQ(save_settings(), 0);
        EXPECT_EQ(counted.calls, 10) << "the key, each value read back, the Timer written";
    }
    EXPECT_EQ(stored(os_local_machine, "Timer"), std::make_pair(uint32_t{os_reg_dword}, dword(0)));
}

}  // namespace
