// Where a program keeps this account's state (the registry file, the emulated handheld),
// and whether a folder found there can be trusted with it.
#pragma once

#include <string>

namespace platform {

// HOME, else the account's home from the password database; empty when neither is known.
// Never a shared folder such as /tmp, where another user could have prepared the state.
std::string HomeFolder();
// True when `folder` is missing or belongs to this account and nobody else can write to it
// (its group may when that is the account's own group); otherwise false and why.
bool TrustedStateFolder(const std::string& folder, std::string* problem);

}  // namespace platform
