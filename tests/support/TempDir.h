#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace moxel::test {

// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes out of scope (permissions a test took
// away are given back first, so removal also works for a non-root user).
class TempDir {
  public:
    TempDir() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate =
                base / ("moxel-test-" + std::to_string(random() % 1000000000U));
            if (std::filesystem::create_directory(candidate)) { // false: it was there
                path_ = candidate;
            }
        }
        if (path_.empty()) {
            throw std::runtime_error("cannot create a temporary folder in " + base.string());
        }
    }
    ~TempDir() {
        std::error_code error;
        restoreWriteAccess(path_);
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

  private:
    static void restoreWriteAccess(const std::filesystem::path& folder) {
        using std::filesystem::perms;
        std::error_code error;
        std::filesystem::permissions(folder, perms::owner_all, std::filesystem::perm_options::add,
                                     error);
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_directory(error) && !it->is_symlink(error)) {
                restoreWriteAccess(it->path());
            }
        }
    }

    std::filesystem::path path_;
};

// Writes bytes as the whole content of file (throws when it cannot).
inline void writeFileBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// The whole content of file as bytes (throws when it cannot be read).
inline std::string readFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace moxel::test
