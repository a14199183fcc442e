#pragma once

#include "appsetup.h"
#include "batchrun.h"
#include "siteconfig.h"

// How a site's settings and a batch run's map onto each other, in one place: a site is made from
// what a batch would be run with, and each refresh runs its pages as such a batch.
namespace sites {

// What every keyword of a refresh shares, as the site has it.
BatchSettings batchSettings(const siteconfig::Site &site);

// The site's own set-up of a run: its 淘口令 choice (the set-up's is the window's).
AppSetup runSetup(const siteconfig::Site &site, AppSetup setup);

// Takes what a batch would be run with into the site; the name, the 淘口令 choice and the pages
// stay the site's. The base address is kept in its canonical form.
void takeSettings(siteconfig::Site &site, const BatchSettings &settings);

} // namespace sites
