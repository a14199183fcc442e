#include "itemretrieval.h"

#include <algorithm>

#include "appsetup.h"
#include "generationtexts.h"
#include "itemfilters.h"
#include "openplatformitems.h"
#include "toppid.h"

RetrievalOutcome retrieveItems(FormPort &form, const AppSetup &setup, RunState &run,
                               const net::Cancellation &cancel, net::CallGate *callGate)
{
    if (setup.source == itemsource::Source::OpenPlatform)
        return openplatform::openPlatformItems(form, setup, run, cancel, callGate);
    return apiceshijiekou(form, setup.hosts, run, cancel, setup.filter);
}

QString filterRefusal(const AppSetup &setup, const ItemFilter &filter)
{
    return setup.source == itemsource::Source::TestTool ? itemfilters::testToolRefusal(filter) : QString();
}

QString sourceRefusal(const AppSetup &setup)
{
    return setup.source == itemsource::Source::Unknown ? generationtexts::unknownSource.toString()
                                                       : QString();
}

QString pidRefusal(const AppSetup &setup, const QString &pid)
{
    if (setup.source == itemsource::Source::OpenPlatform)
        return openplatform::pidRefusal(pid);
    // The digits go into every link as they stand: anything else there loses the commission.
    const bool digits = std::all_of(pid.cbegin(), pid.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return pid.size() == 8 && digits ? QString() : generationtexts::badPid.toString();
}
