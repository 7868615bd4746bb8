#include "TestHelpers.h"

#include "UGError.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <png.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

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

CommandResult RunCommand(const std::string& commandLine) {
    TempDir dir;
    fs::path out = dir.Path() / "out";
    fs::path err = dir.Path() / "err";
    std::string full = commandLine + " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string());
    int raw = std::system(full.c_str());
    CommandResult result;
    result.Status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    result.Out = ReadFile(out);
    result.Err = ReadFile(err);
    return result;
}

std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

fs::path CopyFixture(const std::string& name, const TempDir& into) {
    fs::path target = into.Path() / name;
    fs::copy(fs::path(QM_SOURCE_DIR) / "tests" / "fixtures" / name, target, fs::copy_options::recursive);
    return target;
}

void EditFile(const fs::path& path, const std::string& from, const std::string& to) {
    std::string text = ReadFile(path);
    size_t at = text.find(from);
    if (at == std::string::npos) {
        throw std::runtime_error("EditFile: \"" + from + "\" not in " + path.string());
    }
    text.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const EGError& error) {
        return error.what();
    }
    return "(no error)";
}

void ExpectError(const std::function<void()>& action, const std::string& text) {
    EXPECT_EQ(ErrorText(action), text);
}

void ExpectErrorContaining(const std::function<void()>& action, const std::string& part) {
    const std::string text = ErrorText(action);
    EXPECT_NE(text.find(part), std::string::npos)
        << "expected an error containing \"" << part << "\", got: " << text;
}

uint32_t Picture::Rgb(unsigned x, unsigned y) const {
    const size_t at = (static_cast<size_t>(y) * Width + x) * 4;
    return (uint32_t(Rgba.at(at)) << 16) | (uint32_t(Rgba.at(at + 1)) << 8) | Rgba.at(at + 2);
}

Picture ReadPng(const fs::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << image.message;
        return picture;
    }
    picture.Width = image.width;
    picture.Height = image.height;
    picture.Rgba = std::move(rgba);
    return picture;
}

} // namespace qm::test
