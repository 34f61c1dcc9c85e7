#include "app/poll_tip.h"

#include <cstdio>
#include <cstring>

// The window's name, which the tip begins with.
static const char program_name[] = "Tobaln";

const char* poll_failure_text(pop3_result result)
{
    switch (result) {
    case pop3_ok: return nullptr;
    case pop3_no_such_server: return "サーバーが見つかりません";
    case pop3_no_connection: return "サーバーに接続できません";
    case pop3_server_silent: return "サーバーが応答しません";
    case pop3_login_refused: return "ユーザー名かパスワードが違います";
    case pop3_mailbox_error: return "メールボックスのエラー";
    case pop3_bad_server_entry: return "サーバーの指定が正しくありません";
    case pop3_tls_failed: return "SSL/TLSで接続できません";
    case pop3_untrusted_certificate: return "証明書を確認できません";
    case pop3_connection_broken: break;
    }
    return "接続が切れました";
}

void poll_tip(const poll_report& poll, char* tip, size_t size)
{
    char whole[160];
    if (!poll.done) {
        snprintf(whole, sizeof whole, "%s", program_name);
    } else if (poll.kept > 0) {
        snprintf(whole, sizeof whole, "%s %02d:%02d 予約ファイルを書けません", program_name, poll.when.hour,
                 poll.when.minute);
    } else if (poll.result != pop3_ok) {
        snprintf(whole, sizeof whole, "%s %02d:%02d %s", program_name, poll.when.hour, poll.when.minute,
                 poll_failure_text(poll.result));
    } else {
        char booked[32] = "予約なし", refused[32] = "";
        if (poll.handed_on > 0)
            snprintf(booked, sizeof booked, "予約%d件", static_cast<int>(poll.handed_on));
        if (poll.refused > 0)
            snprintf(refused, sizeof refused, " 無効%d件", static_cast<int>(poll.refused));
        snprintf(whole, sizeof whole, "%s %02d:%02d %s%s", program_name, poll.when.hour, poll.when.minute, booked,
                 refused);
    }
    // A cut falls before a character's first byte, never inside it.
    size_t length = strlen(whole);
    if (length >= size) {
        length = size - 1;
        while (length > 0 && (static_cast<unsigned char>(whole[length]) & 0xC0) == 0x80)
            --length;
    }
    memcpy(tip, whole, length);
    tip[length] = '\0';
}
