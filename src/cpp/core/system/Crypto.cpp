// Crypto.cpp: the cryptographic helpers over OpenSSL 3's libcrypto. RSA goes through
// the EVP interface, which makes the same keys, signatures and plain texts as the
// RSA-specific calls that OpenSSL 3 deprecates.
#include <core/system/Crypto.hpp>

#include <cerrno>
#include <climits>
#include <memory>
#include <mutex>
#include <utility>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <platform/Win32Api.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>

#include "Cleansed.hpp"
#include "StagedFile.hpp"

namespace velorin::core::system::crypto {
namespace {

// The C runtime's numbers that these helpers report as system errors.
constexpr int kNoSuchFile = 2;     // ENOENT
constexpr int kNotMade = 12;       // ENOMEM: an object, or a key from PEM text
constexpr int kKeyFileError = 12;  // a key file that could not be made, with its cause
constexpr int kInvalidInput = 22;  // EINVAL
constexpr int kOpenSslError = 104; // with OpenSSL's text
constexpr int kNoPendingError = 129;

constexpr std::size_t kAesBlockSize = 16; // also the size of an AES-128 key and IV
constexpr unsigned int kTransportIvSize = 256;
constexpr int kRsaBits = 2048;
constexpr unsigned long kRsaExponent = 65537;
constexpr unsigned int kSeedSize = 4096;
const char* const kSeedFile = "/dev/urandom";

// Where a public function was entered. Its ErrorLocation is made only for an error,
// which keeps the allocations of one out of every successful call.
struct CallSite
{
   const char* function;
   const char* file;
   long line;

   ErrorLocation location() const { return ErrorLocation(function, file, line); }
};
#define CALL_SITE CallSite{BOOST_CURRENT_FUNCTION, __FILE__, __LINE__}

template <auto Free>
struct OpenSslFree
{
   template <typename T>
   void operator()(T* object) const
   {
      Free(object);
   }
};
using BigNumberPtr = std::unique_ptr<BIGNUM, OpenSslFree<BN_clear_free>>;
using BioChainPtr = std::unique_ptr<BIO, OpenSslFree<BIO_free_all>>;
using CipherContextPtr = std::unique_ptr<EVP_CIPHER_CTX, OpenSslFree<EVP_CIPHER_CTX_free>>;
using KeyContextPtr = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY_free>>;

using Bytes = std::vector<unsigned char>;

// The process-wide key with its public half as text, made by rsaInit. It never changes
// once made: rsaInit puts a new one in its place, and each user holds the one it took
// until it is done, so a replaced key is freed only after its last decryption.
struct ProcessKey
{
   KeyPtr key;
   std::string exponent;
   std::string modulus;
};

class ProcessKeySlot
{
public:
   std::shared_ptr<const ProcessKey> get() const
   {
      const std::lock_guard<std::mutex> lock(mutex_);
      return key_;
   }

