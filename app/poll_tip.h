#ifndef TOBALIN_APP_POLL_TIP_H
#define TOBALIN_APP_POLL_TIP_H

#include <cstddef>

#include "app/mail_check.h"

// The tray icon's tip, in UTF-8: "Tobaln" until the first poll has ended,
// then "Tobaln 21:05 " and what came of it: "予約2件", "予約なし 無効1件",
// "サーバーに接続できません". Cut to size - 1 bytes at a character's end.
void poll_tip(const poll_report& poll, char* tip, size_t size);

// Why a poll failed, in UTF-8, as the tip and the log say it; null for a
// poll that did not fail.
const char* poll_failure_text(pop3_result result);

#endif
