#pragma once
// The settings-file cipher: AES, SHA-1, HMAC-SHA1, PBKDF2, a salt pool, and the
// password-based authenticated file encryption built on them.
//
// An encrypted file is laid out as: salt (8, 12 or 16 bytes), a 2-byte password
// verifier, the ciphertext (AES in counter mode, same length as the plain text),
// and a 10-byte HMAC-SHA1 tag over the ciphertext. Nothing else is stored.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/FileError.h"  // the file messages and ExpandedPath

namespace varnolt {

// ---------------------------------------------------------------------------
// AES block cipher

inline constexpr std::uint32_t AesFlagEncrypt = 1;  // the schedule is for encryption
inline constexpr std::uint32_t AesFlagDecrypt = 2;  // the schedule is for decryption
inline constexpr std::size_t AesBlockSize = 16;

struct TAesContext {
    std::uint32_t Schedule[64];  // 44, 52 or 60 words in use
    std::uint32_t Rounds;        // 10, 12 or 14; 0 after a refused key
    std::uint32_t Flags;         // AesFlagEncrypt or AesFlagDecrypt, or none
};

// Key length in bytes (16, 24, 32) or in bits (128, 192, 256). Returns 1, or 0
// for any other length (the context then has 0 rounds and no direction bit).
int AesSetEncryptKey(const std::uint8_t* key, unsigned keyLength, TAesContext& ctx);
int AesSetDecryptKey(const std::uint8_t* key, unsigned keyLength, TAesContext& ctx);
// `in` and `out` may be the same 16 bytes. Returns 1, or 0 with `out` untouched
// when the context does not hold a schedule for that direction.
int AesEncryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAesContext& ctx);
int AesDecryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAesContext& ctx);

// ---------------------------------------------------------------------------
// SHA-1

inline constexpr std::size_t Sha1DigestSize = 20;
inline constexpr std::size_t Sha1BlockSize = 64;

struct TSha1Context {
    std::uint32_t Count[2];   // bytes hashed so far, low word first
    std::uint32_t Hash[5];    // chaining words
    std::uint8_t Buffer[64];  // bytes of the block not yet compressed
};

void Sha1Init(TSha1Context& ctx);
void Sha1Update(const void* data, std::size_t count, TSha1Context& ctx);
void Sha1Final(std::uint8_t* digest, TSha1Context& ctx);  // 20 bytes
// Runs the compression function over the block buffer (read as sixteen
// big-endian words), updating the chaining words in place.
void Sha1Compress(TSha1Context& ctx);
void Sha1Digest(std::uint8_t* digest, const void* data, std::size_t count);

// ---------------------------------------------------------------------------
// HMAC-SHA1: the key is entered in any number of pieces, then the message.

inline constexpr std::uint32_t HmacDataPhase = 0xFFFFFFFFu;

struct THmacContext {
    std::uint8_t Key[64];  // the key; the inner pad once data has begun
    TSha1Context Sha;
    std::uint32_t KeyLength;  // key bytes entered so far, or HmacDataPhase
};

void HmacInit(THmacContext& ctx);
// Returns 0, or -1 (changing nothing) once data entry has begun.
int HmacAddKey(const void* key, std::size_t count, THmacContext& ctx);
void HmacAddData(const void* data, std::size_t count, THmacContext& ctx);
// Writes the first `tagLength` (1..20) bytes of the HMAC value.
void HmacFinish(std::uint8_t* tag, unsigned tagLength, THmacContext& ctx);
void HmacDigest(const void* key, std::size_t keyLength, const void* data, std::size_t dataLength,
                std::uint8_t* tag, unsigned tagLength);

// PBKDF2 with HMAC-SHA1.
void Pbkdf2Sha1(const void* password, std::size_t passwordLength, const void* salt,
                std::size_t saltLength, std::uint32_t iterations, std::uint8_t* output,
                std::size_t outputLength);

// ---------------------------------------------------------------------------
// Salt pool: a SHA-1-stirred random pool fed by an entropy source.

inline constexpr std::size_t SaltPoolSize = 260;

