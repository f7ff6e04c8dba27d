// Switches an administrator sets for every user of a PC, under HKEY_LOCAL_MACHINE\Software\Policies
// (by Group Policy, a deployment tool or by hand).
#pragma once

#include <string>

#ifdef _WIN32
// Whether the DWORD value `name` of the key `key` (below HKEY_LOCAL_MACHINE, without a leading
// backslash) is set to anything but 0. It is read in the registry view the running program sees
// and in the system's 64-bit view as well: on 64-bit Windows Group Policy writes the machine's
// policies into that view, which a 32-bit program does not see on its own; whoever sets the
// value by hand or with a 32-bit tool writes it into the program's view. Either one counts. A
// missing key or value, or one of another type, is not set.
bool MachinePolicyOn(const std::string& key, const std::string& name);
#endif
