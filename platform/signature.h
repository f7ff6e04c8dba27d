// The Authenticode signature of a file: whether the system finds it valid, and who signed it,
// as far as deciding "the same publisher" needs. The Win32 side checks a file through a handle
// that its caller holds open, so that what was checked is what is used afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The signer certificate's subject, and the certificate that issued it, by its thumbprints.
struct CodeSigner {
    std::string subject;  // the subject name as the certificate encodes it (DER)
    // Of the issuing certificate (raw digests); empty when the signature does not lead to a
    // certificate that really signed the signer's.
    std::string issuerSha1;
    std::string issuerSha256;
};

struct SignatureCheck {
    // WinVerifyTrust's answer: 0 for a valid signature, else an HRESULT such as these.
    std::uint32_t status = 0;
    // Who signed, when the signature could be read at all (also when it is not valid).
    std::optional<CodeSigner> signer;
};

constexpr std::uint32_t kTrustNoSignature = 0x800B0100;    // TRUST_E_NOSIGNATURE
constexpr std::uint32_t kTrustBadDigest = 0x80096010;      // TRUST_E_BAD_DIGEST
constexpr std::uint32_t kTrustUntrustedRoot = 0x800B0109;  // CERT_E_UNTRUSTEDROOT

#ifdef _WIN32
#include <windows.h>

// Checks the signature of the file open as `file` (opened for reading) whose full name is
// `path`, through that handle: its digest and, where the system checks chains, its chain.
// Revocation is not asked of the network (school PCs are often offline).
SignatureCheck CheckFileSignature(HANDLE file, const std::wstring& path);

// The running program's own signature.
SignatureCheck CheckProgramSignature();
#endif
