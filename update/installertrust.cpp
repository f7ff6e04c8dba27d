#include "update/installertrust.h"

InstallerVerdict DecideInstallerStart(const SignatureCheck& program,
                                      const SignatureCheck& installer) {
    if (!program.signer) return InstallerVerdict::Start;
    if (installer.status != 0 || !installer.signer) return InstallerVerdict::Refuse;
    const CodeSigner& own = *program.signer;
    const CodeSigner& other = *installer.signer;
    bool issuerKnown = !own.issuerSha1.empty() && !own.issuerSha256.empty();
    bool same = !own.subject.empty() && other.subject == own.subject && issuerKnown &&
                other.issuerSha1 == own.issuerSha1 && other.issuerSha256 == own.issuerSha256;
    return same ? InstallerVerdict::Start : InstallerVerdict::Refuse;
}
