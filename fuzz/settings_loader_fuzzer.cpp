// Loading the settings from arbitrary registry values: every text comes
// back NUL-terminated within its field; the load succeeds exactly when
// every value was there and fitted; and what was loaded, saved and loaded
// again is the same record.
//
// Input: for each of the eight values in turn, one byte whose low bit says
// whether it is there and whose next bits say how long it is, then its
// bytes; what is left over goes to the last one.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "settings/settings.h"
#include "tests/doubles/registry_double.h"

static bool same_record(const settings_record& a, const settings_record& b)
{
    return a.Timer == b.Timer && strcmp(a.POP, b.POP) == 0 && strcmp(a.SMTP, b.SMTP) == 0 &&
           strcmp(a.User, b.User) == 0 && strcmp(a.Pass, b.Pass) == 0 && strcmp(a.Batch, b.Batch) == 0 &&
           strcmp(a.Station, b.Station) == 0 && strcmp(a.PassMail, b.PassMail) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const names[] = {"Timer", "POP", "SMTP", "User", "Pass", "Batch", "Station", "PassMail"};
    os_registry = &memory_registry;
    memory_registry_clear();
    os_reg_key key;
    os_registry->create_key(os_local_machine, settings_key_path, &key);
    bool all_there = true;
    size_t at = 0;
    for (int i = 0; i < 8 && at < size; ++i) {
        uint8_t head = data[at++];
        size_t length = i == 7 ? size - at : head >> 1;
        length = length > size - at ? size - at : length;
        if (head & 1)
            os_registry->set_value(key, names[i], i == 0 ? os_reg_dword : os_reg_sz, data + at,
                                   static_cast<uint32_t>(length));
        all_there = all_there && (head & 1);
        at += length;
    }
    int result = load_settings();
    const settings_record loaded = Settings;
    const std::pair<const char*, size_t> fields[] = {
        {loaded.POP, sizeof loaded.POP},     {loaded.SMTP, sizeof loaded.SMTP},       {loaded.User, sizeof loaded.User},
        {loaded.Pass, sizeof loaded.Pass},   {loaded.Batch, sizeof loaded.Batch},     {loaded.Station, sizeof loaded.Station},
        {loaded.PassMail, sizeof loaded.PassMail}};
    for (const auto& field : fields)
        if (!memchr(field.first, '\0', field.second))
            __builtin_trap();
    if (result == 0 && !all_there)
        __builtin_trap();
    if (save_settings() != 0 || load_settings() != 0 || !same_record(Settings, loaded))
        __builtin_trap();
    return 0;
}
