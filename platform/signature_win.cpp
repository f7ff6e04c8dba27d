#include "platform/signature.h"

#include "platform/handles.h"
#include "platform/scopeexit.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

namespace {

std::string Digest(const wchar_t* algorithm, PCCERT_CONTEXT cert) {
    BYTE digest[64];
    DWORD size = sizeof digest;
    if (!::CryptHashCertificate2(algorithm, 0, nullptr, cert->pbCertEncoded, cert->cbCertEncoded,
                                 digest, &size))
        return std::string();
    return std::string(reinterpret_cast<const char*>(digest), size);
}

bool SignedBy(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer) {
    return ::CryptVerifyCertificateSignatureEx(
               0, X509_ASN_ENCODING, CRYPT_VERIFY_CERT_SIGN_SUBJECT_CERT,
               const_cast<CERT_CONTEXT*>(subject), CRYPT_VERIFY_CERT_SIGN_ISSUER_CERT,
               const_cast<CERT_CONTEXT*>(issuer), 0, nullptr) != FALSE;
}

// The signer of the first signature with the certificate that issued it. The chain is the one
// the trust provider built from the certificates the signature carries and the system's stores;
// whether that issuer really signed the signer's certificate is checked here once more, since
// not every platform rejects a chain whose signatures do not hold.
std::optional<CodeSigner> SignerOf(HANDLE state) {
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(state);
    if (!provider) return std::nullopt;
    CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain[0].pCert) return std::nullopt;
    PCCERT_CONTEXT leaf = signer->pasCertChain[0].pCert;
    CodeSigner who;
    const CERT_NAME_BLOB& subject = leaf->pCertInfo->Subject;
    who.subject.assign(reinterpret_cast<const char*>(subject.pbData), subject.cbData);

    PCCERT_CONTEXT issuer = nullptr;
    if (signer->csCertChain > 1)
        issuer = signer->pasCertChain[1].pCert;
    else if (::CertCompareCertificateName(X509_ASN_ENCODING, &leaf->pCertInfo->Subject,
                                          &leaf->pCertInfo->Issuer))
        issuer = leaf;  // a self-signed publisher
    if (issuer && SignedBy(leaf, issuer)) {
        who.issuerSha1 = Digest(L"SHA1", issuer);
        who.issuerSha256 = Digest(L"SHA256", issuer);
        if (who.issuerSha1.empty() || who.issuerSha256.empty()) {
            who.issuerSha1.clear();
            who.issuerSha256.clear();
        }
    }
    return who;
}

}  // namespace

SignatureCheck CheckFileSignature(HANDLE file, const std::wstring& path) {
    WINTRUST_FILE_INFO info = {};
    info.cbStruct = sizeof info;
    info.pcwszFilePath = path.c_str();
    info.hFile = file;

    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
    SignatureCheck check;
    check.status = static_cast<std::uint32_t>(::WinVerifyTrust(noWindow, &action, &data));
    ScopeExit close([&] {
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(noWindow, &action, &data);
    });
    if (data.hWVTStateData) check.signer = SignerOf(data.hWVTStateData);
    return check;
}

SignatureCheck CheckProgramSignature() {
    std::vector<wchar_t> name(MAX_PATH);
    DWORD length = 0;
    while ((length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()))) ==
           name.size())
        name.resize(name.size() * 2);
    std::wstring path(name.data(), length);
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return CheckFileSignature(file ? file.get() : nullptr, path);
}
