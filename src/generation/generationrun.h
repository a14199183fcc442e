#pragma once

#include <QString>

class FormPort;
struct AppSetup;
namespace net {
class Cancellation;
}

// How a generation run ended.
enum class RunOutcome {
    Written,   // the page was written and its success page shown
    Refused,   // an input or the template was refused with a message; nothing written
    Failed,    // no items, or the output could not be written; a page says why
    Cancelled, // stopped from outside; nothing more written, the form left alone
};

// The generate command: checks the inputs, reads and splits the chosen template, has the items
// fetched, then writes a fresh output folder below the output root (the template's files and
// "index.htm") and shows the success page, or a page saying why nothing could be written.
// Everything the run makes belongs to that run; the set-up is only read.
RunOutcome shengcheng_Click(FormPort &form, const AppSetup &setup, const net::Cancellation &cancel);

// What the run says about a keyword, or empty text: one of blanks only would search for nothing,
// and one longer than any search is a paste gone wrong, to be sent and echoed whole otherwise.
QString keywordRefusal(const QString &keyword);
