#pragma once

#include "itemfilter.h"

class FormPort;
struct RunState;
struct ServiceHosts;
namespace net {
class Cancellation;
}

// How a retrieval run ended; the generation run writes its page only after Completed.
enum class RetrievalOutcome { Completed, TimedOut, Failed, Aborted };

// Fetches the items for the inputs of `form` and appends one filled item block per item (the
// run's itemBlock) to run.itemsHtml, counting them; shows its status pages through
// form.navigate(). Aborted: `cancel` was cancelled during a wait; neither the form nor the run
// was touched after.
// `filter` narrows the query where the tool has a field for it.
RetrievalOutcome apiceshijiekou(FormPort &form, const ServiceHosts &hosts, RunState &run,
                                const net::Cancellation &cancel, const ItemFilter &filter = {});
