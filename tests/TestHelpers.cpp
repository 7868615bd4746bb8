#include "TestHelpers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qm::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "quillmark-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    FPath = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

fs::path TempDir::Write(const std::string& relative, const std::string& bytes) const {
    fs::path path = FPath / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return path;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace qm::test
