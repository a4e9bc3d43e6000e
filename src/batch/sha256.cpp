#include "batch/sha256.hpp"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <system_error>
#include <vector>

namespace velmor::batch {

namespace {

EVP_MD_CTX* Context(void* context) {
    return static_cast<EVP_MD_CTX*>(context);
}

std::string Reason(int code) {
    return std::generic_category().message(code);
}

}  // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (!context_ || EVP_DigestInit_ex(Context(context_), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(Context(context_));
}

void Sha256::add(std::string_view bytes) {
    if (!bytes.empty()) EVP_DigestUpdate(Context(context_), bytes.data(), bytes.size());
}

std::string Sha256::hex() {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(Context(context_), hash, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[hash[i] >> 4];
        text += kHex[hash[i] & 15];
    }
    return text;
}

std::string Sha256::Of(std::string_view bytes) {
    Sha256 hash;
    hash.add(bytes);
    return hash.hex();
}

FileDigest DigestOfText(std::string_view text) {
    Sha256 hash;
    hash.add(text);
    std::uint64_t size = text.size();
    // The sink ends every line with CR LF, the last one too.
    if (!text.empty() && !text.ends_with("\r\n")) {
        hash.add("\r\n");
        size += 2;
    }
    return {size, hash.hex()};
}

FileCheck DigestOfFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {std::nullopt, errno == ENOENT ? "is missing" : "cannot be read: " + Reason(errno)};
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return {std::nullopt, "is not a regular file"};
    }
    Sha256 hash;
    std::vector<char> buffer(1 << 16);
    std::uint64_t size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return {std::nullopt, "cannot be read: " + Reason(code)};
        }
        if (got == 0) break;
        hash.add(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        size += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    return {FileDigest{size, hash.hex()}, {}};
}

}  // namespace velmor::batch
