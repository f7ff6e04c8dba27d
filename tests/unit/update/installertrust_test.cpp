// The rule that decides whether a downloaded installer may start, as a table of the running
// program's signature against the installer's. Under Wine a certificate whose root is unknown
// still checks as valid (Wine checks digests, not chains), so the untrusted root that Windows
// reports can only be shown here.
#include "update/installertrust.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const CodeSigner kPublisher{
    "0\x1b"
    "CN=Tallowbrook Publisher",
    std::string(20, '\x11'), std::string(32, '\x22')};

CodeSigner With(CodeSigner signer, std::string CodeSigner::*field, std::string value) {
    signer.*field = std::move(value);
    return signer;
}

struct Row {
    const char* what;
    SignatureCheck program;
    SignatureCheck installer;
    InstallerVerdict verdict;
};

TEST(InstallerTrustTest, OnlyTheSamePublisherUnderTheSameIssuerStartsFromASignedProgram) {
    const SignatureCheck signedProgram{0, kPublisher};
    const SignatureCheck unsignedFile{kTrustNoSignature, std::nullopt};
    CodeSigner renamedCa = kPublisher;  // another CA certificate that carries the same name
    renamedCa.issuerSha1[19] = '\x12';
    renamedCa.issuerSha256[0] = '\x23';
    const std::vector<Row> rows = {
        {"same publisher, valid", signedProgram, {0, kPublisher}, InstallerVerdict::Start},
        {"installer unsigned", signedProgram, unsignedFile, InstallerVerdict::Refuse},
        {"changed after signing",
         signedProgram,
         {kTrustBadDigest, kPublisher},
         InstallerVerdict::Refuse},
        {"chain to an untrusted root (Windows)",
         signedProgram,
         {kTrustUntrustedRoot, kPublisher},
         InstallerVerdict::Refuse},
        {"valid but no signer read", signedProgram, {0, std::nullopt}, InstallerVerdict::Refuse},
        {"another publisher",
         signedProgram,
         {0, With(kPublisher, &CodeSigner::subject,
                  "0\x16"
                  "CN=Someone Else")},
         InstallerVerdict::Refuse},
        {"same name under another CA", signedProgram, {0, renamedCa}, InstallerVerdict::Refuse},
        {"only the SHA-1 thumbprint differs",
         signedProgram,
         {0, With(kPublisher, &CodeSigner::issuerSha1, std::string(20, '\x13'))},
         InstallerVerdict::Refuse},
        {"only the SHA-256 thumbprint differs",
         signedProgram,
         {0, With(kPublisher, &CodeSigner::issuerSha256, std::string(32, '\x24'))},
         InstallerVerdict::Refuse},
        {"installer's issuer not known",
         signedProgram,
         {0, With(With(kPublisher, &CodeSigner::issuerSha1, ""), &CodeSigner::issuerSha256, "")},
         InstallerVerdict::Refuse},
        // A program whose issuer cannot be told matches nobody, not even a twin without issuer.
        {"program's issuer not known",
         {0, With(With(kPublisher, &CodeSigner::issuerSha1, ""), &CodeSigner::issuerSha256, "")},
         {0, With(With(kPublisher, &CodeSigner::issuerSha1, ""), &CodeSigner::issuerSha256, "")},
         InstallerVerdict::Refuse},
        {"empty subjects",
         {0, With(kPublisher, &CodeSigner::subject, "")},
         {0, With(kPublisher, &CodeSigner::subject, "")},
         InstallerVerdict::Refuse},
        // The program's own status does not matter: who signed it does.
        {"program's own chain untrusted",
         {kTrustUntrustedRoot, kPublisher},
         {0, kPublisher},
         InstallerVerdict::Start},
        // A developer's build starts what it got, as it always has.
        {"program unsigned, installer unsigned", unsignedFile, unsignedFile,
         InstallerVerdict::Start},
        {"program unsigned, installer changed",
         unsignedFile,
         {kTrustBadDigest, kPublisher},
         InstallerVerdict::Start},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.verdict, DecideInstallerStart(row.program, row.installer)) << row.what;
}

}  // namespace
