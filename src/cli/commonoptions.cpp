#include "commonoptions.h"

#include "itemfilters.h"

namespace cli {

bool readFilters(const QCommandLineParser &parser, const FilterOptions &options, const Console &console,
                 ItemFilter &filter)
{
    if (parser.isSet(options.couponOnly))
        filter.couponOnly = true;
    if (parser.isSet(options.tmallOnly))
        filter.tmallOnly = true;
    ItemFilter changed = filter;
    QString refusal;
    if (parser.isSet(options.price))
        refusal = itemfilters::setPrice(parser.value(options.price), changed);
    if (refusal.isEmpty() && parser.isSet(options.minCommission))
        refusal = itemfilters::setCommission(parser.value(options.minCommission), changed);
    if (!refusal.isEmpty()) {
        console.error(refusal);
        return false;
    }
    filter = changed;
    return true;
}

} // namespace cli
