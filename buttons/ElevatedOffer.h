#pragma once
// The button page's offer to make a change that Windows refused on the machine's keys with
// administrator rights: the change is handed to a copy of the program that Windows starts
// elevated, while the window waits and stays.

#include "buttons/ElevatedChange.h"
#include "registry/ChangeHistory.h"
#include "ui/PageHost.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

// How the change ended once it was offered.
enum class Elevated {
    Declined, // the user said No, or declined Windows' elevation prompt
    Made,
    NotMade, // the elevated copy did not make it (and said why), or it could not be handed over
};

// Asks whether to make the change refused (failure says what could not be done) with
// administrator rights, and makes it when the user says Yes. The history records the change
// here, in the user's own profile, around the elevated run, as what; made runs once the change
// is made, before the record notes how the keys are after it.
Elevated OfferElevated(ui::PageHost& host, const std::string& failure, const ElevatedChange& change,
                       const std::string& what, const std::vector<ChangedKey>& keys,
                       const std::function<void()>& made = {});

} // namespace qm