// Writes between 1 and `count` bytes into `buffer` and returns how many.
using TEntropySource = unsigned (*)(std::uint8_t* buffer, unsigned count);

struct TSaltPool {
    std::uint8_t Pool[SaltPoolSize];
    std::uint8_t Output[SaltPoolSize];
    std::uint32_t Position;  // read position in Output, 0..260
    TEntropySource Entropy;
};

// The monotonic high-resolution clock as 8 little-endian bytes; writes
// min(count, 8) bytes and returns that number.
unsigned TimerEntropy(std::uint8_t* buffer, unsigned count);
void PoolMix(std::uint8_t* buffer);  // stirs 260 bytes in place
void PoolRefresh(TSaltPool& pool);
void SaltPoolInit(TEntropySource entropy, TSaltPool& pool);
void SaltPoolRead(std::uint8_t* output, std::size_t count, TSaltPool& pool);
void SaltPoolWipe(TSaltPool& pool);

// ---------------------------------------------------------------------------
// Password-keyed counter-mode cipher with a truncated HMAC-SHA1 tag

inline constexpr int ErrPasswordTooLong = -100;
inline constexpr int ErrBadMode = -101;
inline constexpr std::size_t MaxPasswordLength = 128;
inline constexpr std::uint32_t KeyDerivationIterations = 1000;
inline constexpr std::size_t PasswordVerifierLength = 2;
inline constexpr std::size_t MacLength = 10;

// AES key bytes, salt bytes and derived bytes of key mode 1, 2 or 3.
constexpr std::size_t KeyLengthOf(int keyMode) {
    return 8 * keyMode + 8;
}
constexpr std::size_t SaltLengthOf(int keyMode) {
    return 4 * keyMode + 4;
}
// Key mode chosen for a password of `passwordLength` bytes.
constexpr int KeyModeFor(std::size_t passwordLength) {
    return passwordLength < 32 ? 1 : passwordLength < 48 ? 2 : 3;
}

struct TCipherContext {
    std::uint8_t Counter[16];    // bytes 0..7: little-endian block counter
    std::uint8_t Keystream[16];  // AES of the counter block
    TAesContext Aes;
    THmacContext Hmac;       // fed with the ciphertext
    std::uint32_t Position;  // next keystream byte; 16 when used up
    std::uint32_t PasswordLength;
    std::int32_t KeyMode;
};

// Derives the keys from the password and the salt (SaltLengthOf(keyMode)
// bytes) and writes the 2-byte verifier. Returns 0, ErrPasswordTooLong or
// ErrBadMode (the context is then unchanged).
int CipherInit(int keyMode, const void* password, std::size_t passwordLength,
               const std::uint8_t* salt, std::uint8_t* verifier, TCipherContext& ctx);
// XORs the bytes with the keystream, carrying the position between calls.
void CtrXor(std::uint8_t* data, std::size_t count, TCipherContext& ctx);
void CipherEncrypt(std::uint8_t* data, std::size_t count, TCipherContext& ctx);
void CipherDecrypt(std::uint8_t* data, std::size_t count, TCipherContext& ctx);
int CipherTag(std::uint8_t* tag, TCipherContext& ctx);  // writes 10 bytes, returns 10

// Sets `count` bytes to zero in a way the compiler does not drop.
void SecureZero(void* data, std::size_t count);

// ---------------------------------------------------------------------------
// Streams

// Read returns the number of bytes read: fewer than `count` only at the end
// (0 at the end). A failing read returns 0 or throws. Size is the total size
// in bytes.
class TSourceStream {
public:
    virtual ~TSourceStream() = default;
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::int64_t Size() = 0;
};

// Write throws (any std::exception) when the bytes cannot be written.
class TTargetStream {
public:
    virtual ~TTargetStream() = default;
    virtual void Write(const void* data, std::size_t count) = 0;
};

class TMemorySource : public TSourceStream {
public:
    explicit TMemorySource(std::string_view data) : FData(data) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

private:
    std::string_view FData;
    std::size_t FPosition = 0;
};

class TStringTarget : public TTargetStream {
public:
    explicit TStringTarget(std::string& out) : FOut(out) {}
    void Write(const void* data, std::size_t count) override;

private:
    std::string& FOut;
};

