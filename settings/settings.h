#ifndef TOBALIN_SETTINGS_SETTINGS_H
#define TOBALIN_SETTINGS_SETTINGS_H

#include <cstdint>

// The one settings record. Each text has one byte more than its capacity,
// so a value of exactly the capacity still ends in NUL.
struct settings_record {
    uint32_t Timer;      // poll interval in minutes; 0: no automatic polling
    char POP[100 + 1];   // POP3 server, host name or dotted address
    char SMTP[100 + 1];  // outgoing server; kept, shown and saved only
    char User[30 + 1];   // POP3 account
    char Pass[30 + 1];   // POP3 password, plain in memory, scrambled in the registry
    char Batch[500 + 1];    // batch script path; empty: none
    char Station[500 + 1];  // TV station file path; empty: commands are refused
    char PassMail[30 + 1];  // second password; kept, shown and saved only
    // Who may book: addresses and "@domain" entries separated by spaces or
    // commas; empty: everyone. Set in the registry only, never saved here.
    char Senders[500 + 1];
};

extern settings_record Settings;

// Where the record lives, under HKEY_LOCAL_MACHINE (or, for a user who may
// not write there, under HKEY_CURRENT_USER).
extern const char settings_key_path[];

// Clears the record and reads it from the registry. 0 when every value was
// read; -1 otherwise (no key: Timer 10 and empty texts; a missing or too long
// value: its field empty; a Timer missing or not a 4-byte DWORD: 0). Senders
// is optional: without it the load still succeeds and everyone may book; one
// that cannot be read whole lets no one book.
int load_settings();

// Writes the record to the registry: each value that does not already read
// back as the record holds it. 0 when all of them were written, else -1.
int save_settings();

#endif
