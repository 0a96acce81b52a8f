#pragma once
// The detached signature every upgrade must carry: Ed25519 over the whole program, checked
// against a public key built into the client. Without it an upgrade proves nothing about what it
// is, only that the server knew the account.

#include <string>
#include <string_view>

namespace tandril::upgrade {

// The public key the client was built with (PEM, "-----BEGIN PUBLIC KEY-----").
const std::string& BuiltInUpgradeKey();

// True only when `signature` (the 64 raw bytes) is a valid Ed25519 signature of `data` by the
// key in `publicKeyPem`. A key that is not an Ed25519 public key verifies nothing.
bool VerifyUpgradeSignature(std::string_view publicKeyPem, std::string_view data, std::string_view signature);

}  // namespace tandril::upgrade
