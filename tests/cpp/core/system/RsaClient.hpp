// RsaClient.hpp: what a client does with the process key's published exponent and
// modulus: encrypts with PKCS#1 v1.5 padding and sends base64.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <core/system/Crypto.hpp>

namespace velorin::core::testing {

template <auto Free>
struct OpenSslFree
{
   template <typename T>
   void operator()(T* object) const
   {
      Free(object);
   }
};

// The empty text when the published texts make no key.
inline std::string clientEncrypt(const std::string& plain)
{
   std::string exponentHex, modulusHex;
   system::crypto::rsaPublicKey(&exponentHex, &modulusHex);
   BIGNUM* exponent = nullptr;
   BIGNUM* modulus = nullptr;
   BN_hex2bn(&exponent, exponentHex.c_str());
   BN_hex2bn(&modulus, modulusHex.c_str());
   const std::unique_ptr<BIGNUM, OpenSslFree<BN_free>> ownedExponent(exponent), ownedModulus(modulus);

   const std::unique_ptr<OSSL_PARAM_BLD, OpenSslFree<OSSL_PARAM_BLD_free>> builder(OSSL_PARAM_BLD_new());
   OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, modulus);
   OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, exponent);
   const std::unique_ptr<OSSL_PARAM, OpenSslFree<OSSL_PARAM_free>> params(OSSL_PARAM_BLD_to_param(builder.get()));
   const std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>> fromData(
      EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
   EVP_PKEY* key = nullptr;
   if (EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
       EVP_PKEY_fromdata(fromData.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
      return std::string();
   const std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY_free>> ownedKey(key);

   const std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>> context(EVP_PKEY_CTX_new(key, nullptr));
   std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(key));
   std::vector<unsigned char> encrypted(size);
   if (EVP_PKEY_encrypt_init(context.get()) != 1 ||
       EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0 ||
       EVP_PKEY_encrypt(context.get(), encrypted.data(), &size,
                        reinterpret_cast<const unsigned char*>(plain.data()), plain.size()) != 1)
      return std::string();
   encrypted.resize(size);
   std::string text;
   if (system::crypto::base64Encode(encrypted, &text))
      return std::string();
   return text;
}

} // namespace velorin::core::testing
