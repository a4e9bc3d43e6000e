#pragma once
// Helpers shared by the output tests: a scratch directory removed at the end
// of the test, whole-file reads, and a way to lose root's privileges for a
// moment so that permission bits are really enforced.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velmor::testing {

class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmor-output-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
        // Searchable by everyone, so an unprivileged user can reach inside.
        ::chmod(path_.c_str(), 0755);
    }
    ~ScratchDir() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
            if (entry.is_directory(ec)) ::chmod(entry.path().c_str(), 0755);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Names of the entries, sorted; shows leftovers such as temporary files.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// While alive, file access is checked as user and group "nobody" when the
// tests run as root (root passes every permission bit); otherwise nothing
// changes. ok() tells whether the switch worked.
class UnprivilegedScope {
  public:
    static constexpr uid_t kNobody = 65534;
    UnprivilegedScope() : wasRoot_(::geteuid() == 0) {
        if (wasRoot_) ok_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    }
    ~UnprivilegedScope() {
        if (!wasRoot_) return;
        (void)::seteuid(0);
        (void)::setegid(0);
    }
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;
    bool ok() const { return ok_; }

  private:
    bool wasRoot_;
    bool ok_ = true;
};

}  // namespace velmor::testing
