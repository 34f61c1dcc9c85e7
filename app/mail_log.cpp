// The log: one line for each mail and for each poll that failed.
#include "app/mail_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/poll_tip.h"
#include "common/compiler.h"
#include "kanji/utf8_to_sjis.h"
#include "platform/clock.h"
#include "platform/files.h"

const char log_file_name[] = "Tobalin.log";
const char old_log_file_name[] = "Tobalin.log.1";

namespace {

// Most bytes of a line before its CR LF.
const size_t line_room = 1024;

// One line as it is put together: Shift_JIS, ended by CR LF when written.
struct log_line {
    char bytes[line_room + 2];
    size_t length;
};

// Adds text that is Shift_JIS already (a subject, a station, a title),
// passing over line ends.
void add_shift_jis(log_line* line, const char* text)
{
    for (; *text != '\0' && line->length < line_room; ++text)
        line->bytes[line->length++] = *text == '\r' || *text == '\n' ? ' ' : *text;
}

// Adds the program's own words, written here in UTF-8, made Shift_JIS.
PRINTF_FORMAT(2, 3) void add_words(log_line* line, const char* format, ...)
{
    char words[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(words, sizeof words, format, arguments);
    va_end(arguments);
    int room = static_cast<int>(line_room - line->length);
    int written = utf8_to_sjis(words, static_cast<int>(strlen(words)), line->bytes + line->length, room);
    line->length += static_cast<size_t>(written >= 0 ? written : 0);
}

// The date and time, then the word that says what happened.
void begin_line(log_line* line, const char* word)
{
    os_date now;
    os_clock->local_date(&now);
    line->length = 0;
    add_words(line, "%04d/%02d/%02d %02d:%02d  %s  ", now.year, now.month, now.day, now.hour, now.minute, word);
}

// The sender and the subject of a mail.
void add_mail(log_line* line, const interpretation& message)
{
    add_shift_jis(line, message.sender[0] != '\0' ? message.sender : "-");
    add_words(line, "  件名「");
    add_shift_jis(line, message.subject);
    add_words(line, "」  ");
}

// Writes the line, starting a new log once the old one has grown past the limit.
void write_line(log_line* line)
{
    uint64_t size = 0;
    if (os_files->file_size(log_file_name, &size) == os_ok && size >= log_limit)
        os_files->replace_file(log_file_name, old_log_file_name);
    line->bytes[line->length++] = '\r';
    line->bytes[line->length++] = '\n';
    os_files->append_to_file(log_file_name, line->bytes, line->length);
}

const char* next_line(const char* line)
{
    line += strcspn(line, "\n");
    return *line == '\n' ? line + 1 : line;
}

// The value of a line "name: value" of a programme-information text.
void programme_field(const char* text, const char* name, char* value, size_t size)
{
    value[0] = '\0';
    size_t name_length = strlen(name);
    for (const char* line = text; *line != '\0'; line = next_line(line)) {
        if (strncmp(line, name, name_length) == 0 && line[name_length] == ':') {
            const char* start = line + name_length + 1;
            start += strspn(start, " ");
            size_t length = strcspn(start, "\r\n");
            if (length >= size)
                length = size - 1;
            memcpy(value, start, length);
            value[length] = '\0';
            return;
        }
    }
}

// What was booked: the date, the times, the channel, the station, the title.
void add_booking(log_line* line, const interpretation& message)
{
    char year[8], month[8], day[8], start[8], end[8], station[128], title[256];
    programme_field(message.text, "year", year, sizeof year);
    programme_field(message.text, "month", month, sizeof month);
    programme_field(message.text, "date", day, sizeof day);
    programme_field(message.text, "start", start, sizeof start);
    programme_field(message.text, "end", end, sizeof end);
    programme_field(message.text, "station", station, sizeof station);
    programme_field(message.text, "program-title", title, sizeof title);
    add_words(line, "%s/%s/%s %s-%s ", year, month, day, start, end);
    if (message.channel != 0)
        add_words(line, "%dch ", static_cast<int>(message.channel));
    add_shift_jis(line, station);
    add_words(line, " 「");
    add_shift_jis(line, title);
    add_words(line, "」");
}

const char* reason_text(drop_reason reason)
{
    switch (reason) {
    case not_dropped: break;
    case no_body: return "本文のないメールです";
    case no_content_type: return "ヘッダーに Content-Type のないメールです";
    case sender_not_allowed: return "予約を受け付ける差出人ではありません";
    case html_only: return "HTML だけのメールです (テキスト形式で送ってください)";
    case no_command: return "本文の 1 行目が予約コマンドではありません";
    case programme_info_malformed: return "番組情報の Content-type の行が正しくありません";
    case keyword_misspelt: return "予約コマンドの書き方が違います (小文字で書き、後ろに空白を 1 つ)";
    case command_cut_short: return "予約コマンドが途中で終わっています";
    case date_out_of_range: return "日付が正しくありません";
    case time_out_of_range: return "時刻が正しくありません";
    case channel_out_of_range: return "チャンネル番号が正しくありません (1～999)";
    case no_station_file: return "TV局ファイルが設定されていません";
    case station_file_unreadable: return "TV局ファイルを読めません";
    case channel_not_listed: return "TV局ファイルにないチャンネルです";
    }
    return "";
}

}  // namespace

void log_mail(const interpretation& message, mail_fate fate)
{
    log_line line;
    switch (fate) {
    case mail_booked:
    case mail_not_opened:
        begin_line(&line, "予約");
        add_mail(&line, message);
        add_booking(&line, message);
        if (fate == mail_not_opened)
            add_words(&line, " (Tobalin.tvpi を開くアプリケーションを起動できません)");
        break;
    case mail_kept:
        begin_line(&line, "保留");
        add_mail(&line, message);
        add_words(&line, "予約ファイルを書けません。メールはサーバーに残し、次の確認で読み直します");
        break;
    case mail_dropped:
        begin_line(&line, is_refused_command(message.reason) ? "無効" : "対象外");
        add_mail(&line, message);
        add_words(&line, "%s", reason_text(message.reason));
        if (message.reason == channel_not_listed || message.reason == channel_out_of_range)
            add_words(&line, ": %d", static_cast<int>(message.channel));
        break;
    }
    write_line(&line);
}

void log_mail_too_large(uint32_t size)
{
    log_line line;
    begin_line(&line, "削除");
    add_words(&line, "%u バイトのメールを読まずに削除しました (上限 %u バイト)", static_cast<unsigned>(size),
              static_cast<unsigned>(pop3_message_limit));
    write_line(&line);
}

void log_failed_poll(pop3_result result, const char* server)
{
    log_line line;
    begin_line(&line, "失敗");
    add_words(&line, "%s", poll_failure_text(result));
    add_words(&line, "  サーバー ");
    add_shift_jis(&line, server);
    write_line(&line);
}
