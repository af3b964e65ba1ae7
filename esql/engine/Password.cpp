// PBKDF2 password hashing with a random salt and a constant-time comparison.
#include "Password.h"
#include "Error.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdlib>
#include <vector>

namespace orvesql {
namespace {

constexpr int kIterations = 60000;
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

std::string Hex(const unsigned char* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

bool Unhex(const std::string& s, std::vector<unsigned char>& out) {
  if (s.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < s.size(); i += 2) {
    auto nib = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    int a = nib(s[i]), b = nib(s[i + 1]);
    if (a < 0 || b < 0) return false;
    out.push_back(static_cast<unsigned char>(a * 16 + b));
  }
  return true;
}

bool Derive(const std::string& password, const std::vector<unsigned char>& salt, int iterations,
            unsigned char* out, int outLen) {
  return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                           static_cast<int>(salt.size()), iterations, EVP_sha256(), outLen,
                           out) == 1;
}

}  // namespace

std::string HashPassword(const std::string& password) {
  std::vector<unsigned char> salt(kSaltBytes);
  if (RAND_bytes(salt.data(), kSaltBytes) != 1) throw EsqlError(E_INTERNAL, "no random source");
  unsigned char hash[kHashBytes];
  if (!Derive(password, salt, kIterations, hash, kHashBytes))
    throw EsqlError(E_INTERNAL, "password hashing failed");
  return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + Hex(salt.data(), salt.size()) +
         "$" + Hex(hash, kHashBytes);
}

bool VerifyPassword(const std::string& password, const std::string& stored) {
  const std::string prefix = "pbkdf2-sha256$";
  if (stored.compare(0, prefix.size(), prefix) != 0) return false;
  size_t a = prefix.size();
  size_t b = stored.find('$', a);
  if (b == std::string::npos) return false;
  size_t c = stored.find('$', b + 1);
  if (c == std::string::npos) return false;
  int iterations = std::atoi(stored.substr(a, b - a).c_str());
  if (iterations < 1 || iterations > 10000000) return false;
  std::vector<unsigned char> salt, want;
  if (!Unhex(stored.substr(b + 1, c - b - 1), salt) || !Unhex(stored.substr(c + 1), want) ||
      want.empty() || want.size() > 64)
    return false;
  std::vector<unsigned char> got(want.size());
  if (!Derive(password, salt, iterations, got.data(), static_cast<int>(got.size()))) return false;
  return CRYPTO_memcmp(got.data(), want.data(), want.size()) == 0;
}

}  // namespace orvesql
