// What the program makes of each way reading a PCX file can end, in one table: whether the
// picture is shown, refused or fails, the numbered error of a failure, and what a window or
// glimmer-pcx tells the user. The decoder core knows only its statuses.
#pragma once

#include <QString>

#include "pcx/status.h"

namespace glimmer {

enum class Verdict { Decoded, Refused, Failed };

struct Telling {
    Verdict verdict = Verdict::Decoded;
    int number = 0;       // the numbered error of a failure, 0 otherwise
    QString text;         // what the user is told; empty for a kind refused without a word
    QString title;        // the message's title; empty for the program's own
    bool warning = false; // shown with the exclamation icon
};

[[nodiscard]] Telling telling(pcx::Status status);

} // namespace glimmer
