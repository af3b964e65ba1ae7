// Salted password hashes for the users stored in a database file
// (PBKDF2-HMAC-SHA256 from OpenSSL's libcrypto).
#pragma once

#include <string>

namespace orvesql {

// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a fresh random salt.
std::string HashPassword(const std::string& password);
// True when password matches a text made by HashPassword.
bool VerifyPassword(const std::string& password, const std::string& stored);

}  // namespace orvesql
