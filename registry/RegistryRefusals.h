#pragma once
// For tests only. Wine grants every registry request, where Windows refuses a standard user
// (or an administrator without elevation) write access to the machine's keys. A test puts a
// rule in place here, and every key the accessor opens or makes is first put to that rule:
// a request it refuses fails with ERROR_ACCESS_DENIED, as Windows would fail it. The program
// itself never sets a rule, so without one nothing is ever refused.

#include <windows.h>

#include <functional>
#include <string>

namespace qm::testing {

struct RegistryRequest {
    HKEY root = nullptr;  // HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
    REGSAM view = 0;      // KEY_WOW64_32KEY, KEY_WOW64_64KEY, or 0 for the current user's root
    std::string path;     // the key's path from the root, without a leading backslash
    REGSAM access = 0;    // what the open asks for; a key being made asks KEY_CREATE_SUB_KEY
    bool creates = false; // the key does not exist yet and is being made
};

// True refuses the request. An empty rule refuses nothing.
using RegistryRule = std::function<bool(const RegistryRequest&)>;
void SetRegistryRule(RegistryRule rule);

// Makes the accessor work as on 32-bit Windows, with one view of the machine's keys (true),
// or as this Windows is (false).
void UseOneMachineView(bool oneView);

// What the accessor asks: whether the rule in place refuses the request, and whether a test
// chose one view of the machine's keys.
bool RuleRefuses(const RegistryRequest& request);
bool OneMachineViewChosen();

} // namespace qm::testing
