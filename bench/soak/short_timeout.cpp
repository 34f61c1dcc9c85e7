// Linked into tobalin_soak only, the soak's copy of the program: a silent
// server holds a poll 3 seconds instead of a minute, so that the soak can
// meet one often. The shipped program has no way to change its time-out.
//
// pop3_timeout_ms is constant-initialised, before any dynamic initialiser
// runs, so this one, which runs before WinMain, has the last word. Three
// seconds stay above the 2 seconds Dovecot waits before it refuses a
// password, so that a wrong password is still told as one.
#include "pop3/pop3_session.h"

namespace {

struct shortened_timeout {
    shortened_timeout() { pop3_timeout_ms = 3000; }
} shortened;

}  // namespace
