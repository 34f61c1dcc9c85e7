// The calls in use start as this system's own; tests swap in doubles.
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/sockets.h"
#include "platform/tls.h"

const os_registry_calls* os_registry = &os_native_registry;
const os_files_calls* os_files = &os_native_files;
const os_clock_calls* os_clock = &os_native_clock;
const os_desktop_calls* os_desktop = &os_native_desktop;
const os_sockets_calls* os_sockets = &os_native_sockets;
const os_process_calls* os_process = &os_native_process;
const os_tls_calls* os_tls = &os_native_tls;
