// Whether a downloaded installer may be started: a signed program hands over only to an
// installer of its own publisher, so that nobody between the PC and the update server decides
// what the PC runs. A program that is not signed (a developer's build) starts what it got.
#pragma once

#include "platform/signature.h"

enum class InstallerVerdict { Start, Refuse };

// `program` is the running program's signature check, `installer` the installer's. The program
// counts as signed when a signer could be read from its signature. Then the installer must have
// a valid signature (status 0: its digest intact and, on Windows, its chain trusted) whose signer
// has the same subject and was issued by the same certificate, compared by both thumbprints; an
// issuer that is not known on either side matches nothing.
InstallerVerdict DecideInstallerStart(const SignatureCheck& program,
                                      const SignatureCheck& installer);
