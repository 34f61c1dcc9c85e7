#ifndef TOBALIN_APP_HAND_OFF_H
#define TOBALIN_APP_HAND_OFF_H

// The programme-information file that the recording application books
// from, in the working folder.
extern const char programme_file_name[];

// Writes the text as the file, whole and with one write, every line ended
// by CR LF as the recording application reads it. False when it could not
// be written whole.
bool write_programme_file(const char* text);

// Opens the file with the application registered for its type, the user's
// recording application, through the shell's file-protocol handler. It is
// started, not waited for; false when it could not be started.
bool hand_off_reservation();

#endif
