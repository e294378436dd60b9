// CryptoBench.cpp: SHA-256, HMAC-SHA-256 and AES-128-CBC over 1 KB and 1 MB through
// the library beside the same EVP calls made directly, each direct call writing into
// a fresh buffer as a caller would. Names say the side (Library, or Peer:evp), then
// the size, so that the ratios after the table pair each library figure with its direct one.
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <core/system/Crypto.hpp>

using namespace velorin::core::system;

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kKey(16, 0x4b);
const Bytes kIv(16, 0x49);

std::string inputOf(std::int64_t size)
{
   std::string input(static_cast<std::size_t>(size), '\0');
   for (std::size_t i = 0; i < input.size(); ++i)
      input[i] = static_cast<char>(i * 31 + i / 256);
   return input;
}

// Runs work(input, &output) on fresh output each time; work says whether it succeeded.
template <typename Output, typename Input, typename Work>
void measure(benchmark::State& state, const Input& input, const Work& work)
{
   for (auto _ : state)
   {
      Output output;
      if (!work(input, &output))
         state.SkipWithError("the call failed");
      benchmark::DoNotOptimize(output);
   }
   state.SetBytesProcessed(state.iterations() * state.range(0));
}

void sha256Library(benchmark::State& state)
{
   measure<std::string>(state, inputOf(state.range(0)),
                        [](const std::string& input, std::string* pHash) { return !crypto::sha256(input, pHash); });
}

void sha256Evp(benchmark::State& state)
{
   measure<std::string>(state, inputOf(state.range(0)), [](const std::string& input, std::string* pHash) {
      unsigned char digest[EVP_MAX_MD_SIZE];
      unsigned int length = 0;
      if (EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr) != 1)
         return false;
      pHash->assign(reinterpret_cast<const char*>(digest), length);
      return true;
   });
}

void hmacLibrary(benchmark::State& state)
{
   measure<Bytes>(state, inputOf(state.range(0)),
                  [](const std::string& input, Bytes* pHmac) { return !crypto::HMAC_SHA2(input, kKey, pHmac); });
}

void hmacEvp(benchmark::State& state)
{
   measure<Bytes>(state, inputOf(state.range(0)), [](const std::string& input, Bytes* pHmac) {
      unsigned char digest[EVP_MAX_MD_SIZE];
      unsigned int length = 0;
      if (HMAC(EVP_sha256(), kKey.data(), static_cast<int>(kKey.size()),
               reinterpret_cast<const unsigned char*>(input.data()), input.size(), digest, &length) == nullptr)
         return false;
      pHmac->assign(digest, digest + length);
      return true;
   });
}

bool evpCipher(const Bytes& data, int encrypt, Bytes* pOut)
{
   EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
   Bytes out(data.size() + 16);
   int updated = 0;
   int finished = 0;
   const bool done =
      context != nullptr &&
      EVP_CipherInit_ex(context, EVP_aes_128_cbc(), nullptr, kKey.data(), kIv.data(), encrypt) == 1 &&
      EVP_CipherUpdate(context, out.data(), &updated, data.data(), static_cast<int>(data.size())) == 1 &&
      EVP_CipherFinal_ex(context, out.data() + updated, &finished) == 1;
   EVP_CIPHER_CTX_free(context);
   out.resize(static_cast<std::size_t>(updated + finished));
   *pOut = std::move(out);
   return done;
}

Bytes plainInputOf(std::int64_t size)
{
   const std::string input = inputOf(size);
   return Bytes(input.begin(), input.end());
}

Bytes encryptedInputOf(std::int64_t size)
{
   Bytes encrypted;
   evpCipher(plainInputOf(size), 1, &encrypted);
   return encrypted;
}

void aesEncryptLibrary(benchmark::State& state)
{
   measure<Bytes>(state, plainInputOf(state.range(0)),
                  [](const Bytes& data, Bytes* pOut) { return !crypto::aesEncrypt(data, kKey, kIv, pOut); });
}

void aesEncryptEvp(benchmark::State& state)
{
   measure<Bytes>(state, plainInputOf(state.range(0)),
                  [](const Bytes& data, Bytes* pOut) { return evpCipher(data, 1, pOut); });
}

void aesDecryptLibrary(benchmark::State& state)
{
   measure<Bytes>(state, encryptedInputOf(state.range(0)),
                  [](const Bytes& data, Bytes* pOut) { return !crypto::aesDecrypt(data, kKey, kIv, pOut); });
}

void aesDecryptEvp(benchmark::State& state)
{
   measure<Bytes>(state, encryptedInputOf(state.range(0)),
                  [](const Bytes& data, Bytes* pOut) { return evpCipher(data, 0, pOut); });
}

BENCHMARK(sha256Library)->Name("Sha256/Library")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(sha256Evp)->Name("Sha256/Peer:evp")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(hmacLibrary)->Name("HmacSha256/Library")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(hmacEvp)->Name("HmacSha256/Peer:evp")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(aesEncryptLibrary)->Name("AesEncrypt/Library")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(aesEncryptEvp)->Name("AesEncrypt/Peer:evp")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(aesDecryptLibrary)->Name("AesDecrypt/Library")->Arg(1024)->Arg(1024 * 1024);
BENCHMARK(aesDecryptEvp)->Name("AesDecrypt/Peer:evp")->Arg(1024)->Arg(1024 * 1024);

} // namespace