// Reads an open file descriptor (not owned), retrying short reads so that a
// pipe gives whole chunks. A read error throws FileError naming `path`
// ("Cannot read file ..."), so that a damaged source is never taken for a
// short one; Error() then holds the system error number.
class TFileSource : public TSourceStream {
public:
    TFileSource(int fd, std::string path) : FFd(fd), FPath(std::move(path)) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::int64_t Size() override;  // -1 when unknown (a pipe)
    int Error() const { return FError; }

private:
    int FFd;
    std::string FPath;
    int FError = 0;
};

// Writes to an open file descriptor (not owned); a failed write throws
// FileError ("Cannot write file ...") and Error() holds the error number.
class TFileTarget : public TTargetStream {
public:
    TFileTarget(int fd, std::string path) : FFd(fd), FPath(std::move(path)) {}
    void Write(const void* data, std::size_t count) override;
    int Error() const { return FError; }

private:
    int FFd;
    std::string FPath;
    int FError = 0;
};

// ---------------------------------------------------------------------------
// TCrypt and TEncryption: the cipher over streams

class TCrypt {
public:
    TCrypt(std::string_view password, std::int32_t bufferSize);
    ~TCrypt();  // wipes the password, the keys and the buffer
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    int KeyMode() const { return FKeyMode; }

protected:
    std::int32_t FKeyMode;
    TCipherContext FCipher;
    std::string FPassword;
    std::int32_t FBufferSize;
    std::vector<std::uint8_t> FBuffer;
};

class TEncryption : public TCrypt {
public:
    // The password must have at most 128 bytes; with a longer one every header
    // step fails.
    TEncryption(std::string_view password, std::int32_t bufferSize);
    ~TEncryption();  // wipes the salt pool

    // True unless a stream operation failed.
    bool EncryptStream(TSourceStream& source, TTargetStream& target);
    // True when the verifier and the tag both match. `target` may be null
    // (then only the password and the tag are checked).
    bool DecryptStream(TSourceStream& source, TTargetStream* target, std::int64_t sourceSize);

    bool WriteHeader(TTargetStream& target);
    bool WriteTrailer(TTargetStream& target);
    bool ReadHeader(TSourceStream& source);
    bool CheckTrailer(TSourceStream& source);

private:
    TSaltPool FSaltPool;
};

// ---------------------------------------------------------------------------
// The settings file

inline constexpr const char* SettingsPassword = "mzvbxnqpwo";
inline constexpr std::size_t CipherBufferSize = 262144;

enum class DecryptResult {
    Ok,
    CannotOpen,
    Damaged
};  // Damaged: too short, verifier or tag mismatch

// Decrypts the settings file at `source` into `plain` (emptied first; left
// empty unless Ok). On CannotOpen, *error (if given) gets the
// "Cannot open file ..." text.
DecryptResult DecryptFileToMemory(const std::string& source, std::string& plain,
                                  std::string* error = nullptr);
// Decrypts an encrypted byte string held in memory, same rules.
DecryptResult DecryptBytes(std::string_view encrypted, std::string& plain);
// Encrypts `plain` with SettingsPassword and writes `target` through the
// file layer (util/OutputFile.h: a regular file is replaced atomically, a
// link is followed, a device or FIFO is written in place). Returns false, with *error set
// and the old target untouched, on any failure.
bool EncryptMemoryToFile(std::string_view plain, const std::string& target,
                         std::string* error = nullptr);
std::string EncryptBytes(std::string_view plain);  // the whole encrypted file image

// Decrypts `source` into `target` (a new file replaces the old one). Throws
// FileError when the source cannot be opened, the target cannot be created or
// the decrypted bytes cannot be written (the old target is then kept);
// the outcome of the decryption itself is not reported (a wrong password
// leaves an empty target).
void DecryptFile(const std::string& source, const std::string& target);
// Encrypts `source` and writes `target` through the file layer. Throws FileError when
// the source cannot be opened or the new target cannot be written; the old
// target then stays as it was and no temporary file is left.
void EncryptFile(const std::string& source, const std::string& target);

}  // namespace varnolt
