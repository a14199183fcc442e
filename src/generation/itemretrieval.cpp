#include "itemretrieval.h"

#include "appsetup.h"
#include "generationtexts.h"
#include "openplatformitems.h"
#include "toppid.h"

RetrievalOutcome retrieveItems(FormPort &form, const AppSetup &setup, RunState &run,
                               const net::Cancellation &cancel, net::CallGate *callGate)
{
    if (setup.source == itemsource::Source::OpenPlatform)
        return openplatform::openPlatformItems(form, setup, run, cancel, callGate);
    return apiceshijiekou(form, setup.hosts, run, cancel);
}

QString pidRefusal(const AppSetup &setup, const QString &pid)
{
    if (setup.source == itemsource::Source::OpenPlatform)
        return openplatform::pidRefusal(pid);
    // Only the length counts, as the window's own check has it.
    return pid.size() == 8 ? QString() : generationtexts::badPid.toString();
}