   void set(std::shared_ptr<const ProcessKey> key)
   {
      const std::lock_guard<std::mutex> lock(mutex_);
      key_.swap(key);
   } // the replaced key is released with the parameter, after the lock

private:
   mutable std::mutex mutex_;
   std::shared_ptr<const ProcessKey> key_;
};

// Never destroyed: at exit OpenSSL may have cleaned up before the key would be freed.
ProcessKeySlot& processKey()
{
   static ProcessKeySlot* const slot = new ProcessKeySlot;
   return *slot;
}

// Entries left by the caller, or by a call of OpenSSL that failed on its way to
// success, would otherwise be reported as a later failure's cause. The queue is
// looked at first because emptying it costs more than a short digest.
class ErrorQueueScope
{
public:
   ErrorQueueScope() { clear(); }
   ~ErrorQueueScope() { clear(); }
   ErrorQueueScope(const ErrorQueueScope&) = delete;
   ErrorQueueScope& operator=(const ErrorQueueScope&) = delete;

private:
   static void clear()
   {
      if (ERR_peek_error() != 0)
         ERR_clear_error();
   }
};

// The oldest entry of the queue names the failure; the others follow from it.
Error lastCryptoError(const CallSite& site)
{
   const unsigned long code = ERR_get_error();
   ERR_clear_error();
   if (code == 0)
   {
      const std::string message = "lastCrytpoError called with no pending error";
      log::logWarningMessage(message, ERROR_LOCATION);
      return systemError(kNoPendingError, message, site.location());
   }
   char text[250];
   ERR_error_string_n(code, text, sizeof text);
   return systemError(kOpenSslError, text, site.location());
}

// OpenSSL reads 16 bytes through each pointer, whatever the vectors hold.
Error checkKeyAndIv(const std::vector<unsigned char>& key,
                    const std::vector<unsigned char>& iv,
                    const CallSite& site)
{
   if (key.size() < kAesBlockSize)
      return systemError(kInvalidInput, "AES-128 needs a key of 16 bytes, not " + std::to_string(key.size()),
                         site.location());
   if (iv.size() < kAesBlockSize)
      return systemError(kInvalidInput, "AES-128-CBC needs an IV of 16 bytes, not " + std::to_string(iv.size()),
                         site.location());
   return Success();
}

Error aesCipher(const std::vector<unsigned char>& data,
                const std::vector<unsigned char>& key,
                const std::vector<unsigned char>& iv,
                int encrypt,
                std::vector<unsigned char>* pOut,
                const CallSite& site)
{
   Error error = checkKeyAndIv(key, iv, site);
   if (error)
      return error;
   if (data.size() > static_cast<std::size_t>(INT_MAX) - kAesBlockSize)
      return systemError(kInvalidInput, "AES-128-CBC takes at most 2 GB at once", site.location());

   const ErrorQueueScope errorQueue;
   const CipherContextPtr context(EVP_CIPHER_CTX_new());
   if (!context)
      return systemError(kNotMade, site.location());
   if (EVP_CipherInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, key.data(), iv.data(), encrypt) != 1)
      return lastCryptoError(site);

   // Encryption adds at most one block; decryption never writes more than it reads.
   // A failed decryption may have written some plain text already.
   Cleansed<Bytes> out(data.size() + kAesBlockSize);
   int updated = 0;
   if (EVP_CipherUpdate(context.get(), out.value.data(), &updated, data.data(), static_cast<int>(data.size())) != 1)
      return lastCryptoError(site);
   int finished = 0;
   if (EVP_CipherFinal_ex(context.get(), out.value.data() + updated, &finished) != 1)
      return lastCryptoError(site);
   out.value.resize(static_cast<std::size_t>(updated) + static_cast<std::size_t>(finished));
   replaceCleansing(pOut, std::move(out.value));
   return Success();
}

Error base64EncodeBytes(const unsigned char* data, int length, std::string* pEncoded, const CallSite& site)
{
   if (length < 0 || (data == nullptr && length > 0))
      return systemError(kInvalidInput, "base64Encode needs a length of 0 or more bytes that exist", site.location());

   const ErrorQueueScope errorQueue;
   const BioChainPtr chain(BIO_new(BIO_f_base64()));
   if (!chain)
      return lastCryptoError(site);
   BIO* const sink = BIO_new(BIO_s_mem());
   if (sink == nullptr)
      return lastCryptoError(site);
   BIO_set_flags(chain.get(), BIO_FLAGS_BASE64_NO_NL);
   BIO_push(chain.get(), sink);

   if (length > 0 && BIO_write(chain.get(), data, length) != length)
      return lastCryptoError(site);
   if (BIO_flush(chain.get()) <= 0)
      return lastCryptoError(site);
   char* text = nullptr;
   const long size = BIO_get_mem_data(sink, &text);
   if (size < 0)
      return lastCryptoError(site);
   pEncoded->assign(text, static_cast<std::size_t>(size));
   return Success();
}

bool isBase64Digit(char c)
{
   return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// The valid prefix of base64 text: whole groups of four digits, of which only the last
// may end in one or two '='. OpenSSL's decoder reads past what it cannot use and would
// turn a stray '=' or a second padded group into bytes that no encoder wrote.
std::size_t validBase64Prefix(const std::string& text, std::size_t* pByteCount)
{
   std::size_t length = 0;
   std::size_t bytes = 0;
   for (; length + 4 <= text.size(); length += 4)
   {
      const char* group = text.data() + length;
      if (!isBase64Digit(group[0]) || !isBase64Digit(group[1]))
         break;
      if (isBase64Digit(group[2]) && isBase64Digit(group[3]))
      {
         bytes += 3;
         continue;
      }
      if (group[3] == '=' && (isBase64Digit(group[2]) || group[2] == '='))
      {
         bytes += group[2] == '=' ? 1 : 2;
         length += 4;
      }
      break;
   }
   *pByteCount = bytes;
   return length;
}

// Never prompts for a pass phrase, as OpenSSL's own callback would on a terminal: an
// encrypted key is not one that can be read here.
int refusePassPhrase(char*, int, int, void*)
{
   return -1;
}

using PemKeyReader = EVP_PKEY* (*)(BIO*, EVP_PKEY**, pem_password_cb*, void*);

// Null unless the text holds an RSA key in the reader's form.
KeyPtr readRsaKey(const std::string& pem, PemKeyReader read)
{
   if (pem.size() > static_cast<std::size_t>(INT_MAX))
      return nullptr;
   const BioChainPtr source(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
   if (!source)
      return nullptr;
   KeyPtr key(read(source.get(), nullptr, refusePassPhrase, nullptr));
   if (!key || EVP_PKEY_is_a(key.get(), "RSA") != 1)
      return nullptr;
   return key;
}

Error makeRsaKey(KeyPtr* pKey, const CallSite& site)
{
   const KeyContextPtr context(EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr));
   if (!context)
      return systemError(kNotMade, site.location());
   const BigNumberPtr exponent(BN_new());
   if (!exponent)
      return systemError(kNotMade, site.location());
   if (BN_set_word(exponent.get(), kRsaExponent) != 1)
      return lastCryptoError(site);
   if (EVP_PKEY_keygen_init(context.get()) != 1 ||
       EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), kRsaBits) <= 0 ||
       EVP_PKEY_CTX_set1_rsa_keygen_pubexp(context.get(), exponent.get()) <= 0)
      return lastCryptoError(site);
   EVP_PKEY* key = nullptr;
   if (EVP_PKEY_keygen(context.get(), &key) != 1)
      return lastCryptoError(site);
   pKey->reset(key);
   return Success();
}

