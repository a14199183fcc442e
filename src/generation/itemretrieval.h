#pragma once

#include <QString>

#include "apiceshijiekou.h"
#include "itemfilter.h"

class FormPort;
struct AppSetup;
struct RunState;
namespace net {
class CallGate;
class Cancellation;
} // namespace net

// The run's items from the source the settings name: the API test tool or the open platform.
// `callGate`, when given, is paused on the source's call-limit answer.
RetrievalOutcome retrieveItems(FormPort &form, const AppSetup &setup, RunState &run,
                               const net::Cancellation &cancel, net::CallGate *callGate);

// The refusal for settings that name no source the program knows, or empty text.
QString sourceRefusal(const AppSetup &setup);

// What the run says about filters the source cannot send, or empty text.
QString filterRefusal(const AppSetup &setup, const ItemFilter &filter);

// What the run says about the PID box's text for that source, or empty text when it will do:
// the test tool takes eight ASCII digits, the open platform the full PID with its 推广位.
QString pidRefusal(const AppSetup &setup, const QString &pid);
