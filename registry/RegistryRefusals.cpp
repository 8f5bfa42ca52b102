#include "registry/RegistryRefusals.h"

#include <utility>

namespace qm::testing {
namespace {

RegistryRule& Rule() {
    static RegistryRule rule;
    return rule;
}

bool& OneMachineView() {
    static bool oneView = false;
    return oneView;
}

} // namespace

void SetRegistryRule(RegistryRule rule) { Rule() = std::move(rule); }
void UseOneMachineView(bool oneView) { OneMachineView() = oneView; }

bool RuleRefuses(const RegistryRequest& request) {
    const RegistryRule& rule = Rule();
    return rule && rule(request);
}

bool OneMachineViewChosen() { return OneMachineView(); }

} // namespace qm::testing