Error generateRsa(BIO* publicSink, BIO* privateSink, const CallSite& site)
{
   KeyPtr key;
   Error error = makeRsaKey(&key, site);
   if (error)
      return error;
   if (PEM_write_bio_PUBKEY(publicSink, key.get()) != 1)
      return lastCryptoError(site);
   if (PEM_write_bio_PrivateKey(privateSink, key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
      return lastCryptoError(site);
   return Success();
}

std::string memoryContent(BIO* memory)
{
   char* data = nullptr;
   const long size = BIO_get_mem_data(memory, &data);
   return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

// OpenSSL clears its memory sinks when it frees them.
Error makeRsaKeyPair(std::string* pPublicKey, std::string* pPrivateKey, const CallSite& site)
{
   const ErrorQueueScope errorQueue;
   const BioChainPtr publicSink(BIO_new(BIO_s_mem()));
   const BioChainPtr privateSink(BIO_new(BIO_s_mem()));
   if (!publicSink || !privateSink)
      return systemError(kNotMade, site.location());
   Error error = generateRsa(publicSink.get(), privateSink.get(), site);
   if (error)
      return error;
   *pPublicKey = memoryContent(publicSink.get());
   replaceCleansing(pPrivateKey, memoryContent(privateSink.get()));
   return Success();
}

Error hmacSha256(const std::string& data,
                 const unsigned char* key,
                 std::size_t keySize,
                 std::vector<unsigned char>* pHMAC,
                 const CallSite& site)
{
   // OpenSSL takes a null key to mean "the key set before", of which there is none.
   static const unsigned char noKey = 0;
   if (keySize > static_cast<std::size_t>(INT_MAX))
      return systemError(kInvalidInput, "HMAC takes a key of at most 2 GB", site.location());

   const ErrorQueueScope errorQueue;
   unsigned char digest[EVP_MAX_MD_SIZE];
   unsigned int length = 0;
   if (HMAC(EVP_sha256(), keySize == 0 ? &noKey : key, static_cast<int>(keySize),
            reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest, &length) == nullptr)
      return lastCryptoError(site);
   pHMAC->assign(digest, digest + length);
   return Success();
}

// OpenSSL seeds itself; the system's random device, where there is one, only adds to
// that. Windows has none at this path, so a missing file is no failure.
Error addSeedFromFile(const CallSite& site)
{
   const int fd = ::_open(kSeedFile, _O_RDONLY | _O_BINARY);
   if (fd == -1)
      return errno == kNoSuchFile ? Success() : systemError(errno, site.location());
   unsigned char seed[kSeedSize];
   const int count = ::_read(fd, seed, kSeedSize);
   const int readError = errno;
   ::_close(fd);
   if (count > 0)
      RAND_seed(seed, count);
   OPENSSL_cleanse(seed, sizeof seed);
   if (count == -1)
      return systemError(readError, site.location());
   return Success();
}

Error publicNumberHex(const EVP_PKEY* key, const char* name, std::string* pHex, const CallSite& site)
{
   BIGNUM* number = nullptr;
   if (EVP_PKEY_get_bn_param(key, name, &number) != 1)
      return lastCryptoError(site);
   const BigNumberPtr owned(number);
   char* hex = BN_bn2hex(number);
   if (hex == nullptr)
      return systemError(kNotMade, site.location());
   pHex->assign(hex);
   OPENSSL_free(hex);
   return Success();
}

// The message's SHA-256 digest, and a context for PKCS#1 v1.5 signatures of SHA-256
// digests with the RSA key of the PEM text.
Error signatureContext(const std::string& message,
                       const std::string& pem,
                       PemKeyReader read,
                       int (*init)(EVP_PKEY_CTX*),
                       std::string* pDigest,
                       KeyContextPtr* pContext,
                       const CallSite& site)
{
   Error error = sha256(message, pDigest);
   if (error)
      return error;
   const KeyPtr key = readRsaKey(pem, read);
   if (!key)
      return systemError(kNotMade, site.location());
   KeyContextPtr context(EVP_PKEY_CTX_new(key.get(), nullptr)); // holds a reference to the key
   if (!context)
      return systemError(kNotMade, site.location());
   if (init(context.get()) != 1 ||
       EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0 ||
       EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) <= 0)
      return lastCryptoError(site);
   *pContext = std::move(context);
   return Success();
}

} // namespace

Error aesDecrypt(const std::vector<unsigned char>& data,
                 const std::vector<unsigned char>& key,
                 const std::vector<unsigned char>& iv,
                 std::vector<unsigned char>* pDecrypted)
{
   return aesCipher(data, key, iv, 0, pDecrypted, CALL_SITE);
}

Error aesEncrypt(const std::vector<unsigned char>& data,
                 const std::vector<unsigned char>& key,
                 const std::vector<unsigned char>& iv,
                 std::vector<unsigned char>* pEncrypted)
{
   return aesCipher(data, key, iv, 1, pEncrypted, CALL_SITE);
}

Error base64Decode(const std::string& data, std::vector<unsigned char>* pDecoded)
{
   if (data.size() > static_cast<std::size_t>(INT_MAX))
      return systemError(kInvalidInput, "base64Decode takes at most 2 GB of text", ERROR_LOCATION);
   std::size_t expected = 0;
   const std::size_t length = validBase64Prefix(data, &expected);

   const ErrorQueueScope errorQueue;
   const BioChainPtr chain(BIO_new(BIO_f_base64()));
   if (!chain)
      return lastCryptoError(CALL_SITE);
   BIO* const source = BIO_new_mem_buf(data.data(), static_cast<int>(length));
   if (source == nullptr)
      return lastCryptoError(CALL_SITE);
   BIO_set_flags(chain.get(), BIO_FLAGS_BASE64_NO_NL);
   BIO_push(chain.get(), source);

   Bytes decoded(expected);
   std::size_t count = 0;
   while (count < expected)
   {
      const int read = BIO_read(chain.get(), decoded.data() + count, static_cast<int>(expected - count));
      if (read < 0)
         return lastCryptoError(CALL_SITE);
      if (read == 0)
         break;
      count += static_cast<std::size_t>(read);
   }
   decoded.resize(count);
   *pDecoded = std::move(decoded);
   return Success();
}

Error base64DecodeAndDecrypt(const std::string& encryptedText,
                             const std::string& key,
                             const std::string& ivText,
                             std::string* pDecrypted)
{
   std::vector<unsigned char> iv;
   Error error = base64Decode(ivText, &iv);
   if (error)
      return error;
   std::vector<unsigned char> encrypted;
   error = base64Decode(encryptedText, &encrypted);
   if (error)
      return error;
   const Cleansed<Bytes> keyBytes(key.begin(), key.end());
   Cleansed<Bytes> decrypted;
   error = aesDecrypt(encrypted, keyBytes.value, iv, &decrypted.value);
   if (error)
      return error;
   appendCleansing(pDecrypted, decrypted.value.data(), decrypted.value.size());
   return Success();
}

Error base64Encode(const unsigned char* data, int length, std::string* pEncoded)
{
   return base64EncodeBytes(data, length, pEncoded, CALL_SITE);
}

Error base64Encode(const std::vector<unsigned char>& data, std::string* pEncoded)
{
   if (data.size() > static_cast<std::size_t>(INT_MAX))
      return systemError(kInvalidInput, "base64Encode takes at most 2 GB", ERROR_LOCATION);
   return base64EncodeBytes(data.data(), static_cast<int>(data.size()), pEncoded, CALL_SITE);
}

Error encryptDataAndBase64Encode(const std::string& input,
                                 const std::string& key,
                                 std::string* pIvText,
                                 std::string* pEncryptedText)
{
   std::vector<unsigned char> iv;
   Error error = random(kTransportIvSize, &iv);
   if (error)
      return error;
   std::vector<unsigned char> encrypted;
   {
      const Cleansed<Bytes> plain(input.begin(), input.end());
      const Cleansed<Bytes> keyBytes(key.begin(), key.end());
      error = aesEncrypt(plain.value, keyBytes.value, iv, &encrypted);
   }
   if (error)
      return error;
   error = base64Encode(iv, pIvText);
   if (error)
      return error;
   return base64Encode(encrypted, pEncryptedText);
}

Error generateRsaKeyFiles(const FilePath& publicKeyPath, const FilePath& privateKeyPath)
{
   // Callers know this call's failures by 12; the file operation's own error says why.
   const auto keyFileError = [](const Error& cause) {
      return cause ? systemError(kKeyFileError, cause, ERROR_LOCATION) : cause;
   };

   // Both texts are written whole beside their files before either file is replaced,
   // so a failure leaves the pair that was there, and the private key is never
   // readable by others, not even while it is written.
   StagedFile publicFile(publicKeyPath, false);
   StagedFile privateFile(privateKeyPath, true);
   Error error = publicFile.checkTarget();
   if (!error)
      error = privateFile.checkTarget();
   if (error)
      return keyFileError(error);

   std::string publicKey;
   Cleansed<std::string> privateKey;
   error = makeRsaKeyPair(&publicKey, &privateKey.value, CALL_SITE);
   if (error)
      return error;
   error = publicFile.write(publicKey);
   if (!error)
      error = privateFile.write(privateKey.value);
   if (error)
      return keyFileError(error);

   // The public file goes first: a copy of the one it replaces can be kept anywhere.
   FilePath previousPublic;
   if (publicKeyPath.exists())
   {
      error = FilePath::uniqueFilePath(publicKeyPath.getParent().getAbsolutePath(), ".tmp", previousPublic);
      if (!error)
         error = publicKeyPath.copy(previousPublic);
      if (error)
         return keyFileError(error);
   }
   error = publicFile.commit();
   if (!error)
      error = privateFile.commit();
   if (error && !previousPublic.isEmpty())
   {
      const Error restoreError = previousPublic.move(publicKeyPath, FilePath::MoveDirect);
      if (restoreError)
         log::logError(restoreError);
   }
   if (!previousPublic.isEmpty())
   {
      const Error removeError = previousPublic.removeIfExists();
      if (removeError)
         log::logError(removeError);
   }
   return keyFileError(error);
}

Error generateRsaKeyPair(std::string* pPublicKey, std::string* pPrivateKey)
{
   return makeRsaKeyPair(pPublicKey, pPrivateKey, CALL_SITE);
}

Error HMAC_SHA2(const std::string& data, const std::vector<unsigned char>& key, std::vector<unsigned char>* pHMAC)
{
   return hmacSha256(data, key.data(), key.size(), pHMAC, CALL_SITE);
}

Error HMAC_SHA2(const std::string& data, const std::string& key, std::vector<unsigned char>* pHMAC)
{
   return hmacSha256(data, reinterpret_cast<const unsigned char*>(key.data()), key.size(), pHMAC, CALL_SITE);
}

Error random(unsigned int length, std::vector<unsigned char>* pOut)
{
   if (length > static_cast<unsigned int>(INT_MAX))
      return systemError(kInvalidInput, "random makes at most 2 GB at once", ERROR_LOCATION);

   const ErrorQueueScope errorQueue;
   std::vector<unsigned char> bytes(length);
   if (length > 0 && RAND_bytes(bytes.data(), static_cast<int>(length)) != 1)
      return lastCryptoError(CALL_SITE);
   *pOut = std::move(bytes);
   return Success();
}

Error rsaInit()
{
   const ErrorQueueScope errorQueue;
   Error error = addSeedFromFile(CALL_SITE);
   if (error)
      return error;
   KeyPtr key;
   error = makeRsaKey(&key, CALL_SITE);
   if (error)
      return error;
   auto made = std::make_shared<ProcessKey>();
   error = publicNumberHex(key.get(), OSSL_PKEY_PARAM_RSA_E, &made->exponent, CALL_SITE);
   if (error)
      return error;
   error = publicNumberHex(key.get(), OSSL_PKEY_PARAM_RSA_N, &made->modulus, CALL_SITE);
   if (error)
      return error;
   made->key = std::move(key);
   processKey().set(std::move(made));
   return Success();
}

Error rsaPrivateDecrypt(const std::string& cipherText, std::string* pPlainText)
{
   const std::shared_ptr<const ProcessKey> processKeyInUse = processKey().get();
   if (!processKeyInUse)
      return systemError(kInvalidInput, "rsaPrivateDecrypt needs the key that rsaInit makes", ERROR_LOCATION);
   EVP_PKEY* const key = processKeyInUse->key.get();
   std::vector<unsigned char> encrypted;
   Error error = base64Decode(cipherText, &encrypted);
   if (error)
      return error;

   const ErrorQueueScope errorQueue;
   const KeyContextPtr context(EVP_PKEY_CTX_new(key, nullptr));
   if (!context)
      return systemError(kNotMade, ERROR_LOCATION);
   if (EVP_PKEY_decrypt_init(context.get()) != 1 ||
       EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0)
      return lastCryptoError(CALL_SITE);
   std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(key));
   Cleansed<std::string> plain(size, '\0');
   if (EVP_PKEY_decrypt(context.get(), reinterpret_cast<unsigned char*>(plain.value.data()), &size,
                        encrypted.data(), encrypted.size()) != 1)
      return lastCryptoError(CALL_SITE);
   plain.value.resize(size);
   replaceCleansing(pPlainText, std::move(plain.value));
   return Success();
}

