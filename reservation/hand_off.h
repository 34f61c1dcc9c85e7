#ifndef TOBALIN_RESERVATION_HAND_OFF_H
#define TOBALIN_RESERVATION_HAND_OFF_H

// Opens "Tobalin.tvpi" with the application registered for its type, the
// user's recording application, through the shell's file-protocol handler.
// It is started, not waited for.
void hand_off_reservation();

#endif
