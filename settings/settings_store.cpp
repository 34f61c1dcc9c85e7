// The settings record and its registry store.
#include <cstddef>
#include <cstring>

#include "platform/registry.h"
#include "settings/settings.h"

settings_record Settings;

const char settings_key_path[] = "Software\\ZELKA\\Tobalin";

namespace {

// Passwords are stored with every byte XORed with this key.
constexpr char scramble_key = 0x4D;

enum value_kind { dword_value, text_value, scrambled_text };

struct stored_value {
    const char* name;
    size_t offset;  // of the field in the record
    uint32_t size;  // of the field; a text's capacity is one byte less
    value_kind kind;
};

#define FIELD(field, kind) {#field, offsetof(settings_record, field), sizeof Settings.field, kind}

// The values in the order they are read and written.
const stored_value stored_values[] = {
    FIELD(Timer, dword_value),     FIELD(POP, text_value),   FIELD(SMTP, text_value),
    FIELD(User, text_value),       FIELD(Pass, scrambled_text), FIELD(Batch, text_value),
    FIELD(Station, text_value),    FIELD(PassMail, scrambled_text),
};

#undef FIELD

char* field_of(const stored_value& value, settings_record& record = Settings)
{
    return reinterpret_cast<char*>(&record) + value.offset;
}

void scramble(char* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        bytes[i] ^= scramble_key;
}

// The machine-wide key when this user may open it with full access; the
// user's own key otherwise, where a user without rights on the machine-wide
// key keeps the settings.
os_status open_settings_key(os_reg_key* key)
{
    os_status status = os_registry->open_key(os_local_machine, settings_key_path, key);
    if (status == os_denied || status == os_not_found)
        status = os_registry->open_key(os_current_user, settings_key_path, key);
    return status;
}

os_status create_settings_key(os_reg_key* key)
{
    os_status status = os_registry->create_key(os_local_machine, settings_key_path, key);
    if (status == os_denied)
        status = os_registry->create_key(os_current_user, settings_key_path, key);
    return status;
}

// Reads one value into its field of the record: false when it is missing,
// too long, or a Timer that is no DWORD.
bool read_value(os_reg_key key, const stored_value& value, settings_record& record = Settings)
{
    char* field = field_of(value, record);
    // The whole field, its NUL byte included: a text may be stored with its
    // terminator (Windows keeps one after earlier versions' writes), and a
    // text of exactly the capacity then still fits.
    uint32_t length = value.size;
    uint32_t type = 0;
    if (os_registry->query_value(key, value.name, &type, field, &length) != os_ok)
        return false;
    // Only a DWORD is a Timer: a "5" stored as text would read as 53.
    if (value.kind == dword_value)
        return type == os_reg_dword && length == value.size;
    if (length > 0 && field[length - 1] == '\0')
        --length;
    if (length >= value.size)
        return false;
    // By the stored length, not up to a NUL: a password byte equal to the
    // key is stored as 0 and must come back too.
    if (value.kind == scrambled_text)
        scramble(field, length);
    return true;
}

// The optional list of who may book. Missing: everyone. One that cannot be
// read whole lets no one book, rather than everyone: the user who wrote it
// meant to keep others out, and the log tells why nothing is booked.
void read_senders(os_reg_key key)
{
    char* list = Settings.Senders;
    uint32_t length = sizeof Settings.Senders;
    os_status status = os_registry->query_value(key, "Senders", nullptr, list, &length);
    if (status == os_ok && length > 0 && list[length - 1] == '\0')
        --length;
    if (status == os_ok && length < sizeof Settings.Senders)
        list[length] = '\0';
    else
        strcpy(list, status == os_not_found ? "" : "@");  // "@" alone is the domain of no address
}

// Whether the value already reads back as its field holds it (a text up to
// its NUL). Reading passes each text through the ANSI code page: where that
// code page lacks the characters of a stored path, the field holds "?" for
// them, and writing it back would destroy the path the user never touched.
bool stored_as_held(os_reg_key key, const stored_value& value)
{
    settings_record stored = {};
    if (!read_value(key, value, stored))
        return false;
    const char *held = field_of(value), *found = field_of(value, stored);
    if (value.kind == dword_value)
        return memcmp(held, found, value.size) == 0;
    return strncmp(held, found, value.size) == 0;
}

// Writes one value from its field.
bool write_value(os_reg_key key, const stored_value& value)
{
    const char* field = field_of(value);
    if (value.kind == dword_value)
        return os_registry->set_value(key, value.name, os_reg_dword, field, value.size) == os_ok;

    // Written without the NUL: the data length is the string length.
    const void* end = memchr(field, '\0', value.size);
    uint32_t length = end ? static_cast<uint32_t>(static_cast<const char*>(end) - field) : value.size - 1;
    char scrambled[sizeof Settings.Pass];
    if (value.kind == scrambled_text) {
        memcpy(scrambled, field, length);
        scramble(scrambled, length);
        scrambled[length] = '\0';
        field = scrambled;
        // A final 0 byte (a final "M") would read as a terminator: store a
        // terminator after it, so that it stays part of the password.
        if (length > 0 && scrambled[length - 1] == '\0')
            ++length;
    }
    return os_registry->set_value(key, value.name, os_reg_sz, field, length) == os_ok;
}

}  // namespace

int load_settings()
{
    memset(&Settings, 0, sizeof Settings);

    os_reg_key key;
    if (open_settings_key(&key) != os_ok) {
        Settings.Timer = 10;
        return -1;
    }
    // A value that cannot be read empties its own field only: the dialog
    // then opens with every other field as stored, and its OK does not
    // save emptiness over them.
    int result = 0;
    for (const stored_value& value : stored_values) {
        if (!read_value(key, value)) {
            memset(field_of(value), 0, value.size);
            result = -1;
        }
    }
    read_senders(key);
    os_registry->close_key(key);
    return result;
}

int save_settings()
{
    os_reg_key key;
    if (create_settings_key(&key) != os_ok)
        return -1;

    for (const stored_value& value : stored_values) {
        if (!stored_as_held(key, value) && !write_value(key, value)) {
            os_registry->close_key(key);
            return -1;
        }
    }
    os_registry->close_key(key);
    return 0;
}