void rsaPublicKey(std::string* pExponent, std::string* pModulus)
{
   const std::shared_ptr<const ProcessKey> processKeyInUse = processKey().get();
   *pExponent = processKeyInUse ? processKeyInUse->exponent : std::string();
   *pModulus = processKeyInUse ? processKeyInUse->modulus : std::string();
}

Error rsaSign(const std::string& message, const std::string& pemPrivateKey, std::string* pSignature)
{
   const ErrorQueueScope errorQueue;
   std::string digest;
   KeyContextPtr context;
   Error error = signatureContext(message, pemPrivateKey, PEM_read_bio_PrivateKey, EVP_PKEY_sign_init, &digest,
                                  &context, CALL_SITE);
   if (error)
      return error;
   std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(EVP_PKEY_CTX_get0_pkey(context.get())));
   std::string signature(size, '\0');
   if (EVP_PKEY_sign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     reinterpret_cast<const unsigned char*>(digest.data()), digest.size()) != 1)
      return lastCryptoError(CALL_SITE);
   signature.resize(size);
   *pSignature = std::move(signature);
   return Success();
}

Error rsaVerify(const std::string& message, const std::string& signature, const std::string& pemPublicKey)
{
   const ErrorQueueScope errorQueue;
   std::string digest;
   KeyContextPtr context;
   Error error = signatureContext(message, pemPublicKey, PEM_read_bio_PUBKEY, EVP_PKEY_verify_init, &digest,
                                  &context, CALL_SITE);
   if (error)
      return error;
   if (EVP_PKEY_verify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                       reinterpret_cast<const unsigned char*>(digest.data()), digest.size()) != 1)
      return lastCryptoError(CALL_SITE);
   return Success();
}

Error sha256(const std::string& message, std::string* pHash)
{
   const ErrorQueueScope errorQueue;
   unsigned char digest[EVP_MAX_MD_SIZE];
   unsigned int length = 0;
   if (EVP_Digest(message.data(), message.size(), digest, &length, EVP_sha256(), nullptr) != 1)
      return lastCryptoError(CALL_SITE);
   pHash->assign(reinterpret_cast<const char*>(digest), length);
   return Success();
}

} // namespace velorin::core::system::crypto
