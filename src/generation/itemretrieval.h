#pragma once

#include <QString>

#include "apiceshijiekou.h"

class FormPort;
struct AppSetup;
struct RunState;
namespace net {
class Cancellation;
}

// The run's items from the source the settings name: the API test tool or the open platform.
RetrievalOutcome retrieveItems(FormPort &form, const AppSetup &setup, RunState &run,
                               const net::Cancellation &cancel);

// The refusal for settings that name no source the program knows, or empty text.
QString sourceRefusal(const AppSetup &setup);

// What the run says about the PID box's text for that source, or empty text when it will do:
// the test tool takes eight ASCII digits, the open platform the full PID with its 推广位.
QString pidRefusal(const AppSetup &setup, const QString &pid);
