#pragma once
// SHA-256, from OpenSSL's libcrypto (EVP): what a completion record and a
// summary part say about the bytes they vouch for. A cryptographic hash, so
// that no edit, truncation or other file of the same size passes for the one
// recorded; libcrypto's, because it is maintained, audited and uses the
// processor's SHA instructions where there are any.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmor::batch {

class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(std::string_view bytes);
    // 64 lowercase hexadecimal digits; the hash is done after this.
    std::string hex();

    static std::string Of(std::string_view bytes);

  private:
    void* context_;  // EVP_MD_CTX
};

// What a file holds, as far as a record vouches for it.
struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;
};

// The size and hash of the bytes a text file written line by line from
// `text` holds: the text itself, with a final CR LF when it lacks one.
FileDigest DigestOfText(std::string_view text);

// The size and hash of a regular file, opened without blocking (a FIFO put in
// its place does not hang the caller). A message saying why when it is
// missing, not a regular file or unreadable.
struct FileCheck {
    std::optional<FileDigest> digest;
    std::string problem;
};
FileCheck DigestOfFile(const std::filesystem::path& path);

}  // namespace velmor::batch
