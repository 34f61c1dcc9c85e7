// Placeholder until the OpenSSL channel lands: every handshake fails.
#include "platform/tls.h"

static os_status open_channel(os_socket, const char*, uint32_t, os_tls_channel* channel)
{
    *channel = nullptr;
    return os_failed;
}
static os_status send_bytes(os_tls_channel, const char*, size_t, uint32_t) { return os_failed; }
static os_status receive(os_tls_channel, char*, size_t, uint32_t, size_t*) { return os_failed; }
static void close_channel(os_tls_channel, bool) {}

const os_tls_calls os_native_tls = {open_channel, send_bytes, receive, close_channel};
