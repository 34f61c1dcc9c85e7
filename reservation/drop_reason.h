#ifndef TOBALIN_RESERVATION_DROP_REASON_H
#define TOBALIN_RESERVATION_DROP_REASON_H

// Why a message books nothing: the user reads it in the log.
enum drop_reason {
    not_dropped = 0,
    // Not a reservation at all.
    no_body,                   // no blank line ends the headers
    no_content_type,           // the headers hold no Content-Type
    sender_not_allowed,        // the From address is not among the allowed senders
    html_only,                 // its only text is HTML
    no_command,                // its first line is no reservation command
    programme_info_malformed,  // programme information without its media type or charset
    // A reservation command, refused: the user meant to book something.
    keyword_misspelt,         // "RESV", "Resv", "resv" and a tab, "open" without "prog add"
    command_cut_short,        // the text ends before the command does
    date_out_of_range,        // a month, day or year that cannot be
    time_out_of_range,        // an hour or minute that cannot be
    channel_out_of_range,     // a channel that is not 1 to 999
    no_station_file,          // the TV station file is not set
    station_file_unreadable,  // the TV station file cannot be read
    channel_not_listed,       // the TV station file has no line for the channel
};

inline bool is_refused_command(drop_reason reason)
{
    return reason >= keyword_misspelt;
}

#endif
